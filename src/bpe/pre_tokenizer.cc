#include "bpe/pre_tokenizer.h"

#include <array>
#include <cstring>

#include "base/utf8.h"
#include "bpe/byte_symbols.h"
#include "data/unicode_categories.h"

namespace nuvra::bpe {
namespace {

constexpr std::array<CharClass, 128> makeAsciiClasses() {
  std::array<CharClass, 128> classes{};
  for (int b = 0; b < 128; ++b) {
    CharClass c = CharClass::kOther;
    if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z')) c = CharClass::kLetter;
    if (b >= '0' && b <= '9') c = CharClass::kNumber;
    if (b == ' ' || (b >= 0x09 && b <= 0x0D)) c = CharClass::kSpace;
    classes[size_t(b)] = c;
  }
  return classes;
}

constexpr std::array<CharClass, 128> kAsciiClasses = makeAsciiClasses();

bool isNonAsciiSpace(uint32_t cp) {
  if (cp < 0x2000) return cp == 0xA0 || cp == 0x1680;
  if (cp <= 0x200A) return true;
  return cp == 0x2028 || cp == 0x2029 || cp == 0x202F || cp == 0x205F || cp == 0x3000 ||
         cp == 0xFEFF;
}

CharClass nonAsciiClass(uint32_t cp) {
  if (isNonAsciiSpace(cp)) return CharClass::kSpace;
  switch (data::unicodeCategory(cp)) {
    case data::kCategoryLetter: return CharClass::kLetter;
    case data::kCategoryNumber: return CharClass::kNumber;
    default: return CharClass::kOther;
  }
}

// One character of the subject: its class and byte length.
struct Char {
  CharClass cls;
  uint8_t size;
};

// The character at s[pos], pos < end. An invalid byte is one kOther character.
inline Char charAt(const char* s, size_t pos, size_t end) {
  const auto b = static_cast<unsigned char>(s[pos]);
  if (b < 0x80) return {kAsciiClasses[b], 1};
  uint32_t cp = 0;
  const size_t available = end - pos < 4 ? end - pos : 4;
  const int n = utf8DecodeChar(s + pos, int32_t(available), cp);
  if (n == 0) return {CharClass::kOther, 1};
  return {nonAsciiClass(cp), uint8_t(n)};
}

// Per byte: one bit for the class of an ASCII character, none for the bytes
// of multi-byte sequences, which the runs decode on their slow path.
enum : uint8_t { kLetterBit = 1, kNumberBit = 2, kSpaceBit = 4, kOtherBit = 8 };

constexpr std::array<uint8_t, 256> makeAsciiBits() {
  std::array<uint8_t, 256> bits{};
  for (size_t b = 0; b < 128; ++b) {
    switch (kAsciiClasses[b]) {
      case CharClass::kLetter: bits[b] = kLetterBit; break;
      case CharClass::kNumber: bits[b] = kNumberBit; break;
      case CharClass::kSpace: bits[b] = kSpaceBit; break;
      case CharClass::kOther: bits[b] = kOtherBit; break;
    }
  }
  return bits;
}

constexpr std::array<uint8_t, 256> kAsciiBits = makeAsciiBits();

// End of the run from `pos` of ASCII characters in `ascii_mask` and other
// characters that `accept` takes.
template <typename Accept>
inline size_t extendRun(const char* s, size_t pos, size_t end, uint8_t ascii_mask,
                        Accept accept) {
  while (true) {
    while (pos < end && (kAsciiBits[static_cast<unsigned char>(s[pos])] & ascii_mask) != 0) ++pos;
    if (pos >= end || static_cast<unsigned char>(s[pos]) < 0x80) return pos;
    const Char c = charAt(s, pos, end);
    if (!accept(c.cls)) return pos;
    pos += c.size;
  }
}

inline size_t letterRun(const char* s, size_t pos, size_t end) {
  return extendRun(s, pos, end, kLetterBit, [](CharClass c) { return c == CharClass::kLetter; });
}

inline size_t numberRun(const char* s, size_t pos, size_t end) {
  return extendRun(s, pos, end, kNumberBit, [](CharClass c) { return c == CharClass::kNumber; });
}

inline size_t spaceRun(const char* s, size_t pos, size_t end) {
  return extendRun(s, pos, end, kSpaceBit, [](CharClass c) { return c == CharClass::kSpace; });
}

// "[^\s\p{L}\d]+" keeps going over numbers outside ASCII ("!²" is one run);
// "[^\s\p{L}\p{N}]+" stops at every number. Both stop at ASCII digits.
inline size_t otherRun(const char* s, size_t pos, size_t end, bool ascii_digits_only) {
  if (ascii_digits_only) {
    return extendRun(s, pos, end, kOtherBit, [](CharClass c) {
      return c == CharClass::kOther || c == CharClass::kNumber;
    });
  }
  return extendRun(s, pos, end, kOtherBit, [](CharClass c) { return c == CharClass::kOther; });
}

// Length of "'s|'t|'re|'ve|'m|'ll|'d" at s[pos] == '\'', or 0.
inline size_t contractionLength(const char* s, size_t pos, size_t end) {
  if (pos + 1 >= end) return 0;
  const char a = s[pos + 1];
  if (a == 's' || a == 't' || a == 'm' || a == 'd') return 2;
  if (pos + 2 >= end) return 0;
  const char b = s[pos + 2];
  if ((a == 'r' && b == 'e') || (a == 'v' && b == 'e') || (a == 'l' && b == 'l')) return 3;
  return 0;
}

// "\s+(?!\S)|\s+" at a white-space character: a run followed by a non-space
// gives up its last character unless that is all it has; at the end of the
// subject the whole run is taken.
inline size_t spaceRunEnd(const char* s, size_t pos, size_t end) {
  size_t last = pos;
  size_t q = pos;
  while (q < end) {
    const Char c = charAt(s, q, end);
    if (c.cls != CharClass::kSpace) break;
    last = q;
    q += c.size;
  }
  if (q == end || last == pos) return q;
  return last;
}

// End of the match of "'s|...|'d| ?\p{L}+| ?\p{N}+| ?[^\s\p{L}X]+|\s+(?!\S)|\s+"
// at pos < end. Every character starts some alternative, so the match is at pos.
size_t byteLevelWordEnd(const char* s, size_t pos, size_t end, bool ascii_digits_only) {
  if (s[pos] == '\'') {
    const size_t n = contractionLength(s, pos, end);
    if (n != 0) return pos + n;
  }
  Char c = charAt(s, pos, end);
  size_t body = pos + c.size;
  if (s[pos] == ' ' && body < end) {
    // The optional leading space belongs to a following letter, number or
    // other run; before more white space it is left to the space alternatives.
    const Char next = charAt(s, body, end);
    if (next.cls != CharClass::kSpace) {
      c = next;
      body += next.size;
    }
  }
  switch (c.cls) {
    case CharClass::kLetter: return letterRun(s, body, end);
    case CharClass::kNumber: return numberRun(s, body, end);
    case CharClass::kOther: return otherRun(s, body, end, ascii_digits_only);
    case CharClass::kSpace: break;
  }
  return spaceRunEnd(s, pos, end);
}

// Match of "'s|'t|'re|'ve|'m|'ll|'d|[\p{L}]+|[\p{N}]|[^\s\p{L}\p{N}]+" at a
// non-space character.
size_t wordEndMarkerWordEnd(const char* s, size_t pos, size_t end, const Char& c) {
  if (s[pos] == '\'') {
    const size_t n = contractionLength(s, pos, end);
    if (n != 0) return pos + n;
  }
  switch (c.cls) {
    case CharClass::kLetter: return letterRun(s, pos + c.size, end);
    case CharClass::kNumber: return pos + c.size;
    default: return otherRun(s, pos + c.size, end, false);
  }
}

// Leftmost match of a tag pattern in text[from, end): sets [begin, finish).
// A candidate "<" fails only when no fitting ">" follows, and the first ">"
// after a candidate is never before the one of an earlier candidate, so the
// search for ">" resumes where it left off and the whole scan is linear.
bool findTag(std::string_view text, size_t from, TagPattern pattern, size_t& begin,
             size_t& finish) {
  const bool pipe = pattern == TagPattern::kPipeTag;
  const size_t body_offset = pipe ? 2 : 1;
  size_t close = 0;  // first '>' at or after the body of the candidate, or npos
  bool close_known = false;
  size_t open = from;
  while (true) {
    open = text.find('<', open);
    if (open == std::string_view::npos) return false;
    if (pipe && (open + 1 >= text.size() || text[open + 1] != '|')) {
      ++open;
      continue;
    }
    const size_t body = open + body_offset;
    if (!close_known || (close != std::string_view::npos && close < body)) {
      close = text.find('>', body);
      close_known = true;
    }
    if (close == std::string_view::npos) return false;  // no later candidate can close
    // "<" ([^>]+) ">" needs a non-empty body; "<|" ([^>]+) "|>" also needs
    // the "|" just before the ">" to lie after that body's first character.
    const bool fits = pipe ? close >= body + 2 && text[close - 1] == '|' : close > body;
    if (fits) {
      begin = open;
      finish = close + 1;
      return true;
    }
    ++open;
  }
}

}  // namespace

CharClass codepointClass(uint32_t cp) {
  return cp < 0x80 ? kAsciiClasses[cp] : nonAsciiClass(cp);
}

void splitAtTags(std::string_view text, TagPattern pattern, std::vector<TagSplitPiece>& out) {
  out.clear();
  size_t pos = 0;
  if (pattern != TagPattern::kNone) {
    size_t begin = 0;
    size_t finish = 0;
    while (pos < text.size() && findTag(text, pos, pattern, begin, finish)) {
      if (begin > pos) out.push_back({pos, begin, false});
      out.push_back({begin, finish, true});
      pos = finish;
    }
  }
  if (pos < text.size()) out.push_back({pos, text.size(), false});
}

bool matchesTagPattern(std::string_view piece, TagPattern pattern) {
  const size_t n = piece.size();
  switch (pattern) {
    case TagPattern::kPipeTag:
      // "<|" + at least one non-">" + "|>"; the "|" before ">" is part of the body's end.
      return n >= 5 && piece[0] == '<' && piece[1] == '|' && piece[n - 2] == '|' &&
             piece[n - 1] == '>' && piece.substr(2, n - 3).find('>') == std::string_view::npos;
    case TagPattern::kAngleTag:
      return n >= 3 && piece[0] == '<' && piece[n - 1] == '>' &&
             piece.substr(1, n - 2).find('>') == std::string_view::npos;
    case TagPattern::kNone:
      break;
  }
  return false;
}

WordScanner::WordScanner(std::string_view piece, WordPattern pattern)
    : piece_(piece), pattern_(pattern) {}

bool WordScanner::next(std::string_view& word) {
  const char* s = piece_.data();
  const size_t end = piece_.size();
  if (pos_ >= end) return false;
  size_t finish = pos_;
  switch (pattern_) {
    case WordPattern::kAsciiDigit:
    case WordPattern::kUnicodeDigit:
      finish = byteLevelWordEnd(s, pos_, end, pattern_ == WordPattern::kAsciiDigit);
      break;
    case WordPattern::kWordEnd: {
      // No alternative starts with white space: the search moves past it.
      Char c = charAt(s, pos_, end);
      while (c.cls == CharClass::kSpace) {
        pos_ += c.size;
        if (pos_ >= end) return false;
        c = charAt(s, pos_, end);
      }
      finish = wordEndMarkerWordEnd(s, pos_, end, c);
      break;
    }
    case WordPattern::kNone:
      pos_ = end;
      return false;
  }
  word = piece_.substr(pos_, finish - pos_);
  pos_ = finish;
  return true;
}

void splitWords(std::string_view piece, WordPattern pattern, std::vector<std::string_view>& out) {
  out.clear();
  WordScanner scanner(piece, pattern);
  std::string_view word;
  while (scanner.next(word)) out.push_back(word);
}

std::string cleanWhitespace(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  const char* s = text.data();
  const size_t end = text.size();
  size_t copied = 0;  // text[copied, pos) is waiting to be appended
  size_t pos = 0;
  while (pos < end) {
    const auto b = static_cast<unsigned char>(s[pos]);
    if (b < 0x80 && kAsciiClasses[b] != CharClass::kSpace) {
      ++pos;
      continue;
    }
    const Char c = charAt(s, pos, end);
    if (c.cls != CharClass::kSpace) {
      pos += c.size;
      continue;
    }
    out.append(s + copied, pos - copied);
    out.push_back(' ');
    pos = spaceRun(s, pos, end);
    copied = pos;
  }
  out.append(s + copied, end - copied);

  auto trimmed = [](char ch) {
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r' || ch == '\f' || ch == '\v';
  };
  size_t last = out.size();
  while (last > 0 && trimmed(out[last - 1])) --last;
  out.resize(last);
  size_t first = 0;
  while (first < out.size() && trimmed(out[first])) ++first;
  out.erase(0, first);
  return out;
}

std::string replaceWordEndMarkers(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t pos = 0;
  for (size_t hit = text.find(kWordEndMarker); hit != std::string_view::npos;
       hit = text.find(kWordEndMarker, pos)) {
    out.append(text.data() + pos, hit - pos);
    out.push_back(' ');
    pos = hit + kWordEndMarker.size();
  }
  out.append(text.data() + pos, text.size() - pos);
  return out;
}

}  // namespace nuvra::bpe
