#ifndef NUVRA_READERS_TOKEN_INDEX_H_
#define NUVRA_READERS_TOKEN_INDEX_H_

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace nuvra::readers {

namespace token_index_detail {

inline uint64_t load64(const char* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}

inline uint32_t load32(const char* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

inline uint64_t mix(uint64_t a, uint64_t b) {
  uint64_t h = (a * 0x9E3779B97F4A7C15ULL) ^ (((b * 0xC2B2AE3D27D4EB4FULL) << 31) |
                                              ((b * 0xC2B2AE3D27D4EB4FULL) >> 33));
  h ^= h >> 32;
  h *= 0xD6E8FEB86659FD93ULL;
  h ^= h >> 32;
  return h;
}

// Equal bytes, for lengths of vocabulary tokens mostly compared without a
// call: two overlapping loads cover 4 to 16 bytes.
inline bool sameBytes(const char* a, const char* b, size_t n) {
  if (n >= 8) {
    if (n > 16) return std::memcmp(a, b, n) == 0;
    return load64(a) == load64(b) && load64(a + n - 8) == load64(b + n - 8);
  }
  if (n >= 4) return load32(a) == load32(b) && load32(a + n - 4) == load32(b + n - 4);
  for (size_t i = 0; i < n; ++i) {
    if (a[i] != b[i]) return false;
  }
  return true;
}

}  // namespace token_index_detail

// A well-spread 64-bit hash of `text`, short texts (tokens are mostly a few
// bytes) in a handful of instructions. The length takes part, so texts that
// differ only by trailing NUL bytes differ.
inline uint64_t hashText(std::string_view text) {
  using token_index_detail::load32;
  using token_index_detail::load64;
  const char* p = text.data();
  const size_t n = text.size();
  uint64_t a = 0;
  uint64_t b = 0;
  if (n >= 8) {
    uint64_t h = n * 0x165667B19E3779F9ULL;
    size_t i = 0;
    for (; i + 16 < n; i += 16) h = token_index_detail::mix(load64(p + i) ^ h, load64(p + i + 8));
    a = (n >= 16 ? load64(p + n - 16) : load64(p)) ^ h;
    b = load64(p + n - 8);
  } else if (n >= 4) {
    a = load32(p);
    b = load32(p + n - 4);
  } else if (n > 0) {
    a = (uint64_t(uint8_t(p[0])) << 16) | (uint64_t(uint8_t(p[n >> 1])) << 8) | uint8_t(p[n - 1]);
  }
  return token_index_detail::mix(a ^ (n << 56), b ^ n);
}

// Immutable text-to-id map over a vocabulary, built once per vocabulary
// change and read on every lookup of encode. Open addressing over one key
// arena: no allocation per entry, one probe sequence per lookup, 16-byte
// slots whose hash tag rules out nearly every other key before its bytes are
// read.
class TokenIndex {
 public:
  // Which id a text that stands at several ids maps to.
  enum class Duplicates { kHighestId, kLowestId };

  TokenIndex() = default;
  TokenIndex(const std::vector<std::string>& entries, Duplicates duplicates);
  TokenIndex(const TokenIndex&) = delete;
  TokenIndex& operator=(const TokenIndex&) = delete;

  // The id of `text`, or -1.
  int32_t find(std::string_view text) const {
    if (slots_.empty()) return -1;
    const uint64_t h = hashText(text);
    const uint32_t tag = uint32_t(h >> 32);
    const Slot* slots = slots_.data();
    for (size_t i = size_t(h) & mask_;; i = (i + 1) & mask_) {
      const Slot& slot = slots[i];
      if (slot.id < 0) return -1;
      if (slot.tag == tag && slot.length == text.size() &&
          token_index_detail::sameBytes(arena_.data() + slot.offset, text.data(), text.size())) {
        return slot.id;
      }
    }
  }
  bool contains(std::string_view text) const { return find(text) >= 0; }
  // Number of distinct texts.
  size_t size() const { return count_; }

 private:
  struct Slot {
    uint32_t tag = 0;  // high half of the text's hash
    uint32_t offset = 0;
    uint32_t length = 0;
    int32_t id = -1;  // -1: empty slot
  };

  std::vector<Slot> slots_;
  std::string arena_;
  size_t mask_ = 0;
  size_t count_ = 0;
};

}  // namespace nuvra::readers

#endif  // NUVRA_READERS_TOKEN_INDEX_H_
