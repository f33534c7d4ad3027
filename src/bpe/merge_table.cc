#include "bpe/merge_table.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "base/utf8.h"
#include "bpe/byte_symbols.h"
#include "data/builtin_merge_lists.h"
#include "readers/token_index.h"

namespace nuvra::bpe {
namespace {

constexpr uint64_t kNoSlot = UINT64_MAX;

// Bits to write any value below `limit`, all ones excluded: at least 1.
unsigned bitsBelow(uint64_t limit) {
  unsigned bits = 1;
  while (bits < 64 && (uint64_t(1) << bits) <= limit) ++bits;
  return bits;
}

}  // namespace

MergeTable::MergeTable() : MergeTable(std::vector<readers::MergePair>()) {}

MergeTable::MergeTable(const readers::MergeList& rules)
    : MergeTable([&] {
        std::vector<readers::MergePair> pairs;
        pairs.reserve(rules.size());
        for (const readers::MergeRule& rule : rules) {
          pairs.push_back({rule.left, rule.right, rule.rank});
        }
        return pairs;
      }()) {}

MergeTable::MergeTable(const std::vector<readers::MergePair>& rules) {
  size_t text_bound = 0;
  for (const readers::MergePair& rule : rules) {
    text_bound += 2 * (rule.left.size() + rule.right.size());
  }
  size_t r = 0;
  build(
      rules.size(), text_bound,
      [&](readers::MergePair& pair) {
        if (r == rules.size()) return false;
        pair = rules[r++];
        return true;
      },
      false);
}

MergeTable::MergeTable(readers::MergePairScanner pairs) {
  // A merged text is no longer than the line of its pair. A file ranks its
  // pairs by line, so they pack as read, unless a pair comes twice: then
  // the file is read again and its ranks sorted out.
  const readers::MergePairScanner from_start = pairs;
  const auto next = [&](readers::MergePair& pair) { return pairs.next(pair); };
  if (build(pairs.mostPairs(), 2 * pairs.content().size(), next, true)) return;
  pairs = from_start;
  build(pairs.mostPairs(), 2 * pairs.content().size(), next, false);
}

template <typename NextPair>
bool MergeTable::build(size_t most_rules, size_t text_bound, NextPair next_pair,
                       bool pack_as_read) {
  const ByteEncoder& encoder = byteEncoder();
  LargeString text;
  LargeVector<uint32_t> offsets{0};
  text.reserve(256 * (2 + kWordEndMarker.size() + 2) + text_bound);
  offsets.reserve(256 * 2 + most_rules * 3 + 1);

  // Symbol ids by text: open addressing, each slot the id beside the high
  // half of its text's hash, so a probe reads another symbol's text only
  // when the halves agree; at most four fifths full. Sized for a merge
  // file's symbols, about one per rule (its merged token), and doubled
  // when a list has more.
  size_t capacity = 16;
  const size_t expected_symbols = 512 + most_rules + most_rules / 64;
  while (capacity * 4 < expected_symbols * 5) capacity *= 2;
  LargeVector<uint64_t> ids(capacity, kNoSlot);
  const uint64_t seed = readers::processHashSeed();
  auto place = [&](uint64_t hash, uint32_t id) {
    size_t i = size_t(hash) & (capacity - 1);
    while (ids[i] != kNoSlot) i = (i + 1) & (capacity - 1);
    ids[i] = (hash & ~uint64_t(UINT32_MAX)) | id;
  };
  auto grow = [&] {
    capacity *= 2;
    ids.assign(capacity, kNoSlot);
    for (uint32_t id = 0; id + 1 < offsets.size(); ++id) {
      const std::string_view symbol(text.data() + offsets[id], offsets[id + 1] - offsets[id]);
      place(readers::hashText(symbol, seed), id);
    }
  };
  auto intern = [&](std::string_view symbol, uint64_t hash) {
    const uint64_t tag = hash & ~uint64_t(UINT32_MAX);
    size_t i = size_t(hash) & (capacity - 1);
    for (; ids[i] != kNoSlot; i = (i + 1) & (capacity - 1)) {
      if ((ids[i] & ~uint64_t(UINT32_MAX)) != tag) continue;
      const auto id = uint32_t(ids[i]);
      if (offsets[id + 1] - offsets[id] == symbol.size() &&
          readers::token_index_detail::sameBytes(text.data() + offsets[id], symbol.data(),
                                                  symbol.size())) {
        return id;
      }
    }
    if (text.size() + symbol.size() >= UINT32_MAX || offsets.size() >= UINT32_MAX) {
      throw std::length_error("merge table too large");
    }
    text.append(symbol);
    offsets.push_back(uint32_t(text.size()));
    const auto id = uint32_t(offsets.size() - 2);
    ids[i] = tag | id;
    if ((size_t(id) + 1) * 5 > capacity * 4) grow();
    return id;
  };
  std::string joined;
  for (int b = 0; b < 256; ++b) {
    const std::string_view symbol = encoder.symbols[size_t(b)].text();
    byte_symbols_[size_t(b)] = intern(symbol, readers::hashText(symbol, seed));
  }
  for (int b = 0; b < 256; ++b) {
    joined.assign(encoder.symbols[size_t(b)].text()).append(kWordEndMarker);
    word_end_symbols_[size_t(b)] = intern(joined, readers::hashText(joined, seed));
  }

  // Each rule interns its left, right and joined texts. Nearly every first
  // probe misses the cache, so the rules are read a few ahead of the one
  // interned, their texts hashed and their slots fetched.
  struct Ahead {
    readers::MergePair pair;
    std::string_view joined;  // in `room`, or in `spill` when longer
    char room[32];
    std::string spill;
    uint64_t left;
    uint64_t right;
    uint64_t joined_hash;
  };
  constexpr size_t kAhead = 8;
  Ahead ahead[kAhead];
  const auto read_ahead = [&](Ahead& slot) {
    if (!next_pair(slot.pair)) return false;
    const std::string_view left = slot.pair.left;
    const std::string_view right = slot.pair.right;
    if (left.size() + right.size() <= sizeof slot.room) {
      std::memcpy(slot.room, left.data(), left.size());
      std::memcpy(slot.room + left.size(), right.data(), right.size());
      slot.joined = {slot.room, left.size() + right.size()};
    } else {
      slot.spill.assign(left).append(right);
      slot.joined = slot.spill;
    }
    slot.left = readers::hashText(slot.pair.left, seed);
    slot.right = readers::hashText(slot.pair.right, seed);
    slot.joined_hash = readers::hashText(slot.joined, seed);
    for (const uint64_t hash : {slot.left, slot.right, slot.joined_hash}) {
      __builtin_prefetch(&ids[size_t(hash) & (capacity - 1)]);
    }
    return true;
  };
  size_t read = 0;
  while (read < kAhead && read_ahead(ahead[read])) ++read;

  // Packed as read, when asked: ranks distinct from 0, each its pair's
  // priority, and ids that fit the bounds the list's length sets. Each pair
  // goes into its slot some rules after it is read, the slot fetched
  // meanwhile. False on a pair listed twice.
  const unsigned symbol_bits = bitsBelow(512 + 3 * most_rules);
  const unsigned priority_bits = bitsBelow(most_rules);
  pack_as_read &= 2 * symbol_bits + priority_bits <= 64 && most_rules <= size_t(kRankLimit);
  LargeVector<SymbolRule> symbol_rules;
  LargeVector<uint64_t> packed;
  LargeVector<uint32_t> merged_by_rank;
  if (pack_as_read) {
    packed.assign(sizeSlots(most_rules), kEmptyKey);
    merged_by_rank.reserve(most_rules);
  } else {
    symbol_rules.reserve(most_rules);
  }
  constexpr size_t kSlotAhead = 8;
  uint64_t keys[kSlotAhead];
  // The seams too, while the rule's texts are at hand.
  LargeVector<uint64_t> seams(kSeamWords, 0);
  LargeVector<uint64_t> contexts(kContextWords, 0);
  for (size_t r = 0; r < read; ++r) {
    Ahead& rule = ahead[r % kAhead];
    const uint32_t left = intern(rule.pair.left, rule.left);
    const uint32_t right = intern(rule.pair.right, rule.right);
    const uint32_t merged = intern(rule.joined, rule.joined_hash);
    if (pack_as_read) {
      const uint64_t key = uint64_t(left) << symbol_bits | right;
      __builtin_prefetch(&packed[slotOf(key)]);
      if (r >= kSlotAhead &&
          !packPair(packed, keys[r % kSlotAhead], priority_bits, r - kSlotAhead)) {
        return false;
      }
      keys[r % kSlotAhead] = key;
      merged_by_rank.push_back(merged);
    } else {
      symbol_rules.push_back({left, right, merged, rule.pair.rank});
    }
    markSeam(rule.pair.left, rule.pair.right, seams.data(), contexts.data());
    // Its slot now takes the rule kAhead further on.
    if (read == r + kAhead && read_ahead(rule)) ++read;
  }
  if (pack_as_read) {
    for (size_t r = read > kSlotAhead ? read - kSlotAhead : 0; r < read; ++r) {
      if (!packPair(packed, keys[r % kSlotAhead], priority_bits, r)) return false;
    }
  }
  symbol_text_ = std::move(text);
  symbol_offsets_ = std::move(offsets);
  seams_ = std::move(seams);
  contexts_ = std::move(contexts);
  if (!pack_as_read) {
    packRules(symbol_rules, false);
    return true;
  }
  takePacked(symbol_bits, priority_bits, std::move(packed), std::move(merged_by_rank), read);
  return true;
}

bool MergeTable::packPair(LargeVector<uint64_t>& packed, uint64_t key, unsigned priority_bits,
                          uint64_t priority) const {
  size_t i = slotOf(key);
  for (; packed[i] != kEmptyKey; i = (i + 1) & slot_mask_) {
    if ((packed[i] >> priority_bits) == key) return false;
  }
  packed[i] = (key << priority_bits) | priority;
  return true;
}

void MergeTable::takePacked(unsigned symbol_bits, unsigned priority_bits,
                            LargeVector<uint64_t> packed, LargeVector<uint32_t> merged,
                            size_t pair_count) {
  symbol_bits_ = symbol_bits;
  priority_bits_ = priority_bits;
  priority_mask_ = (uint64_t(1) << priority_bits) - 1;
  packed_ = std::move(packed);
  merged_ = std::move(merged);
  pair_count_ = pair_count;
}

void MergeTable::packRules(const LargeVector<SymbolRule>& rules, bool ranks_known_distinct) {
  if (seams_.empty()) findSeams(rules);
  if (packDirectly(rules)) return;
  buildPairs(rules, ranks_known_distinct);
  pack();
}

void MergeTable::markSeam(std::string_view left, std::string_view right, uint64_t* seams,
                          uint64_t* contexts) {
  // Every symbol a word holds spells its bytes in the byte alphabet, one
  // character of one or two bytes each (a word-end symbol too, its marker
  // after the last byte's character), so its first and last two characters
  // name its first and last two bytes. A symbol whose ends are no characters
  // of the alphabet never forms, nor do its pairs.
  const ByteDecoder& decoder = byteDecoder();
  // The byte of the character at `at`, which moves past it; -1 for none.
  const auto next_byte = [&](std::string_view text, size_t& at) {
    uint32_t codepoint = 0;
    const int size =
        utf8DecodeChar(text.data() + at, int32_t(std::min<size_t>(text.size() - at, 2)), codepoint);
    if (size == 0) return -1;
    at += size_t(size);
    return decoder.byteOf(codepoint);
  };
  // The byte of the character ending at `end`, which moves before it.
  const auto previous_byte = [&](std::string_view text, size_t& end) {
    const size_t size = uint8_t(text[end - 1]) < 0x80 ? 1 : 2;
    uint32_t codepoint = 0;
    if (end < size ||
        utf8DecodeChar(text.data() + end - size, int32_t(size), codepoint) != int(size)) {
      return -1;
    }
    end -= size;
    return decoder.byteOf(codepoint);
  };
  if (left.empty() || right.empty()) return;
  size_t end = left.size();
  const int last = previous_byte(left, end);
  const int before_last = end > 0 ? previous_byte(left, end) : kNoByte;
  size_t at = 0;
  const int first = next_byte(right, at);
  const int after_first = at < right.size() ? next_byte(right, at) : kNoByte;
  if (last < 0 || before_last == -1 || first < 0 || after_first == -1) return;
  const size_t bit = size_t(last) << 8 | size_t(first);
  seams[bit / 64] |= uint64_t(1) << (bit % 64);
  const size_t context = contextBit(endKey(before_last, last), startKey(first, after_first));
  contexts[context / 64] |= uint64_t(1) << (context % 64);
}

void MergeTable::findSeams(const LargeVector<SymbolRule>& rules) {
  LargeVector<uint64_t> seams(kSeamWords, 0);
  LargeVector<uint64_t> contexts(kContextWords, 0);
  for (const SymbolRule& rule : rules) {
    markSeam(symbolText(rule.left), symbolText(rule.right), seams.data(), contexts.data());
  }
  seams_ = std::move(seams);
  contexts_ = std::move(contexts);
}

bool MergeTable::packDirectly(const LargeVector<SymbolRule>& rules) {
  // Ranks distinct and below the bound, so each is its pair's priority; a
  // rank at the limit never merges, which only the wide slots say.
  const size_t bound = std::min(rules.size() * 4 + 1024, size_t(kRankLimit));
  std::vector<bool> rank_taken(bound);
  uint64_t priorities = 0;
  for (const SymbolRule& rule : rules) {
    if (rule.rank < 0 || size_t(rule.rank) >= bound || rank_taken[size_t(rule.rank)]) {
      return false;
    }
    rank_taken[size_t(rule.rank)] = true;
    priorities = std::max<uint64_t>(priorities, uint64_t(rule.rank) + 1);
  }
  const unsigned symbol_bits = bitsBelow(symbolCount());
  const unsigned priority_bits = bitsBelow(priorities);
  if (2 * symbol_bits + priority_bits > 64) return false;

  const size_t capacity = sizeSlots(rules.size());
  LargeVector<uint64_t> packed(capacity, kEmptyKey);
  LargeVector<uint32_t> merged(priorities, 0);
  // The slots miss the cache: fetched some rules ahead.
  constexpr size_t kAhead = 16;
  const auto key_of = [&](const SymbolRule& rule) {
    return (uint64_t(rule.left) << symbol_bits) | rule.right;
  };
  for (size_t r = 0; r < rules.size(); ++r) {
    if (r + kAhead < rules.size()) __builtin_prefetch(&packed[slotOf(key_of(rules[r + kAhead]))]);
    // False: a pair listed twice.
    if (!packPair(packed, key_of(rules[r]), priority_bits, uint64_t(rules[r].rank))) return false;
    merged[size_t(rules[r].rank)] = rules[r].merged;
  }
  takePacked(symbol_bits, priority_bits, std::move(packed), std::move(merged), rules.size());
  return true;
}

MergeTable::MergeTable(const data::BuiltinMergeList& list,
                       const std::vector<std::string>& base_symbols,
                       const std::vector<std::string>& extra_symbols,
                       const std::array<uint32_t, 256>& byte_symbols,
                       const std::array<uint32_t, 256>& word_end_symbols, uint64_t seed)
    : byte_symbols_(byte_symbols),
      word_end_symbols_(word_end_symbols),
      seed_(seed),
      multiplier_((0x9E3779B97F4A7C15ULL ^ seed) | 1) {
  const size_t base = list.first_merge_id;
  const size_t token_count = base + list.merge_count;
  const uint16_t* pairs = list.pairs;
  // Offsets first, a token being as long as its two parts, then the text,
  // each token copied from its parts earlier in the same buffer.
  LargeVector<uint32_t> offset_list(token_count + extra_symbols.size() + 1);
  uint32_t* offsets = offset_list.data();
  auto length = [&](size_t id) { return offsets[id + 1] - offsets[id]; };
  for (size_t i = 0; i < base; ++i) offsets[i + 1] = offsets[i] + uint32_t(base_symbols[i].size());
  for (size_t k = 0; k < list.merge_count; ++k) {
    offsets[base + k + 1] = offsets[base + k] + length(pairs[2 * k]) + length(pairs[2 * k + 1]);
  }
  for (size_t e = 0; e < extra_symbols.size(); ++e) {
    offsets[token_count + e + 1] = offsets[token_count + e] + uint32_t(extra_symbols[e].size());
  }
  LargeString symbol_text(offset_list.back(), '\0');
  char* text = symbol_text.data();
  for (size_t i = 0; i < base; ++i) {
    std::memcpy(text + offsets[i], base_symbols[i].data(), base_symbols[i].size());
  }
  for (size_t k = 0; k < list.merge_count; ++k) {
    const uint16_t left = pairs[2 * k];
    const uint16_t right = pairs[2 * k + 1];
    std::memcpy(text + offsets[base + k], text + offsets[left], length(left));
    std::memcpy(text + offsets[base + k] + length(left), text + offsets[right], length(right));
  }
  for (size_t e = 0; e < extra_symbols.size(); ++e) {
    std::memcpy(text + offsets[token_count + e], extra_symbols[e].data(), extra_symbols[e].size());
  }
  symbol_text_ = std::move(symbol_text);
  symbol_offsets_ = std::move(offset_list);
  // Rule k joins its two tokens into token base + k, with rank k; its pair
  // is unique, since the tokens are.
  LargeVector<SymbolRule> rules(list.merge_count);
  for (size_t k = 0; k < list.merge_count; ++k) {
    rules[k] = {pairs[2 * k], pairs[2 * k + 1], uint32_t(base + k), int32_t(k)};
  }
  packRules(rules, true);
}

template <typename Image, typename Table>
void MergeTable::imageArrays(Image& image, Table& table) {
  image.array(table.symbol_text_);
  image.array(table.symbol_offsets_);
  image.array(table.packed_);
  image.array(table.merged_);
  image.array(table.seams_);
  image.array(table.contexts_);
}

MergeTable::MergeTable(TableImageReader& image) : seed_(0), multiplier_(0) {
  imageArrays(image, *this);
  if (seams_.size() != kSeamWords || contexts_.size() != kContextWords) {
    throw std::logic_error("table image does not match");
  }
  for (std::array<uint32_t, 256>* symbols : {&byte_symbols_, &word_end_symbols_}) {
    TableArray<uint32_t> saved;
    image.array(saved);
    if (saved.size() != symbols->size()) throw std::logic_error("table image does not match");
    std::copy(saved.begin(), saved.end(), symbols->begin());
  }
  symbol_bits_ = unsigned(image.number());
  priority_bits_ = unsigned(image.number());
  priority_mask_ = image.number();
  seed_ = image.number();
  multiplier_ = image.number();
  slot_mask_ = size_t(image.number());
  slot_shift_ = unsigned(image.number());
  pair_count_ = size_t(image.number());
}

void MergeTable::save(TableImageWriter& image) const {
  if (!fitsImage()) {
    throw std::logic_error("only packed tables of distinct ranks go into an image");
  }
  imageArrays(image, *this);
  image.array(byte_symbols_.data(), byte_symbols_.size());
  image.array(word_end_symbols_.data(), word_end_symbols_.size());
  for (const uint64_t number : {uint64_t(symbol_bits_), uint64_t(priority_bits_), priority_mask_,
                                seed_, multiplier_, uint64_t(slot_mask_), uint64_t(slot_shift_),
                                uint64_t(pair_count_)}) {
    image.number(number);
  }
}

size_t MergeTable::sizeSlots(size_t pair_count) {
  size_t capacity = 16;
  unsigned bits = 4;
  while (capacity < pair_count * 2) {
    capacity *= 2;
    ++bits;
  }
  slot_mask_ = capacity - 1;
  slot_shift_ = 64 - bits;
  return capacity;
}

void MergeTable::pack() {
  uint64_t priorities = 0;
  for (const Slot& slot : slots_) {
    if (slot.key != kEmptyKey && slot.priority != kNoMerge) {
      priorities = std::max<uint64_t>(priorities, uint64_t(slot.priority) + 1);
    }
  }
  LargeVector<uint32_t> merged(priorities, 0);
  for (const Slot& slot : slots_) {
    if (slot.key != kEmptyKey && slot.priority != kNoMerge) merged[slot.priority] = slot.merged;
  }
  merged_ = std::move(merged);
  symbol_bits_ = bitsBelow(symbolCount());
  priority_bits_ = bitsBelow(priorities);
  if (2 * symbol_bits_ + priority_bits_ > 64) return;
  priority_mask_ = (uint64_t(1) << priority_bits_) - 1;
  LargeVector<uint64_t> packed(slots_.size(), kEmptyKey);
  for (const Slot& slot : slots_) {
    if (slot.key == kEmptyKey || slot.priority == kNoMerge) continue;
    // Each pair has one slot: nothing is refused.
    packPair(packed, (uint64_t(slot.key >> 32) << symbol_bits_) | uint32_t(slot.key),
             priority_bits_, slot.priority);
  }
  packed_ = std::move(packed);
  slots_ = std::vector<Slot>();
}

void MergeTable::buildPairs(const LargeVector<SymbolRule>& rules, bool ranks_known_distinct) {
  const size_t rule_count = rules.size();
  const size_t capacity = sizeSlots(rule_count);
  slots_.assign(capacity, Slot{kEmptyKey, 0, 0});

  // First the keys, a later rule of the same pair taking the slot over; the
  // slot's priority holds its rule's index until priorities are known.
  for (size_t r = 0; r < rule_count; ++r) {
    const SymbolRule& rule = rules[r];
    const uint64_t key = pairKey(rule.left, rule.right);
    for (size_t i = slotOf(key);; i = (i + 1) & slot_mask_) {
      Slot& slot = slots_[i];
      if (slot.key == kEmptyKey) {
        slot.key = key;
        ++pair_count_;
      } else if (slot.key != key) {
        continue;
      }
      slot.priority = uint32_t(r);
      break;
    }
  }

  // Merge lists number their lines, so ranks are distinct and the rank
  // itself can be the priority; only a table built otherwise needs the tie
  // order, and then a sort.
  std::vector<bool> rank_taken;
  const bool check_ranks = !ranks_known_distinct;
  bool distinct = true;
  for (Slot& slot : slots_) {
    if (slot.key == kEmptyKey) continue;
    const SymbolRule& rule = rules[slot.priority];
    slot.merged = rule.merged;
    if (rule.rank >= kRankLimit) {
      unranked_.emplace_back(slot.key, rule.rank);
    } else if (check_ranks && distinct) {
      const size_t bound = rule_count * 4 + 1024;
      if (rule.rank < 0 || size_t(rule.rank) >= bound) {
        distinct = false;
        continue;
      }
      if (rank_taken.empty()) rank_taken.resize(bound);
      if (rank_taken[size_t(rule.rank)]) distinct = false;
      rank_taken[size_t(rule.rank)] = true;
    }
    if (!check_ranks) slot.priority = rule.rank < kRankLimit ? uint32_t(rule.rank) : kNoMerge;
  }
  std::sort(unranked_.begin(), unranked_.end());
  if (!check_ranks) return;

  auto rank_at = [&](const Slot& slot) { return rules[slot.priority].rank; };
  if (distinct) {
    for (Slot& slot : slots_) {
      if (slot.key == kEmptyKey) continue;
      const int32_t rank = rank_at(slot);
      slot.priority = rank < kRankLimit ? uint32_t(rank) : kNoMerge;
    }
    return;
  }
  // (rank, left text, right text) in order become priorities 0, 1, 2, ...
  std::vector<size_t> ranked_slots;
  for (size_t i = 0; i < capacity; ++i) {
    if (slots_[i].key != kEmptyKey && rank_at(slots_[i]) < kRankLimit) ranked_slots.push_back(i);
  }
  std::sort(ranked_slots.begin(), ranked_slots.end(), [&](size_t a, size_t b) {
    const int32_t rank_a = rank_at(slots_[a]);
    const int32_t rank_b = rank_at(slots_[b]);
    if (rank_a != rank_b) return rank_a < rank_b;
    const uint64_t ka = slots_[a].key;
    const uint64_t kb = slots_[b].key;
    const int left = symbolText(uint32_t(ka >> 32)).compare(symbolText(uint32_t(kb >> 32)));
    if (left != 0) return left < 0;
    return symbolText(uint32_t(ka)).compare(symbolText(uint32_t(kb))) < 0;
  });
  priority_ranks_.resize(ranked_slots.size());
  for (size_t p = 0; p < ranked_slots.size(); ++p) {
    priority_ranks_[p] = rank_at(slots_[ranked_slots[p]]);
  }
  for (Slot& slot : slots_) {
    if (slot.key != kEmptyKey) slot.priority = kNoMerge;
  }
  for (size_t p = 0; p < ranked_slots.size(); ++p) slots_[ranked_slots[p]].priority = uint32_t(p);
}

std::optional<uint32_t> MergeTable::findSymbol(std::string_view text) const {
  for (uint32_t id = 0; id < symbolCount(); ++id) {
    if (symbolText(id) == text) return id;
  }
  return std::nullopt;
}

std::optional<int32_t> MergeTable::rank(std::string_view left, std::string_view right) const {
  const std::optional<uint32_t> l = findSymbol(left);
  const std::optional<uint32_t> r = findSymbol(right);
  if (!l || !r) return std::nullopt;
  const uint32_t priority = find(*l, *r);
  if (priority != kNoMerge) {
    return priority_ranks_.empty() ? int32_t(priority) : priority_ranks_[priority];
  }
  const uint64_t key = pairKey(*l, *r);
  const auto found =
      std::lower_bound(unranked_.begin(), unranked_.end(), std::make_pair(key, INT32_MIN));
  if (found == unranked_.end() || found->first != key) return std::nullopt;
  return found->second;
}

}  // namespace nuvra::bpe
