#include "bpe/merge_table.h"

#include <algorithm>
#include <stdexcept>
#include <unordered_map>
#include <utility>

#include "bpe/byte_symbols.h"

namespace nuvra::bpe {
namespace {

constexpr std::string_view kWordEnd = "</w>";

}  // namespace

MergeTable::MergeTable() : MergeTable(readers::MergeList{}) {}

MergeTable::MergeTable(readers::MergeList rules) {
  const ByteEncoder& encoder = byteEncoder();
  size_t text_size = 256 * (2 + kWordEnd.size() + 2);
  for (const readers::MergeRule& rule : rules) text_size += 2 * (rule.left.size() + rule.right.size());
  // Reserved whole, so the views the interning map keeps stay valid.
  symbol_text_.reserve(text_size);
  symbol_offsets_.reserve(256 * 2 + rules.size() * 3 + 1);

  std::unordered_map<std::string_view, uint32_t> ids;
  ids.reserve(256 * 2 + rules.size() * 3);
  auto intern = [&](std::string_view text) {
    const auto found = ids.find(text);
    if (found != ids.end()) return found->second;
    const uint32_t id = addSymbol(text);
    ids.emplace(symbolText(id), id);
    return id;
  };
  std::string joined;
  for (int b = 0; b < 256; ++b) byte_symbols_[size_t(b)] = intern(encoder.symbols[size_t(b)].text());
  for (int b = 0; b < 256; ++b) {
    joined.assign(encoder.symbols[size_t(b)].text()).append(kWordEnd);
    word_end_symbols_[size_t(b)] = intern(joined);
  }
  std::vector<SymbolRule> symbol_rules;
  symbol_rules.reserve(rules.size());
  for (const readers::MergeRule& rule : rules) {
    const uint32_t left = intern(rule.left);
    const uint32_t right = intern(rule.right);
    joined.assign(rule.left).append(rule.right);
    symbol_rules.push_back({left, right, intern(joined), rule.rank});
  }
  buildPairs(symbol_rules);
}

MergeTable::MergeTable(const std::vector<std::string_view>& symbols,
                       const std::array<uint32_t, 256>& byte_symbols,
                       const std::array<uint32_t, 256>& word_end_symbols,
                       const std::vector<SymbolRule>& rules)
    : byte_symbols_(byte_symbols), word_end_symbols_(word_end_symbols) {
  size_t text_size = 0;
  for (std::string_view s : symbols) text_size += s.size();
  symbol_text_.reserve(text_size);
  symbol_offsets_.reserve(symbols.size() + 1);
  for (std::string_view s : symbols) addSymbol(s);
  buildPairs(rules);
}

uint32_t MergeTable::addSymbol(std::string_view text) {
  if (symbol_text_.size() + text.size() >= UINT32_MAX || symbol_offsets_.size() >= UINT32_MAX) {
    throw std::length_error("merge table too large");
  }
  symbol_text_.append(text);
  symbol_offsets_.push_back(uint32_t(symbol_text_.size()));
  return uint32_t(symbol_offsets_.size() - 2);
}

void MergeTable::buildPairs(const std::vector<SymbolRule>& rules) {
  size_t capacity = 16;
  unsigned bits = 4;
  while (capacity < rules.size() * 2) {
    capacity *= 2;
    ++bits;
  }
  slots_.assign(capacity, Slot{kEmptyKey, 0, 0});
  slot_mask_ = capacity - 1;
  slot_shift_ = 64 - bits;

  // First the keys, a later rule of the same pair taking the slot over; the
  // slot's priority holds its rule's index until priorities are known.
  for (size_t r = 0; r < rules.size(); ++r) {
    const uint64_t key = pairKey(rules[r].left, rules[r].right);
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

  std::vector<size_t> ranked_slots;  // slots whose pair may merge
  ranked_slots.reserve(pair_count_);
  slot_ranks_.assign(capacity, 0);
  bool ranks_distinct = true;
  int32_t max_rank = 0;
  for (size_t i = 0; i < capacity; ++i) {
    Slot& slot = slots_[i];
    if (slot.key == kEmptyKey) continue;
    const SymbolRule& rule = rules[slot.priority];
    slot_ranks_[i] = rule.rank;
    slot.merged = rule.merged;
    slot.priority = kNoMerge;
    if (rule.rank >= kRankLimit) continue;
    ranked_slots.push_back(i);
    if (rule.rank < 0) ranks_distinct = false;
    max_rank = std::max(max_rank, rule.rank);
  }
  // Merge lists number their lines, so ranks are distinct and the rank
  // itself is the priority; only a table built otherwise needs the tie order.
  if (ranks_distinct && size_t(max_rank) <= ranked_slots.size() * 8 + 1024) {
    std::vector<bool> taken(size_t(max_rank) + 1);
    for (size_t i : ranked_slots) {
      const auto rank = size_t(slot_ranks_[i]);
      if (taken[rank]) {
        ranks_distinct = false;
        break;
      }
      taken[rank] = true;
    }
  } else {
    ranks_distinct = false;
  }
  if (ranks_distinct) {
    for (size_t i : ranked_slots) slots_[i].priority = uint32_t(slot_ranks_[i]);
    return;
  }
  std::sort(ranked_slots.begin(), ranked_slots.end(), [&](size_t a, size_t b) {
    if (slot_ranks_[a] != slot_ranks_[b]) return slot_ranks_[a] < slot_ranks_[b];
    const uint64_t ka = slots_[a].key;
    const uint64_t kb = slots_[b].key;
    const int left = symbolText(uint32_t(ka >> 32)).compare(symbolText(uint32_t(kb >> 32)));
    if (left != 0) return left < 0;
    return symbolText(uint32_t(ka)).compare(symbolText(uint32_t(kb))) < 0;
  });
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
  const uint64_t key = pairKey(*l, *r);
  for (size_t i = slotOf(key);; i = (i + 1) & slot_mask_) {
    if (slots_[i].key == key) return slot_ranks_[i];
    if (slots_[i].key == kEmptyKey) return std::nullopt;
  }
}

size_t MergeTable::memoryBytes() const {
  return sizeof(*this) + symbol_text_.capacity() + symbol_offsets_.capacity() * sizeof(uint32_t) +
         slots_.capacity() * sizeof(Slot) + slot_ranks_.capacity() * sizeof(int32_t);
}

}  // namespace nuvra::bpe
