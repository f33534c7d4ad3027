#include "wordpiece/basic_tokenizer.h"

#include <array>

#include "data/accent_table.h"

namespace nuvra::wordpiece {
namespace detail {

const uint8_t kAsciiClass[128] = {
    2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // tab, LF, CR stay in words
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  //
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // space ! " # ... /
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1,  // digits : ; < = > ?
    1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // @ A..O
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1,  // P..Z [ \ ] ^ _
    1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // ` a..o
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 0,  // p..z { | } ~ DEL
};

uint32_t cleanRun(std::string_view run, std::string& out) {
  uint32_t length = 0;
  size_t i = 0;
  while (i < run.size()) {
    uint32_t cp = 0;
    const int n = utf8DecodeChar(run.data() + i, int32_t(run.size() - i), cp);
    if (n == 0 || cp == 0) break;
    if (cp <= 0x10FFFF) {
      out.append(run.data() + i, size_t(n));
      ++length;
    }
    i += size_t(n);
  }
  return length;
}

}  // namespace detail

namespace {

constexpr uint32_t kBlockBits = 8;
constexpr uint32_t kBlockCount = 0x110000 >> kBlockBits;

// For each block of 256 code points, the first accent-table row at or after
// the block's start: a lookup searches only its block's rows.
struct AccentIndex {
  std::array<uint16_t, kBlockCount + 1> first_row{};

  AccentIndex() {
    size_t row = 0;
    for (uint32_t block = 0; block <= kBlockCount; ++block) {
      while (row < data::kAccentRowCount && data::kAccentCodepoints[row] < (block << kBlockBits)) {
        ++row;
      }
      first_row[block] = uint16_t(row);
    }
  }
};

static_assert(data::kAccentRowCount < 0x10000, "row numbers are stored in 16 bits");

const AccentIndex& accentIndex() {
  static const AccentIndex index;
  return index;
}

constexpr uint32_t kFirstAccentedCodepoint = 0xC0;

// Appends cp, or its accent-table replacement. `cp` is at most U+10FFFF.
inline void appendStripped(uint32_t cp, const AccentIndex& index, std::string& out) {
  if (cp >= kFirstAccentedCodepoint) {
    const uint32_t block = cp >> kBlockBits;
    const uint32_t* first = data::kAccentCodepoints + index.first_row[block];
    const uint32_t* last = data::kAccentCodepoints + index.first_row[block + 1];
    const uint32_t* row = std::lower_bound(first, last, cp);
    if (row != last && *row == cp) {
      uint64_t slots = data::kAccentReplacements[row - data::kAccentCodepoints];
      constexpr uint64_t kSlotMask = (uint64_t(1) << data::kAccentSlotBits) - 1;
      for (; slots != 0; slots >>= data::kAccentSlotBits) appendUtf8(uint32_t(slots & kSlotMask), out);
      return;
    }
  }
  appendUtf8(cp, out);
}

// Decodes `word` up to its first invalid sequence and re-encodes each code
// point through `map`, ending at U+0000 as every conversion back does.
template <typename Map>
void mapCodepoints(std::string_view word, Map&& map) {
  size_t i = 0;
  const size_t n = std::min(word.size(), size_t(std::numeric_limits<int32_t>::max()));
  while (i < n) {
    uint32_t cp = 0;
    const int length = utf8DecodeChar(word.data() + i, int32_t(n - i), cp);
    if (length == 0 || cp == 0) break;
    if (cp <= 0x10FFFF) map(cp);
    i += size_t(length);
  }
}

}  // namespace

bool isPunctuation(uint32_t cp) {
  if (cp < 0x80) return detail::kAsciiClass[cp] == 1 && cp != 0x20;
  if (cp >= 0x3001 && cp <= 0x303D) {
    return cp <= 0x3003 || (cp >= 0x3008 && cp <= 0x3011) || (cp >= 0x3014 && cp <= 0x301F) ||
           cp == 0x3030 || cp == 0x303D;
  }
  if (cp >= 0xFF01 && cp <= 0xFF64) {
    return cp <= 0xFF03 || (cp >= 0xFF05 && cp <= 0xFF0A) || (cp >= 0xFF0C && cp <= 0xFF0E) ||
           cp == 0xFF1A || cp == 0xFF1B || cp == 0xFF1F || (cp >= 0xFF3B && cp <= 0xFF3D) ||
           cp == 0xFF3F || cp == 0xFF5B || cp == 0xFF5D || cp >= 0xFF5F;
  }
  return false;
}

std::vector<std::string> basicSplit(std::string_view text, bool tokenize_chinese_chars) {
  std::vector<std::string> words;
  forEachBasicWord(text, tokenize_chinese_chars,
                   [&](std::string_view word, uint32_t) { words.emplace_back(word); });
  return words;
}

std::string lowerCaseAscii(std::string_view word) {
  std::string out;
  out.reserve(word.size());
  mapCodepoints(word, [&](uint32_t cp) {
    appendUtf8(cp >= 'A' && cp <= 'Z' ? cp + 0x20 : cp, out);
  });
  return out;
}

std::string stripAccents(std::string_view word) {
  std::string out;
  out.reserve(word.size());
  const AccentIndex& index = accentIndex();
  mapCodepoints(word, [&](uint32_t cp) { appendStripped(cp, index, out); });
  return out;
}

void appendLowerCasedStripped(std::string_view word, std::string& out) {
  const AccentIndex& index = accentIndex();
  // ASCII bytes need neither decoding nor the table.
  const size_t n = word.size();
  size_t i = 0;
  while (i < n) {
    const auto b = static_cast<unsigned char>(word[i]);
    if (b >= 0x80) break;
    if (b == 0) return;
    out.push_back(char(b >= 'A' && b <= 'Z' ? b + 0x20 : b));
    ++i;
  }
  if (i == n) return;
  mapCodepoints(word.substr(i), [&](uint32_t cp) {
    appendStripped(cp >= 'A' && cp <= 'Z' ? cp + 0x20 : cp, index, out);
  });
}

}  // namespace nuvra::wordpiece
