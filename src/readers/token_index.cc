#include "readers/token_index.h"

#include <cstring>
#include <functional>
#include <stdexcept>

namespace nuvra::readers {
namespace {

bool sameBytes(const char* stored, std::string_view text) {
  return text.empty() || std::memcmp(stored, text.data(), text.size()) == 0;
}

}  // namespace

uint64_t hashText(std::string_view text) {
  uint64_t h = std::hash<std::string_view>{}(text);
  // Spread the bits: slots are chosen from the low bits.
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdULL;
  h ^= h >> 33;
  return h;
}

TokenIndex::TokenIndex(const std::vector<std::string>& entries, Duplicates duplicates) {
  size_t capacity = 16;
  while (capacity < entries.size() * 2) capacity *= 2;
  slots_.resize(capacity);
  size_t arena_size = 0;
  for (const std::string& e : entries) arena_size += e.size();
  if (arena_size > UINT32_MAX) throw std::length_error("vocabulary too large");
  arena_.reserve(arena_size);
  const size_t mask = capacity - 1;
  for (size_t id = 0; id < entries.size(); ++id) {
    const std::string& text = entries[id];
    const uint64_t h = hashText(text);
    for (size_t i = size_t(h) & mask;; i = (i + 1) & mask) {
      Slot& slot = slots_[i];
      if (slot.id < 0) {
        slot.hash = h;
        slot.offset = uint32_t(arena_.size());
        slot.length = uint32_t(text.size());
        slot.id = int32_t(id);
        arena_.append(text);
        ++count_;
        break;
      }
      if (slot.hash == h && slot.length == text.size() &&
          sameBytes(arena_.data() + slot.offset, text)) {
        if (duplicates == Duplicates::kHighestId) slot.id = int32_t(id);
        break;
      }
    }
  }
}

int32_t TokenIndex::find(std::string_view text) const {
  if (slots_.empty()) return -1;
  const uint64_t h = hashText(text);
  const size_t mask = slots_.size() - 1;
  for (size_t i = size_t(h) & mask;; i = (i + 1) & mask) {
    const Slot& slot = slots_[i];
    if (slot.id < 0) return -1;
    if (slot.hash == h && slot.length == text.size() &&
        sameBytes(arena_.data() + slot.offset, text)) {
      return slot.id;
    }
  }
}

}  // namespace nuvra::readers
