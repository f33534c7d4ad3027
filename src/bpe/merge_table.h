#ifndef NUVRA_BPE_MERGE_TABLE_H_
#define NUVRA_BPE_MERGE_TABLE_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/table_array.h"
#include "base/table_image.h"
#include "readers/merge_file_reader.h"
#include "readers/token_index.h"

namespace nuvra::data {
struct BuiltinMergeList;
}  // namespace nuvra::data

namespace nuvra::bpe {

// Ranked merges of one merge list over interned symbols, immutable once
// built. Every string of the list (left, right, left + right), the 256 byte
// symbols and their word-end forms ("a" + "</w>") gets one symbol id, so the
// engine compares and joins symbols as integers and finds a pair's merge with
// one hash probe.
class MergeTable {
 public:
  // A pair whose rank reaches this never merges.
  static constexpr int32_t kRankLimit = 0x40000000;
  // Priorities order the pairs that merge: a lower one merges first; among
  // pairs of equal rank the one with the smaller (left, right) texts,
  // compared bytewise, has the lower priority, so priorities never tie. This
  // is the priority of a pair that does not merge.
  static constexpr uint32_t kNoMerge = UINT32_MAX;

  // Byte symbols and their word-end forms only: nothing merges.
  MergeTable();
  MergeTable(const MergeTable&) = delete;
  MergeTable& operator=(const MergeTable&) = delete;
  // A pair listed twice keeps its last rank.
  explicit MergeTable(const std::vector<readers::MergePair>& rules);
  // The pairs of a merge file as they are read, each line once.
  explicit MergeTable(readers::MergePairScanner pairs);
  explicit MergeTable(const readers::MergeList& rules);
  // A built-in list, whose tokens are distinct: symbol ids below
  // list.first_merge_id are `base_symbols`, then come the tokens the list
  // makes, in order, then `extra_symbols`. The byte symbol of byte b is
  // `byte_symbols[b]`, its word-end form `word_end_symbols[b]`. Nothing is
  // checked; the generator did that. `seed` places the pairs.
  MergeTable(const data::BuiltinMergeList& list, const std::vector<std::string>& base_symbols,
             const std::vector<std::string>& extra_symbols,
             const std::array<uint32_t, 256>& byte_symbols,
             const std::array<uint32_t, 256>& word_end_symbols, uint64_t seed);
  // A table saved with save(), borrowed from the image.
  explicit MergeTable(TableImageReader& image);
  // Whether save() takes the table: an image holds neither wide slots nor
  // tied ranks.
  bool fitsImage() const {
    return !packed_.empty() && slots_.empty() && priority_ranks_.empty() && unranked_.empty();
  }
  // Throws std::logic_error unless fitsImage().
  void save(TableImageWriter& image) const;

  // Number of distinct pairs, those ranked at or past the limit included.
  size_t size() const { return pair_count_; }
  size_t symbolCount() const { return symbol_offsets_.size() - 1; }
  // Rank of the pair (left, right), if the list has it. Searches the symbols
  // one by one: for tests, not for encoding.
  std::optional<int32_t> rank(std::string_view left, std::string_view right) const;

  uint32_t byteSymbol(uint8_t byte) const { return byte_symbols_[byte]; }
  uint32_t wordEndSymbol(uint8_t byte) const { return word_end_symbols_[byte]; }
  std::string_view symbolText(uint32_t symbol) const {
    return {symbol_text_.data() + symbol_offsets_[symbol],
            symbol_offsets_[symbol + 1] - symbol_offsets_[symbol]};
  }

  // The priority of the pair (left, right) of this table's symbols, or
  // kNoMerge.
  uint32_t find(uint32_t left, uint32_t right) const {
    if (!packed_.empty()) {
      const uint64_t key = (uint64_t(left) << symbol_bits_) | right;
      const uint64_t* packed = packed_.data();
      for (size_t i = slotOf(key);; i = (i + 1) & slot_mask_) {
        const uint64_t slot = packed[i];
        if ((slot >> priority_bits_) == key) return uint32_t(slot & priority_mask_);
        if (slot == kEmptyKey) return kNoMerge;
      }
    }
    const uint64_t key = pairKey(left, right);
    for (size_t i = slotOf(key);; i = (i + 1) & slot_mask_) {
      const Slot& slot = slots_[i];
      if (slot.key == key) return slot.priority;
      if (slot.key == kEmptyKey) return kNoMerge;
    }
  }
  // The symbol that the pair of `priority` joins into.
  uint32_t merged(uint32_t priority) const { return merged_[priority]; }

