#include "readers/key_value_scanner.h"

#include <cstdint>
#include <cstring>

namespace nuvra::readers {
namespace {

// The first position from `p` holding `a` or `b`, or `n`: eight bytes at a
// time, since a vocabulary file is a megabyte of short keys and values.
size_t findEither(const char* c, size_t p, size_t n, char a, char b) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  constexpr uint64_t kOnes = 0x0101010101010101ULL;
  constexpr uint64_t kHigh = 0x8080808080808080ULL;
  const uint64_t as = kOnes * uint8_t(a);
  const uint64_t bs = kOnes * uint8_t(b);
  for (; p + 8 <= n; p += 8) {
    uint64_t v;
    std::memcpy(&v, c + p, 8);
    // A zero byte of v ^ as is an `a`; the lowest flagged byte is exact.
    const uint64_t x = v ^ as;
    const uint64_t y = v ^ bs;
    const uint64_t found = (((x - kOnes) & ~x) | ((y - kOnes) & ~y)) & kHigh;
    if (found != 0) return p + size_t(__builtin_ctzll(found) >> 3);
  }
#endif
  while (p < n && c[p] != a && c[p] != b) ++p;
  return p;
}

}  // namespace

bool KeyValueScanner::next(RawPair& pair) {
  const std::string_view c = content_;
  const size_t n = c.size();
  size_t p = position_;
  while (p < n && c[p] != '"') ++p;
  if (p >= n) return false;
  const size_t key_start = ++p;
  // A backslash escapes the next character, a quote among them.
  pair.key_escaped = false;
  for (;;) {
    p = findEither(c.data(), p, n, '"', '\\');
    if (p >= n || c[p] == '"') break;
    pair.key_escaped = true;
    p += 2;
  }
  if (p >= n) return false;
  pair.key = c.substr(key_start, p - key_start);
  ++p;
  // The separator: blanks and a colon ("key" : value is accepted), or else
  // everything up to and including the next colon or space.
  bool skipped_space = false;
  while (p < n && isBlank(c[p])) skipped_space |= c[p++] == ' ';
  if (p >= n) return false;
  if (c[p] == ':') {
    ++p;
  } else if (!skipped_space) {
    while (p < n && c[p] != ':' && c[p] != ' ') ++p;
    if (p >= n) return false;
    ++p;
  }
  const size_t value_start = p;
  if (value_end_ == ValueEnd::kToDelimiter) {
    p = findEither(c.data(), p, n, ',', '}');
  } else {
    // "{% if a, b %}" or ["A, B"]: nothing inside ends the value.
    for (size_t arrays = 0; p < n; ++p) {
      const char ch = c[p];
      if (ch == '"') {
        for (++p; p < n && c[p] != '"';) p += c[p] == '\\' ? 2 : 1;
        if (p >= n) return false;
      } else if (ch == '[') {
        ++arrays;
      } else if (ch == ']' && arrays > 0) {
        --arrays;
      } else if (ch == '{' || (arrays == 0 && (ch == ',' || ch == '}'))) {
        break;
      }
    }
  }
  if (p >= n) return false;
  pair.value = c.substr(value_start, p - value_start);
  position_ = p + 1;
  return true;
}

}  // namespace nuvra::readers
