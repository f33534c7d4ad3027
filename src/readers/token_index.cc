#include "readers/token_index.h"

#include <algorithm>
#include <chrono>
#include <random>
#include <stdexcept>

namespace nuvra::readers {

uint64_t processHashSeed() {
  static const uint64_t seed = [] {
    std::random_device device;
    // The clock and an address as well, in case the device is deterministic.
    const auto now = uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
    const auto address = uint64_t(reinterpret_cast<uintptr_t>(&device));
    return (uint64_t(device()) << 32 | device()) ^ hashText({}, now ^ (address << 17));
  }();
  return seed;
}

void TokenIndex::reserve(size_t entries, size_t text_bytes) {
  // Up to four fifths full: a 50,000-token vocabulary fits 65,536 slots
  // (1 MiB), and a lookup that finds its token, nearly every lookup of
  // encode, still probes fewer than three slots on average, on one or two
  // cache lines.
  size_t capacity = 16;
  while (capacity * 4 < entries * 5) capacity *= 2;
  slots_.resize(capacity);
  mask_ = capacity - 1;
  if (text_bytes > UINT32_MAX || entries > size_t(INT32_MAX)) {
    throw std::length_error("vocabulary too large");
  }
  arena_.reserve(text_bytes);
}

void TokenIndex::insert(std::string_view text, int32_t id, Duplicates duplicates) {
  const uint64_t h = hashText(text, seed_);
  const uint32_t tag = uint32_t(h >> 32);
  for (size_t i = size_t(h) & mask_;; i = (i + 1) & mask_) {
    ++build_probes_;
    Slot& slot = slots_[i];
    if (slot.id < 0) {
      slot = {tag, uint32_t(arena_.size()), uint32_t(text.size()), id};
      arena_.append(text);
      ++count_;
      return;
    }
    if (slot.tag == tag && slot.length == text.size() &&
        token_index_detail::sameBytes(arena_.data() + slot.offset, text.data(), text.size())) {
      slot.id = duplicates == Duplicates::kHighestId ? std::max(slot.id, id)
                                                     : std::min(slot.id, id);
      return;
    }
  }
}

TokenIndex::TokenIndex(const std::vector<std::string>& entries, Duplicates duplicates,
                       uint64_t seed)
    : seed_(seed) {
  size_t text_bytes = 0;
  for (const std::string& e : entries) text_bytes += e.size();
  reserve(entries.size(), text_bytes);
  for (size_t id = 0; id < entries.size(); ++id) insert(entries[id], int32_t(id), duplicates);
}

TokenIndex::TokenIndex(const TokenList& list, Duplicates duplicates, uint64_t seed)
    : seed_(seed) {
  size_t text_bytes = 0;
  for (size_t k = 0; k < list.slotCount(); ++k) text_bytes += list.textAt(k).size();
  reserve(list.slotCount() + 1, text_bytes);
  for (size_t k = 0; k < list.slotCount(); ++k) {
    insert(list.textAt(k), int32_t(list.idAt(k)), duplicates);
  }
  const int64_t hole = list.highestHole();
  if (hole >= 0) insert(std::string_view(), int32_t(hole), duplicates);
}

}  // namespace nuvra::readers
