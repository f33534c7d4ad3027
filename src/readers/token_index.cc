#include "readers/token_index.h"

#include <stdexcept>

namespace nuvra::readers {

TokenIndex::TokenIndex(const std::vector<std::string>& entries, Duplicates duplicates) {
  // Up to four fifths full: a 50,000-token vocabulary fits 65,536 slots
  // (1 MiB), and a lookup that finds its token, nearly every lookup of
  // encode, still probes fewer than three slots on average, on one or two
  // cache lines.
  size_t capacity = 16;
  while (capacity * 4 < entries.size() * 5) capacity *= 2;
  slots_.resize(capacity);
  mask_ = capacity - 1;
  size_t arena_size = 0;
  for (const std::string& e : entries) arena_size += e.size();
  if (arena_size > UINT32_MAX || entries.size() > size_t(INT32_MAX)) {
    throw std::length_error("vocabulary too large");
  }
  arena_.reserve(arena_size);
  for (size_t id = 0; id < entries.size(); ++id) {
    const std::string& text = entries[id];
    const uint64_t h = hashText(text);
    const uint32_t tag = uint32_t(h >> 32);
    for (size_t i = size_t(h) & mask_;; i = (i + 1) & mask_) {
      Slot& slot = slots_[i];
      if (slot.id < 0) {
        slot = {tag, uint32_t(arena_.size()), uint32_t(text.size()), int32_t(id)};
        arena_.append(text);
        ++count_;
        break;
      }
      if (slot.tag == tag && slot.length == text.size() &&
          token_index_detail::sameBytes(arena_.data() + slot.offset, text.data(), text.size())) {
        if (duplicates == Duplicates::kHighestId) slot.id = int32_t(id);
        break;
      }
    }
  }
}

}  // namespace nuvra::readers
