#include "readers/json_vocab_reader.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "base/utf8.h"
#include "readers/key_value_scanner.h"

namespace nuvra::readers {
namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The four hex digits at `p`, or -1.
int32_t readHex4(std::string_view text, size_t p) {
  if (p + 4 > text.size()) return -1;
  int32_t value = 0;
  for (size_t k = 0; k < 4; ++k) {
    const int digit = hexValue(text[p + k]);
    if (digit < 0) return -1;
    value = value * 16 + digit;
  }
  return value;
}

// std::stoi's reading of a value: leading white space, a sign, digits up to
// the first other character; the rest is ignored.
int32_t parseId(std::string_view value) {
  size_t i = 0;
  while (i < value.size() && (value[i] == ' ' || (value[i] >= '\t' && value[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < value.size() && (value[i] == '+' || value[i] == '-')) {
    negative = value[i] == '-';
    ++i;
  }
  if (i >= value.size() || value[i] < '0' || value[i] > '9') {
    throw std::invalid_argument("invalid stoi argument");
  }
  int64_t magnitude = 0;
  for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
    magnitude = magnitude * 10 + (value[i] - '0');
    if (magnitude > int64_t(std::numeric_limits<int32_t>::max()) + 1) {
      throw std::out_of_range("stoi argument out of range");
    }
  }
  const int64_t id = negative ? -magnitude : magnitude;
  if (id > std::numeric_limits<int32_t>::max()) {
    throw std::out_of_range("stoi argument out of range");
  }
  // A list grows to id + 1 entries, so these ids have no place in it.
  if (id < 0 || id == std::numeric_limits<int32_t>::max()) {
    throw std::out_of_range("token id outside the vocabulary range");
  }
  return int32_t(id);
}

// Writes a key as written between its quotes with its JSON escapes decoded
// at `w`, and returns its end. Decoding never lengthens a key and reads
// ahead of what it writes, so `w` may lie anywhere up to the key itself.
char* writeUnescaped(std::string_view raw, char* w) {
  for (size_t i = 0; i < raw.size(); ++i) {
    const char c = raw[i];
    if (c != '\\' || i + 1 >= raw.size()) {
      *w++ = c;
      continue;
    }
    const char e = raw[++i];
    switch (e) {
      case 'b': *w++ = '\b'; break;
      case 'f': *w++ = '\f'; break;
      case 'n': *w++ = '\n'; break;
      case 'r': *w++ = '\r'; break;
      case 't': *w++ = '\t'; break;
      case 'u': {
        const int32_t unit = readHex4(raw, i + 1);
        if (unit < 0) {  // not an escape: kept as written
          *w++ = '\\';
          *w++ = 'u';
          break;
        }
        i += 4;
        uint32_t cp = uint32_t(unit);
        // A high surrogate escape followed by a low one is one character.
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 2 < raw.size() && raw[i + 1] == '\\' &&
            raw[i + 2] == 'u') {
          const int32_t low = readHex4(raw, i + 3);
          if (low >= 0xDC00 && low <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (uint32_t(low) - 0xDC00);
            i += 6;
          }
        }
        // Three bytes at most from six, four from twelve.
        if (cp != 0) w += utf8EncodeChar(cp, w);
        break;
      }
      default:  // \" \\ \/ and anything else: the character itself
        *w++ = e;
        break;
    }
  }
  return w;
}

}  // namespace

void VocabEntries::add(int32_t id, size_t text_end) {
  if (text_end > UINT32_MAX) throw std::length_error("vocabulary too large");
  if (!ids.empty()) {
    ids.push_back(id);
  } else if (id != int32_t(size())) {
    // The first pair out of place: the ids so far are their places.
    ids.reserve(offsets.capacity());
    for (size_t k = 0; k < size(); ++k) ids.push_back(int32_t(k));
    ids.push_back(id);
  }
  offsets.push_back(uint32_t(text_end));
}

VocabEntries parseJsonVocabEntries(LargeString content) {
  VocabEntries read;
  // A pair takes at least four bytes ("":,). Reserved, not touched: only
  // the pages used cost.
  read.offsets.reserve(content.size() / 4 + 2);
  const bool has_nul = content.find('\0') != LargeString::npos;
  // Each text is written over the file's bytes already read.
  char* const first = content.data();
  char* w = first;
  KeyValueScanner scanner(content);
  RawPair raw;
  while (scanner.next(raw)) {
    const int32_t id = parseId(raw.value);
    char* const start = w;
    if (raw.key_escaped) {
      w = writeUnescaped(raw.key, w);
    } else {
      std::memmove(w, raw.key.data(), raw.key.size());
      w += raw.key.size();
    }
    // A key ends at its first NUL character, which only a NUL byte as
    // written gives ("\u0000" gives none).
    if (has_nul) w = std::find(start, w, '\0');
    read.add(id, size_t(w - first));
  }
  content.resize(size_t(w - first));
  read.texts = std::move(content);
  return read;
}

std::optional<VocabEntries> readJsonVocabEntries(const FilePath& path) {
  std::optional<LargeString> content = readTextFile(path);
  if (!content) return std::nullopt;
  return parseJsonVocabEntries(std::move(*content));
}

std::vector<VocabPair> parseJsonVocab(std::string_view content) {
  const VocabEntries read = parseJsonVocabEntries(LargeString(content));
  std::vector<VocabPair> pairs;
  pairs.reserve(read.size());
  for (size_t k = 0; k < read.size(); ++k) pairs.push_back({std::string(read.text(k)), read.id(k)});
  return pairs;
}

std::optional<std::vector<VocabPair>> readJsonVocab(const FilePath& path) {
  const std::optional<LargeString> content = readTextFile(path);
  if (!content) return std::nullopt;
  return parseJsonVocab(*content);
}

void storeVocabPairs(const std::vector<VocabPair>& pairs, std::vector<std::string>& vocab) {
  int32_t top = -1;
  for (const VocabPair& pair : pairs) top = std::max(top, pair.id);
  if (top >= 0 && size_t(top) + 1 > vocab.size()) vocab.resize(size_t(top) + 1);
  for (const VocabPair& pair : pairs) vocab[size_t(pair.id)] = pair.text;
}

}  // namespace nuvra::readers
