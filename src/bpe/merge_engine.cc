#include "bpe/merge_engine.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <stdexcept>

#include "bpe/byte_symbols.h"

namespace nuvra::bpe {
namespace {

constexpr uint32_t kNoMerge = MergeTable::kNoMerge;
// A symbol joined into its left neighbour; also "no neighbour".
constexpr uint32_t kGone = UINT32_MAX;

// The record of a token whose lookup gave `id` (-1: not found).
void appendFound(int32_t id, int32_t unknown_id, int32_t word_id, int32_t char_start,
                 int32_t char_end, TokenRecords& records) {
  if (id < 0) {
    if (unknown_id == -1) return;
    id = unknown_id;
  }
  records.push_back({id, word_id, char_start, char_end});
}

// Slot of a cached word among `slots` (a power of two up to 2^24): the top
// bits of the product depend on every byte. Words that differ only by
// trailing NUL bytes share a slot; their lengths tell them apart.
size_t cachedWordSlot(uint64_t low, uint64_t high, size_t slots) {
  const uint64_t h = (low ^ (high * 0x9E3779B97F4A7C15ULL)) * 0xFF51AFD7ED558CCDULL;
  return size_t(h >> 40) & (slots - 1);
}

// The first n <= 16 bytes of p as two zero-padded little-endian halves,
// read without touching a byte past p + n.
inline void wordKey(const char* p, size_t n, uint64_t& low, uint64_t& high) {
  auto load64 = [](const char* q) {
    uint64_t v;
    std::memcpy(&v, q, 8);
    return v;
  };
  auto load32 = [](const char* q) {
    uint32_t v;
    std::memcpy(&v, q, 4);
    return uint64_t(v);
  };
  if (n >= 8) {
    low = load64(p);
    high = n > 8 ? load64(p + n - 8) >> (8 * (16 - n)) : 0;
  } else if (n >= 4) {
    low = load32(p) | ((load32(p + n - 4) >> (8 * (8 - n))) << 32);
    high = 0;
  } else {
    low = uint64_t(uint8_t(p[0]));
    if (n > 1) low |= uint64_t(uint8_t(p[1])) << 8;
    if (n > 2) low |= uint64_t(uint8_t(p[2])) << 16;
    high = 0;
  }
}

}  // namespace

MergeEngine::MergeEngine(const MergeTable& merges, const readers::TokenIndex& token_to_id,
                         bool word_end, int32_t unknown_id)
    : merges_(merges), token_to_id_(token_to_id), word_end_(word_end), unknown_id_(unknown_id) {}

int32_t MergeEngine::tokenId(uint32_t symbol) {
  constexpr size_t kBlock = kCachedIds / kCachedIdBlocks;
  const size_t at = symbol % kCachedIds;
  const uint64_t bit = uint64_t(1) << (at / kBlock);
  if ((filled_id_blocks_ & bit) == 0) {
    if (!token_ids_) token_ids_.reset(new CachedId[kCachedIds]);
    filled_id_blocks_ |= bit;
    std::fill_n(token_ids_.get() + (at & ~(kBlock - 1)), kBlock, CachedId{kGone, -1});
  }
  CachedId& cached = token_ids_[at];
  if (cached.symbol != symbol) cached = {symbol, token_to_id_.find(merges_.symbolText(symbol))};
  return cached.id;
}

void MergeEngine::encodeWord(std::string_view piece, int32_t word_id, int32_t char_start,
                             int32_t char_end, TokenRecords& records) {
  const size_t n = piece.size();
  if (n == 0) {
    // No symbols, so the whole (empty) merge result is one token text.
    appendTokenRecord(word_end_ ? kWordEndMarker : std::string_view(), token_to_id_, unknown_id_,
                      word_id, char_start, char_end, records);
    return;
  }
  const bool cacheable = useCache(n);
  if (cacheable && appendCached(piece, word_id, char_start, char_end, records)) return;
  const size_t first = records.size();
  // Where no merge can span two neighbouring bytes the word falls into parts
  // that merge alone: a clause of Japanese, one pre-token, is mostly
  // characters and pairs of them seen many times before. A word-end part
  // would carry the marker only at the word's end, which the cache does not
  // tell apart: those words stay whole.
  size_t start = 0;
  if (!word_end_) {
    for (size_t k = 1; k < n; ++k) {
      if (merges_.joinsAt(piece, k)) continue;
      encodePart(piece.substr(start, k - start), word_id, char_start, char_end, records);
      start = k;
    }
  }
  if (start > 0) {
    encodePart(piece.substr(start), word_id, char_start, char_end, records);
  } else {
    mergeWord(piece);
    encodeMerged(word_id, char_start, char_end, records);
  }
  if (cacheable) cache(piece, first, records);
}

bool MergeEngine::useCache(size_t size) {
  return size <= kCachedWordBytes && ++words_seen_ >= kWordsBeforeCache;
}

void MergeEngine::encodePart(std::string_view part, int32_t word_id, int32_t char_start,
                             int32_t char_end, TokenRecords& records) {
  if (part.size() == 1) {
    appendFound(tokenId(merges_.byteSymbol(uint8_t(part[0]))), unknown_id_, word_id, char_start,
                char_end, records);
    return;
  }
  const bool cacheable = useCache(part.size());
  if (cacheable && appendCached(part, word_id, char_start, char_end, records)) return;
  const size_t first = records.size();
  mergeWord(part);
  encodeMerged(word_id, char_start, char_end, records);
  if (cacheable) cache(part, first, records);
}

bool MergeEngine::appendCached(std::string_view piece, int32_t word_id, int32_t char_start,
                               int32_t char_end, TokenRecords& records) {
  if (cached_words_.empty()) cached_words_.assign(kFirstCachedWords, CachedWord{});
  uint64_t low = 0;
  uint64_t high = 0;
  wordKey(piece.data(), piece.size(), low, high);
  const CachedWord& slot = cached_words_[cachedWordSlot(low, high, cached_words_.size())];
  if (slot.length != piece.size() || slot.low != low || slot.high != high) return false;
  for (uint32_t i = 0; i < slot.count; ++i) {
    records.push_back({slot.ids[i], word_id, char_start, char_end});
  }
  return true;
}

void MergeEngine::cache(std::string_view piece, size_t first, const TokenRecords& records) {
  const size_t count = records.size() - first;
  if (count > kCachedWordIds) return;
  // Many misses: a text of many distinct words, worth a larger table, which
  // takes the words cached so far along.
  if (++cache_misses_ > cached_words_.size() / 2 && cached_words_.size() < kMostCachedWords) {
    BufferVector<CachedWord> old(2 * cached_words_.size(), CachedWord{});
    old.swap(cached_words_);
    for (const CachedWord& word : old) {
      if (word.length != 0) {
        cached_words_[cachedWordSlot(word.low, word.high, cached_words_.size())] = word;
      }
    }
    cache_misses_ = 0;
  }
  CachedWord word{0, 0, uint8_t(piece.size()), uint8_t(count), {}};
  wordKey(piece.data(), piece.size(), word.low, word.high);
  for (size_t i = 0; i < count; ++i) word.ids[i] = records[first + i].id;
  cached_words_[cachedWordSlot(word.low, word.high, cached_words_.size())] = word;
}

void MergeEngine::encodeMerged(int32_t word_id, int32_t char_start, int32_t char_end,
                               TokenRecords& records) {
  for (uint32_t symbol : symbols_) {
    appendFound(tokenId(symbol), unknown_id_, word_id, char_start, char_end, records);
  }
}

const std::vector<uint32_t>& MergeEngine::mergeWord(std::string_view piece) {
  const size_t n = piece.size();
  if (n >= kGone) throw std::length_error("pre-token too long");
  symbols_.resize(n);
  for (size_t i = 0; i < n; ++i) symbols_[i] = merges_.byteSymbol(uint8_t(piece[i]));
  // "</w>" joins the last symbol before any merge: "a" is the one symbol "a</w>".
  if (word_end_ && n > 0) symbols_[n - 1] = merges_.wordEndSymbol(uint8_t(piece[n - 1]));
  if (n < 2) return symbols_;
  if (cached_pairs_.empty()) sizePairCache(kFirstCachedPairs);
  if (n > long_word_symbols_) {
    mergeLong();
  } else {
    mergeShort();
  }
  return symbols_;
}

void MergeEngine::sizePairCache(size_t slots) {
  cached_pairs_.assign(slots, CachedPair{kNoPair, 0});
  cached_pair_shift_ = 64;
  for (size_t s = slots; s > 1; s /= 2) --cached_pair_shift_;
  pair_misses_ = 0;
}

void MergeEngine::mergeShort() {
  size_t n = symbols_.size();
  uint32_t* symbols = symbols_.data();
  pairs_.resize(n);
  uint32_t* pairs = pairs_.data();
  // The best priority present and the first position holding it.
  uint32_t best = kNoMerge;
  size_t first = 0;
  for (size_t k = 0; k + 1 < n; ++k) {
    pairs[k] = findPair(symbols[k], symbols[k + 1]);
    if (pairs[k] < best) {
      best = pairs[k];
      first = k;
    }
  }
  while (best != kNoMerge) {
    const uint32_t merged = merges_.merged(best);
    uint32_t next_best = kNoMerge;
    size_t next_first = 0;
    // Before the first occurrence nothing moves; only the pair reaching
    // into it changes.
    for (size_t k = 0; k + 1 < first; ++k) {
      if (pairs[k] < next_best) {
        next_best = pairs[k];
        next_first = k;
      }
    }
    // One sweep joins, closes the gaps, looks up the pairs the joins made
    // and finds the next best. Priorities name one pair each, so every
    // position holding `best` is an occurrence; taking them left to right
    // and skipping the right half of each join keeps them non-overlapping.
    size_t w = first;
    bool changed = false;  // symbol w - 1 was just joined
    for (size_t i = first; i < n; ++w) {
      const bool join = i + 1 < n && pairs[i] == best;
      const uint32_t symbol = join ? merged : symbols[i];
      const uint32_t pair = pairs[i];
      i += join ? 2 : 1;
      symbols[w] = symbol;
      if (w > 0) {
        if (changed || join) pairs[w - 1] = findPair(symbols[w - 1], symbol);
        if (pairs[w - 1] < next_best) {
          next_best = pairs[w - 1];
          next_first = w - 1;
        }
      }
      pairs[w] = pair;
      changed = join;
    }
    n = w;
    best = next_best;
    first = next_first;
  }
  symbols_.resize(n);
}

void MergeEngine::mergeLong() {
  const size_t n = symbols_.size();
  nodes_.resize(n);
  Node* nodes = nodes_.data();
  for (size_t i = 0; i < n; ++i) {
    nodes[i] = {symbols_[i], i + 1 < n ? uint32_t(i + 1) : kGone, i > 0 ? uint32_t(i - 1) : kGone};
  }
  // Each join queues at most two pairs, so fewer than 3n priorities, and no
  // more than the table's pairs, are ever present: the hash of priorities
  // stays at most three quarters full.
  const size_t most = std::min(3 * n, merges_.size() + 1);
  size_t buckets = 16;
  unsigned bits = 4;
  while (buckets < 4 * most / 3 + 1) {
    buckets *= 2;
    ++bits;
  }
  bucket_priority_.assign(buckets, kNoMerge);
  bucket_list_.resize(buckets);
  size_t lists_used = 0;
  heap_.clear();
  const std::greater<uint32_t> later;

  auto list_of = [&](uint32_t priority) -> std::vector<uint32_t>& {
    size_t b = size_t((uint64_t(priority) * 0x9E3779B97F4A7C15ULL) >> (64 - bits));
    while (bucket_priority_[b] != priority && bucket_priority_[b] != kNoMerge) {
      b = (b + 1) & (buckets - 1);
    }
    if (bucket_priority_[b] == kNoMerge) {
      // A priority seen first: it takes the next list, kept from earlier words.
      bucket_priority_[b] = priority;
      bucket_list_[b] = uint32_t(lists_used);
      if (lists_used == lists_.size()) lists_.emplace_back();
      lists_[lists_used++].clear();
    }
    return lists_[bucket_list_[b]];
  };
  auto queue = [&](uint32_t left) {
    const uint32_t priority = findPair(nodes[left].symbol, nodes[nodes[left].next].symbol);
    if (priority == kNoMerge) return;
    std::vector<uint32_t>& list = list_of(priority);
    if (list.empty()) {
      heap_.push_back(priority);
      std::push_heap(heap_.begin(), heap_.end(), later);
    }
    list.push_back(left);
  };
  for (size_t i = 0; i + 1 < n; ++i) queue(uint32_t(i));

  while (!heap_.empty()) {
    // One pass: every queued occurrence of the best pair, taken out before
    // any join so that pairs the joins form wait for the next pass.
    std::pop_heap(heap_.begin(), heap_.end(), later);
    const uint32_t best = heap_.back();
    heap_.pop_back();
    batch_.clear();
    batch_.swap(list_of(best));
    // Queued entries go stale when a neighbour joins; the pair standing
    // there now is checked instead. A join only makes longer symbols, so the
    // best pair cannot be formed again during its own pass.
    auto standing = [&](uint32_t left) {
      const Node& node = nodes[left];
      if (node.symbol == kGone || node.next == kGone) return kNoMerge;
      return findPair(node.symbol, nodes[node.next].symbol);
    };
    const uint32_t merged = merges_.merged(best);
    // Occurrences of (x, y) never overlap unless x is y; in "aaa" the
    // leftmost joins first, so then they go left to right.
    for (uint32_t left : batch_) {
      if (standing(left) != best) continue;
      if (nodes[left].symbol == nodes[nodes[left].next].symbol) {
        std::sort(batch_.begin(), batch_.end());
      }
      break;
    }
    // In a long word the positions lie far apart: each is fetched a few
    // joins ahead.
    constexpr size_t kAhead = 8;
    for (size_t k = 0; k < batch_.size(); ++k) {
      if (k + kAhead < batch_.size()) __builtin_prefetch(&nodes[batch_[k + kAhead]]);
      const uint32_t left = batch_[k];
      if (standing(left) != best) continue;
      Node& node = nodes[left];
      Node& right = nodes[node.next];
      node.symbol = merged;
      right.symbol = kGone;
      node.next = right.next;
      if (node.next != kGone) nodes[node.next].prev = left;
      if (node.prev != kGone) queue(node.prev);
      if (node.next != kGone) queue(left);
    }
  }

  size_t w = 0;
  for (size_t i = 0; i < n; ++i) {
    if (nodes[i].symbol != kGone) symbols_[w++] = nodes[i].symbol;
  }
  symbols_.resize(w);
}

void appendTokenRecord(std::string_view token, const readers::TokenIndex& token_to_id,
                       int32_t unknown_id, int32_t word_id, int32_t char_start, int32_t char_end,
                       TokenRecords& records) {
  appendFound(token_to_id.find(token), unknown_id, word_id, char_start, char_end, records);
}

}  // namespace nuvra::bpe
