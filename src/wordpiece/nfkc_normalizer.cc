#include "wordpiece/nfkc_normalizer.h"

#include <cstddef>
#include <cstdint>

#include "data/nfkc_charmap.h"

namespace nuvra::wordpiece {
namespace {

// Units of the double-array trie: a child of node n is found at
// n ^ offset(unit of n) ^ byte, and is one when its label is that byte.
constexpr uint32_t kHasLeafBit = 1u << 8;
constexpr uint32_t kLabelMask = (1u << 31) | 0xFF;  // leaf units never match a byte
constexpr uint32_t kValueMask = ~(1u << 31);

inline size_t unitOffset(uint32_t unit) { return (unit >> 10) << ((unit & (1u << 9)) >> 6); }

// Length of the longest key that starts `p` (0 when none), and its value.
inline size_t longestKey(const unsigned char* p, size_t n, uint32_t& value) {
  const uint32_t* units = data::kNfkcTrieUnits;
  const size_t count = data::kNfkcTrieUnitCount;
  size_t node = unitOffset(units[0]);
  size_t length = 0;
  for (size_t i = 0; i < n; ++i) {
    node ^= p[i];
    if (node >= count) break;
    const uint32_t unit = units[node];
    if ((unit & kLabelMask) != p[i]) break;
    node ^= unitOffset(unit);
    if ((unit & kHasLeafBit) != 0 && node < count) {
      value = units[node] & kValueMask;
      length = i + 1;
    }
  }
  return length;
}

inline bool isTrail(unsigned char b) { return (b & 0xC0) == 0x80; }

// Length of the well-formed UTF-8 sequence at `p`, or 0. Stricter than the
// library's decoder elsewhere: surrogates and values above U+10FFFF are
// malformed here, as the rule's owner treats them.
inline size_t validSequenceLength(const unsigned char* p, size_t n) {
  const unsigned char b = p[0];
  if (b < 0x80) return 1;
  if (b < 0xC2) return 0;
  if (b < 0xE0) return n >= 2 && isTrail(p[1]) ? 2 : 0;
  if (b < 0xF0) {
    if (n < 3 || !isTrail(p[1]) || !isTrail(p[2])) return 0;
    if (b == 0xE0 && p[1] < 0xA0) return 0;  // overlong
    if (b == 0xED && p[1] >= 0xA0) return 0;  // surrogate
    return 3;
  }
  if (b < 0xF5) {
    if (n < 4 || !isTrail(p[1]) || !isTrail(p[2]) || !isTrail(p[3])) return 0;
    if (b == 0xF0 && p[1] < 0x90) return 0;  // overlong
    if (b == 0xF4 && p[1] >= 0x90) return 0;  // above U+10FFFF
    return 4;
  }
  return 0;
}

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

}  // namespace

void normalizeNfkc(std::string_view text, std::string& out) {
  out.clear();
  out.reserve(text.size() + text.size() / 8 + 16);
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const size_t n = text.size();
  // Text that maps to itself is copied in runs, flushed before each change.
  size_t run = 0;
  bool after_space = true;  // drops leading spaces as well as repeated ones
  size_t i = 0;
  while (i < n) {
    uint32_t value = 0;
    size_t length = longestKey(p + i, n - i, value);
    std::string_view replacement;
    if (length == 0) {
      length = validSequenceLength(p + i, n - i);
      if (length != 0) {
        // Unchanged: extends the run unless it is a space to drop.
        if (p[i] == ' ') {
          if (after_space) {
            out.append(text.data() + run, i - run);
            run = i + 1;
          }
          after_space = true;
        } else {
          after_space = false;
        }
        i += length;
        continue;
      }
      length = 1;
      replacement = kReplacementCharacter;
    } else if (value < data::kNfkcReplacementsSize) {
      replacement = std::string_view(data::kNfkcReplacements + value);
    }
    out.append(text.data() + run, i - run);
    i += length;
    run = i;
    if (after_space) {
      while (!replacement.empty() && replacement.front() == ' ') replacement.remove_prefix(1);
    }
    if (!replacement.empty()) {
      out.append(replacement);
      after_space = replacement.back() == ' ';
    }
  }
  out.append(text.data() + run, n - run);
  while (!out.empty() && out.back() == ' ') out.pop_back();
}

}  // namespace nuvra::wordpiece
