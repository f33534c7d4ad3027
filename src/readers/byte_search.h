#ifndef NUVRA_READERS_BYTE_SEARCH_H_
#define NUVRA_READERS_BYTE_SEARCH_H_

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace nuvra::readers {

// The first position from `p` below `n` whose byte is `a`, `b` or `c`, or
// `n`: eight bytes at a time, for files of many short fields, where a call
// per field would cost more than the search.
inline size_t findAnyOf(const char* text, size_t p, size_t n, char a, char b, char c) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  constexpr uint64_t kOnes = 0x0101010101010101ULL;
  constexpr uint64_t kHigh = 0x8080808080808080ULL;
  // A zero byte of v ^ (kOnes * a) is an `a`; of the bytes flagged, the
  // lowest is always exact.
  const auto zeros = [](uint64_t x) { return (x - kOnes) & ~x; };
  for (; p + 8 <= n; p += 8) {
    uint64_t v;
    std::memcpy(&v, text + p, 8);
    const uint64_t found = (zeros(v ^ (kOnes * uint8_t(a))) | zeros(v ^ (kOnes * uint8_t(b))) |
                            zeros(v ^ (kOnes * uint8_t(c)))) &
                           kHigh;
    if (found != 0) return p + size_t(__builtin_ctzll(found) >> 3);
  }
#endif
  while (p < n && text[p] != a && text[p] != b && text[p] != c) ++p;
  return p;
}

}  // namespace nuvra::readers

#endif  // NUVRA_READERS_BYTE_SEARCH_H_