  // False when no rule joins a symbol ending in byte `left` to one starting
  // with byte `right`: then no merge ever spans two such neighbouring bytes,
  // and the bytes before and after them merge apart.
  bool joinsAcross(uint8_t left, uint8_t right) const {
    const size_t seam = size_t(left) << 8 | right;
    return (seams_[seam / 64] >> (seam % 64)) & 1;
  }
  // False when no merge ever spans the bytes word[k - 1] and word[k], so
  // that the bytes before and after them merge apart: no rule joins a
  // symbol ending in the one or two bytes before k to one starting with the
  // one or two bytes from k. True also now and then when one would not,
  // which only keeps the word whole.
  bool joinsAt(std::string_view word, size_t k) const {
    const auto byte = [&](size_t i) { return int(uint8_t(word[i])); };
    if (!joinsAcross(uint8_t(word[k - 1]), uint8_t(word[k]))) return false;
    const auto listed = [&](uint32_t end, uint32_t start) {
      const size_t bit = contextBit(end, start);
      return ((contexts_[bit / 64] >> (bit % 64)) & 1) != 0;
    };
    // Symbols of one byte first: in most words the bytes themselves join.
    const uint32_t last = endKey(kNoByte, byte(k - 1));
    const uint32_t first = startKey(byte(k), kNoByte);
    const bool two_after = k + 2 <= word.size();
    if (listed(last, first) || (two_after && listed(last, startKey(byte(k), byte(k + 1))))) {
      return true;
    }
    if (k < 2) return false;
    const uint32_t last_two = endKey(byte(k - 2), byte(k - 1));
    return listed(last_two, first) ||
           (two_after && listed(last_two, startKey(byte(k), byte(k + 1))));
  }

 private:
  struct Slot {
    uint64_t key;
    uint32_t priority;
    uint32_t merged;
  };
  // Symbol ids stay below UINT32_MAX, so no pair has this key; nor does a
  // packed slot, whose symbols stay below 2^symbol_bits_ - 1.
  static constexpr uint64_t kEmptyKey = UINT64_MAX;

  static uint64_t pairKey(uint32_t left, uint32_t right) { return (uint64_t(left) << 32) | right; }
  // Seeded per process: a merge file chooses which symbol pairs exist, and
  // must not be able to choose pairs that share a slot.
  size_t slotOf(uint64_t key) const {
    return size_t(readers::token_index_detail::fold(key ^ seed_, multiplier_) >> slot_shift_);
  }

  struct SymbolRule {
    uint32_t left;
    uint32_t right;
    uint32_t merged;
    int32_t rank;
  };

