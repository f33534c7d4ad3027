#ifndef NUVRA_BPE_MERGE_ENGINE_H_
#define NUVRA_BPE_MERGE_ENGINE_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "base/token_record.h"
#include "bpe/merge_table.h"
#include "readers/token_index.h"

namespace nuvra::bpe {

// Merges pre-tokens against one table and vocabulary; holds scratch buffers so
// that a whole encode allocates nothing per word. One per handle (kept warm
// across calls) or per encode call.
//
// Merging goes in passes: each pass takes the best-ranked pair present and
// joins all its non-overlapping occurrences left to right, as they stand at
// the start of the pass; a pair formed during the pass waits for a later
// pass even when it ranks better. "aaaa" with (a, a) and (aa, a) ranked
// gives "aa aa", never "aaa a".
class MergeEngine {
 public:
  // Words of more symbols than this merge through a heap of pairs over a
  // linked list; shorter ones, nearly all, through a plain array loop.
  static constexpr size_t kLongWordSymbols = 32;

  // `word_end`: every word's last symbol carries "</w>" before merging.
  MergeEngine(const MergeTable& merges, const readers::TokenIndex& token_to_id, bool word_end,
              int32_t unknown_id);

  // Appends the records of one pre-token: bytes -> symbols, merged by rank,
  // each resulting token looked up (missing: unknown_id, or dropped when it
  // is -1); every record carries word_id, char_start, char_end. An empty
  // piece is one empty token text ("</w>" for the word-end type).
  void encodeWord(std::string_view piece, int32_t word_id, int32_t char_start, int32_t char_end,
                  TokenRecords& records);

  // The merged symbols of `piece`, valid until the next call; empty for an
  // empty piece.
  const std::vector<uint32_t>& mergeWord(std::string_view piece);

  // Tests lower this to drive both merge loops over the same words.
  void setLongWordSymbols(size_t count) { long_word_symbols_ = count; }

 private:
  void mergeShort();
  void mergeLong();

  // Token ids of recently seen symbols, by symbol id modulo the size: the
  // vocabulary lookup hashes the text, and a few hundred tokens make most
  // of an English text, a few thousand of a Japanese one. -1: not in the
  // vocabulary. Filled a block at a time when first used, so that an engine
  // for one short line costs nothing to make.
  struct CachedId {
    uint32_t symbol;
    int32_t id;
  };
  static constexpr size_t kCachedIds = 4096;
  static constexpr size_t kCachedIdBlocks = 64;
  int32_t tokenId(uint32_t symbol);

  // Token ids of recently seen short words: English text is mostly a few
  // thousand words over and over. A word of up to 16 bytes is its own key
  // (two zero-padded 64-bit halves); each slot holds the last word hashed to
  // it with its ids, when they are few. The memo lives as long as the engine,
  // so no table can change under it; it starts only after some words, and
  // small, and grows with its misses up to a bound, so a short encode does
  // not pay for it and a long one of endless new words does not hold more.
  static constexpr size_t kCachedWordIds = 7;
  struct CachedWord {
    uint64_t low;
    uint64_t high;
    uint8_t length;  // 0: empty slot
    uint8_t count;
    int32_t ids[kCachedWordIds];
  };
  static constexpr size_t kCachedWordBytes = 16;
  static constexpr size_t kFirstCachedWords = 2048;
  static constexpr size_t kMostCachedWords = 32768;
  static constexpr size_t kWordsBeforeCache = 256;
  void encodeMerged(int32_t word_id, int32_t char_start, int32_t char_end, TokenRecords& records);
  // Whether a piece of `size` bytes goes through the word cache; counts it
  // toward starting the cache.
  bool useCache(size_t size);
  // One part of a word, merged alone, through the cache.
  void encodePart(std::string_view part, int32_t word_id, int32_t char_start, int32_t char_end,
                  TokenRecords& records);
  // Appends the cached records of `piece`, if it is cached.
  bool appendCached(std::string_view piece, int32_t word_id, int32_t char_start, int32_t char_end,
                    TokenRecords& records);
  // Caches the ids of records[first...], the records of `piece`, when few.
  void cache(std::string_view piece, size_t first, const TokenRecords& records);

  const MergeTable& merges_;
  const readers::TokenIndex& token_to_id_;
  bool word_end_;
  int32_t unknown_id_;
  size_t long_word_symbols_ = kLongWordSymbols;
  // kCachedIds entries, allocated with the first lookup and left
  // uninitialised until their block is filled.
  std::unique_ptr<CachedId[]> token_ids_;

  // Priorities of recently looked-up pairs, by a hash of the pair: the merge
  // table spans a megabyte, and text in a script of many characters (CJK)
  // asks for the same few thousand byte pairs inside its characters over and
  // over. Allocated with the first word that merges, small; a text of many
  // distinct pairs, which misses often, grows it up to a bound.
  struct CachedPair {
    uint64_t key;  // left << 32 | right; kNoPair: empty
    uint32_t priority;
  };
  static constexpr size_t kFirstCachedPairs = 4096;
  static constexpr size_t kMostCachedPairs = 65536;
  static constexpr uint64_t kNoPair = UINT64_MAX;
  BufferVector<CachedPair> cached_pairs_;
  unsigned cached_pair_shift_ = 64;
  size_t pair_misses_ = 0;
  uint32_t findPair(uint32_t left, uint32_t right) {
    const uint64_t key = (uint64_t(left) << 32) | right;
    CachedPair& slot = cached_pairs_[size_t((key * 0x9E3779B97F4A7C15ULL) >> cached_pair_shift_)];
    if (slot.key == key) return slot.priority;
    slot = {key, merges_.find(left, right)};
    const uint32_t priority = slot.priority;
    if (++pair_misses_ > 2 * cached_pairs_.size() && cached_pairs_.size() < kMostCachedPairs) {
      sizePairCache(2 * cached_pairs_.size());
    }
    return priority;
  }
  // An empty pair cache of `slots`, a power of two.
  void sizePairCache(size_t slots);
  uint64_t filled_id_blocks_ = 0;  // bit b: block b of token_ids_ is filled
  size_t words_seen_ = 0;
  size_t cache_misses_ = 0;
  BufferVector<CachedWord> cached_words_;

  std::vector<uint32_t> symbols_;
  // Array loop: the priority of (symbols_[k], symbols_[k + 1]).
  std::vector<uint32_t> pairs_;
  // Heap loop: the word as a linked list, kept together so that a visit to
  // a position touches one cache line; per priority present, the positions
  // where it was queued, in a list of `lists_` found through a small hash of
  // priorities; a heap of the priorities whose list is not empty.
  struct Node {
    uint32_t symbol;
    uint32_t next;
    uint32_t prev;
  };
  BufferVector<Node> nodes_;
  std::vector<uint32_t> bucket_priority_;
  std::vector<uint32_t> bucket_list_;
  std::vector<std::vector<uint32_t>> lists_;
  std::vector<uint32_t> heap_;
  std::vector<uint32_t> batch_;
};

// Looks one token text up and appends its record (also used for special tokens).
void appendTokenRecord(std::string_view token, const readers::TokenIndex& token_to_id,
                       int32_t unknown_id, int32_t word_id, int32_t char_start, int32_t char_end,
                       TokenRecords& records);

}  // namespace nuvra::bpe

#endif  // NUVRA_BPE_MERGE_ENGINE_H_
