#include "bpe/merge_engine.h"

#include <algorithm>
#include <functional>
#include <stdexcept>

namespace nuvra::bpe {
namespace {

constexpr uint32_t kNoMerge = MergeTable::kNoMerge;
// A pair whose neighbour changed in the last pass; looked up again before
// the next. Real priorities stay below it.
constexpr uint32_t kStale = MergeTable::kNoMerge - 1;
// A symbol joined into its left neighbour; also "no neighbour".
constexpr uint32_t kGone = UINT32_MAX;

constexpr std::string_view kWordEnd = "</w>";

}  // namespace

MergeEngine::MergeEngine(const MergeTable& merges, const readers::TokenIndex& token_to_id,
                         uint32_t type, int32_t unknown_id)
    : merges_(merges), token_to_id_(token_to_id), word_end_(type == 1), unknown_id_(unknown_id) {}

void MergeEngine::encodeWord(std::string_view piece, int32_t word_id, int32_t char_start,
                             int32_t char_end, TokenRecords& records) {
  const std::vector<uint32_t>& word = mergeWord(piece);
  if (word.empty()) {
    // No symbols, so the whole (empty) merge result is one token text.
    appendTokenRecord(word_end_ ? kWordEnd : std::string_view(), token_to_id_, unknown_id_,
                      word_id, char_start, char_end, records);
    return;
  }
  for (uint32_t symbol : word) {
    appendTokenRecord(merges_.symbolText(symbol), token_to_id_, unknown_id_, word_id, char_start,
                      char_end, records);
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
  if (n > long_word_symbols_) {
    mergeLong();
  } else {
    mergeShort();
  }
  return symbols_;
}

void MergeEngine::mergeShort() {
  size_t n = symbols_.size();
  uint32_t* symbols = symbols_.data();
  pairs_.resize(n);
  MergeTable::Merge* pairs = pairs_.data();
  for (size_t k = 0; k + 1 < n; ++k) pairs[k].priority = kStale;
  while (n > 1) {
    uint32_t best = kNoMerge;
    uint32_t merged = 0;
    for (size_t k = 0; k + 1 < n; ++k) {
      if (pairs[k].priority == kStale) pairs[k] = merges_.find(symbols[k], symbols[k + 1]);
      if (pairs[k].priority < best) {
        best = pairs[k].priority;
        merged = pairs[k].merged;
      }
    }
    if (best == kNoMerge) break;
    // Priorities name one pair each, so every position holding `best` is an
    // occurrence; taking them left to right and skipping the right half of
    // each join keeps them non-overlapping.
    size_t w = 0;
    for (size_t i = 0; i < n; ++w) {
      if (i + 1 < n && pairs[i].priority == best) {
        symbols[w] = merged;
        pairs[w].priority = kStale;
        if (w > 0) pairs[w - 1].priority = kStale;
        i += 2;
      } else {
        symbols[w] = symbols[i];
        pairs[w] = pairs[i];
        ++i;
      }
    }
    n = w;
  }
  symbols_.resize(n);
}

void MergeEngine::mergeLong() {
  const size_t n = symbols_.size();
  uint32_t* symbols = symbols_.data();
  next_.resize(n);
  prev_.resize(n);
  heap_.clear();
  const std::greater<uint64_t> later;
  auto push = [&](uint32_t left) {
    const MergeTable::Merge m = merges_.find(symbols[left], symbols[next_[left]]);
    if (m.priority == kNoMerge) return;
    heap_.push_back((uint64_t(m.priority) << 32) | left);
    std::push_heap(heap_.begin(), heap_.end(), later);
  };
  for (size_t i = 0; i < n; ++i) {
    next_[i] = i + 1 < n ? uint32_t(i + 1) : kGone;
    prev_[i] = i > 0 ? uint32_t(i - 1) : kGone;
  }
  for (size_t i = 0; i + 1 < n; ++i) {
    const MergeTable::Merge m = merges_.find(symbols[i], symbols[i + 1]);
    if (m.priority != kNoMerge) heap_.push_back((uint64_t(m.priority) << 32) | i);
  }
  std::make_heap(heap_.begin(), heap_.end(), later);

  while (!heap_.empty()) {
    // One pass: every queued occurrence of the best pair, taken out before
    // any join so that pairs the joins form wait for the next pass. Positions
    // keep list order, and the keys sort them left to right.
    const uint32_t best = uint32_t(heap_.front() >> 32);
    batch_.clear();
    while (!heap_.empty() && uint32_t(heap_.front() >> 32) == best) {
      std::pop_heap(heap_.begin(), heap_.end(), later);
      batch_.push_back(uint32_t(heap_.back()));
      heap_.pop_back();
    }
    for (uint32_t left : batch_) {
      // Entries go stale when a neighbour joins; the pair standing there now
      // is checked instead. A join only makes longer symbols, so the best
      // pair cannot reappear during its own pass.
      if (symbols[left] == kGone) continue;
      const uint32_t right = next_[left];
      if (right == kGone) continue;
      const MergeTable::Merge m = merges_.find(symbols[left], symbols[right]);
      if (m.priority != best) continue;
      symbols[left] = m.merged;
      symbols[right] = kGone;
      next_[left] = next_[right];
      if (next_[right] != kGone) prev_[next_[right]] = left;
      if (prev_[left] != kGone) push(prev_[left]);
      if (next_[left] != kGone) push(left);
    }
  }

  size_t w = 0;
  for (size_t i = 0; i < n; ++i) {
    if (symbols[i] != kGone) symbols[w++] = symbols[i];
  }
  symbols_.resize(w);
}

void appendTokenRecord(std::string_view token, const readers::TokenIndex& token_to_id,
                       int32_t unknown_id, int32_t word_id, int32_t char_start,
                       int32_t char_end, TokenRecords& records) {
  int32_t id = token_to_id.find(token);
  if (id < 0) {
    if (unknown_id == -1) return;
    id = unknown_id;
  }
  records.push_back({id, word_id, char_start, char_end});
}

}  // namespace nuvra::bpe