  // Interns the pairs that `next_pair` gives one by one (false at the end),
  // at most `most_rules`, whose texts fill at most `text_bound` bytes, and
  // packs them. `pack_as_read`: the pairs come ranked 0, 1, 2...; false
  // then when a pair comes twice, and the table is to be built again.
  template <typename NextPair>
  bool build(size_t most_rules, size_t text_bound, NextPair next_pair, bool pack_as_read);
  // Packed slots when packDirectly takes the rules, else wide slots and
  // pack(). `ranks_known_distinct` skips looking for ties and negative ranks.
  void packRules(const LargeVector<SymbolRule>& rules, bool ranks_known_distinct);
  // The arrays an image holds, in its order: `Image` a reader or a writer.
  template <typename Image, typename Table>
  static void imageArrays(Image& image, Table& table);
  // Fills seams_ and contexts_ from the rules' texts.
  void findSeams(const LargeVector<SymbolRule>& rules);
  // Sets the bits of the rule joining `left` to `right` in seams_ and
  // contexts_ to be.
  static void markSeam(std::string_view left, std::string_view right, uint64_t* seams,
                       uint64_t* contexts);
  void buildPairs(const LargeVector<SymbolRule>& rules, bool ranks_known_distinct);
  // Puts `key` with `priority` into a free slot of `packed`; false, and
  // nothing put, when the key is there already.
  bool packPair(LargeVector<uint64_t>& packed, uint64_t key, unsigned priority_bits,
                uint64_t priority) const;
  // Takes packed slots and the merged symbols by priority as the table's.
  void takePacked(unsigned symbol_bits, unsigned priority_bits, LargeVector<uint64_t> packed,
                  LargeVector<uint32_t> merged, size_t pair_count);
  // Slots for `pair_count` pairs, at most half full.
  size_t sizeSlots(size_t pair_count);
  // Fills merged_ from the wide slots, and moves them to packed ones when
  // the ids fit.
  void pack();
  // Packed slots straight from the rules, as merge files give them: each
  // pair once, ranks distinct and small. False, the table untouched but for
  // its slot sizes, for any other list.
  bool packDirectly(const LargeVector<SymbolRule>& rules);
  std::optional<uint32_t> findSymbol(std::string_view text) const;

  TableArray<char, LargeString> symbol_text_;
  TableArray<uint32_t> symbol_offsets_ = LargeVector<uint32_t>{0};
  std::array<uint32_t, 256> byte_symbols_{};
  std::array<uint32_t, 256> word_end_symbols_{};
  // Most tables: 8-byte slots, (left << symbol_bits_ | right) <<
  // priority_bits_ | priority, half the cache lines of wide ones; pairs
  // that never merge are left out. Wide slots only for a table whose ids do
  // not fit 64 bits.
  TableArray<uint64_t> packed_;
  unsigned symbol_bits_ = 0;
  unsigned priority_bits_ = 0;
  uint64_t priority_mask_ = 0;
  std::vector<Slot> slots_;
  TableArray<uint32_t> merged_;  // by priority
  // Bit (left << 8 | right): some rule joins a symbol ending in byte `left`
  // to one starting with byte `right`; checked first, in few cache lines.
  TableArray<uint64_t> seams_;
  // The same with up to two bytes on either side, as bits of a hash: a
  // symbol of one byte has its own key, so "a" + "bc" is told from "xa" +
  // "bc". Ends that share a bit only keep a word whole where it could be cut.
  static constexpr int kNoByte = -2;
  static constexpr size_t kContextBits = size_t(1) << 19;
  static constexpr size_t kSeamWords = 256 * 256 / 64;
  static constexpr size_t kContextWords = kContextBits / 64;
  static uint32_t endKey(int before_last, int last) {
    return before_last == kNoByte ? 0x10000u | uint32_t(last)
                                  : uint32_t(before_last) << 8 | uint32_t(last);
  }
  static uint32_t startKey(int first, int after_first) {
    return after_first == kNoByte ? 0x10000u | uint32_t(first)
                                  : uint32_t(first) << 8 | uint32_t(after_first);
  }
  static size_t contextBit(uint32_t end, uint32_t start) {
    const uint64_t key = uint64_t(end) << 17 | start;
    return size_t((key * 0x9E3779B97F4A7C15ULL) >> (64 - 19));
  }
  TableArray<uint64_t> contexts_;
  // For rank(): the rank of each priority when ranks tie (else the priority
  // is the rank), and the pairs at or past the limit, sorted by key.
  std::vector<int32_t> priority_ranks_;
  std::vector<std::pair<uint64_t, int32_t>> unranked_;
  uint64_t seed_ = readers::processHashSeed();
  uint64_t multiplier_ = (0x9E3779B97F4A7C15ULL ^ seed_) | 1;
  size_t slot_mask_ = 0;
  unsigned slot_shift_ = 64;
  size_t pair_count_ = 0;
};

}  // namespace nuvra::bpe

#endif  // NUVRA_BPE_MERGE_TABLE_H_
