#ifndef NUVRA_READERS_TOKEN_INDEX_H_
#define NUVRA_READERS_TOKEN_INDEX_H_

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "base/table_array.h"
#include "base/table_image.h"
#include "readers/token_list.h"

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

// Both halves of the 128-bit product folded together.
inline uint64_t fold(uint64_t a, uint64_t b) {
  __extension__ typedef unsigned __int128 Wide;
  const Wide product = Wide(a) * b;
  return uint64_t(product) ^ uint64_t(product >> 64);
}

constexpr uint64_t kHashA = 0xA0761D6478BD642FULL;
constexpr uint64_t kHashB = 0xE7037ED1A0B428DBULL;
constexpr uint64_t kHashC = 0x8EBC6AF09C88C6E3ULL;

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

// A well-spread 64-bit hash of `text` under `seed`, short texts (tokens are
// mostly a few bytes) in a handful of instructions. The seed enters both
// factors of every product, so a caller who does not know it cannot make a
// product vanish or predict which texts share a slot; the length takes part,
// so texts that differ only by trailing NUL bytes differ.
inline uint64_t hashText(std::string_view text, uint64_t seed) {
  using token_index_detail::fold;
  using token_index_detail::kHashA;
  using token_index_detail::kHashB;
  using token_index_detail::kHashC;
  using token_index_detail::load32;
  using token_index_detail::load64;
  const char* p = text.data();
  const size_t n = text.size();
  uint64_t state = seed ^ kHashA;
  uint64_t a = 0;
  uint64_t b = 0;
  if (n > 16) {
    size_t i = 0;
    for (; i + 16 < n; i += 16) {
      state = fold(load64(p + i) ^ state ^ kHashB, load64(p + i + 8) ^ state ^ kHashC);
    }
    a = load64(p + n - 16);
    b = load64(p + n - 8);
  } else if (n >= 8) {
    a = load64(p);
    b = load64(p + n - 8);
  } else if (n >= 4) {
    a = load32(p);
    b = load32(p + n - 4);
  } else if (n > 0) {
    a = (uint64_t(uint8_t(p[0])) << 16) | (uint64_t(uint8_t(p[n >> 1])) << 8) | uint8_t(p[n - 1]);
  }
  return fold(fold(a ^ state ^ kHashB, b ^ state ^ kHashC) ^ kHashA, n ^ seed ^ kHashB);
}

// The seed of every table built from a file: random per process, so that no
// file can be crafted in advance to make its keys collide.
uint64_t processHashSeed();

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
  TokenIndex(const std::vector<std::string>& entries, Duplicates duplicates,
             uint64_t seed = processHashSeed());
  // Whether an index over a list keeps a copy of its texts, or reads them
  // in the list, which must then outlive it.
  enum class Texts { kCopied, kBorrowed };
  // The entries of `list`, and the empty text at its highest hole, if any:
  // the text of every id without an entry.
  TokenIndex(const TokenList& list, Duplicates duplicates, uint64_t seed = processHashSeed(),
             Texts texts = Texts::kCopied);
  // An index saved with save(), borrowed from the image. The seed is the
  // image's: its keys are fixed, so a text looked up can only meet the runs
  // of slots they already formed. An index that read its texts in its list
  // reads them in `list` again, which the image saves only once.
  explicit TokenIndex(TableImageReader& image, const TokenList* list = nullptr);
  void save(TableImageWriter& image) const;
  TokenIndex(const TokenIndex&) = delete;
  TokenIndex& operator=(const TokenIndex&) = delete;

  // The id of `text`, or -1.
  int32_t find(std::string_view text) const {
    if (slots_.empty()) return -1;
    const uint64_t h = hashText(text, seed_);
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
  // Slots visited while building, first ones included: a few per text for
  // any keys, unless their hashes collide.
  size_t buildProbes() const { return build_probes_; }

 private:
  struct Slot {
    uint32_t tag = 0;  // high half of the text's hash
    uint32_t offset = 0;
    uint32_t length = 0;
    int32_t id = -1;  // -1: empty slot
  };

  // The slots and texts while an index is built.
  struct Building {
    LargeVector<Slot> slots;
    LargeString arena;
    const char* borrowed = nullptr;  // the list's texts, when not copied
  };
  Building reserve(size_t entries, size_t text_bytes);
  // `h`: hashText(text, seed_).
  void insert(Building& built, std::string_view text, uint64_t h, int32_t id,
              Duplicates duplicates);
  void take(Building&& built);

  TableArray<Slot> slots_;
  TableArray<char, LargeString> arena_;
  bool list_texts_ = false;  // arena_ is the texts of the list indexed
  size_t mask_ = 0;
  size_t count_ = 0;
  uint64_t seed_ = 0;
  size_t build_probes_ = 0;
};

}  // namespace nuvra::readers

#endif  // NUVRA_READERS_TOKEN_INDEX_H_
