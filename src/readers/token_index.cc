#include "readers/token_index.h"

#include <algorithm>
#include <chrono>
#include <random>
#include <stdexcept>
#include <utility>

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

TokenIndex::Building TokenIndex::reserve(size_t entries, size_t text_bytes) {
  // Up to four fifths full: a 50,000-token vocabulary fits 65,536 slots
  // (1 MiB), and a lookup that finds its token, nearly every lookup of
  // encode, still probes fewer than three slots on average, on one or two
  // cache lines.
  size_t capacity = 16;
  while (capacity * 4 < entries * 5) capacity *= 2;
  if (text_bytes > UINT32_MAX || entries > size_t(INT32_MAX)) {
    throw std::length_error("vocabulary too large");
  }
  Building built;
  built.slots.resize(capacity);
  mask_ = capacity - 1;
  built.arena.reserve(text_bytes);
  return built;
}

void TokenIndex::insert(Building& built, std::string_view text, uint64_t h, int32_t id,
                        Duplicates duplicates) {
  const uint32_t tag = uint32_t(h >> 32);
  for (size_t i = size_t(h) & mask_;; i = (i + 1) & mask_) {
    ++build_probes_;
    Slot& slot = built.slots[i];
    if (slot.id < 0) {
      uint32_t offset = 0;
      if (built.borrowed == nullptr) {
        offset = uint32_t(built.arena.size());
        built.arena.append(text);
      } else if (!text.empty()) {
        offset = uint32_t(text.data() - built.borrowed);
      }
      slot = {tag, offset, uint32_t(text.size()), id};
      ++count_;
      return;
    }
    const char* texts = built.borrowed != nullptr ? built.borrowed : built.arena.data();
    if (slot.tag == tag && slot.length == text.size() &&
        token_index_detail::sameBytes(texts + slot.offset, text.data(), text.size())) {
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
  Building built = reserve(entries.size(), text_bytes);
  for (size_t id = 0; id < entries.size(); ++id) {
    insert(built, entries[id], hashText(entries[id], seed_), int32_t(id), duplicates);
  }
  take(std::move(built));
}

TokenIndex::TokenIndex(const TokenList& list, Duplicates duplicates, uint64_t seed, Texts texts)
    : seed_(seed) {
  const size_t text_bytes = list.textBytes();
  Building built = reserve(list.slotCount() + 1, texts == Texts::kCopied ? text_bytes : 0);
  if (texts == Texts::kBorrowed) built.borrowed = list.textData();
  // Nearly every first probe misses the cache: a text is hashed, and its
  // slot fetched, some entries before it is inserted.
  constexpr size_t kAhead = 16;
  uint64_t ahead[kAhead];
  const auto hash_entry = [&](size_t k) {
    ahead[k % kAhead] = hashText(list.textAt(k), seed_);
    __builtin_prefetch(&built.slots[size_t(ahead[k % kAhead]) & mask_]);
  };
  const size_t entries = list.slotCount();
  for (size_t k = 0; k < std::min(kAhead, entries); ++k) hash_entry(k);
  for (size_t k = 0; k < entries; ++k) {
    const uint64_t hash = ahead[k % kAhead];
    if (k + kAhead < entries) hash_entry(k + kAhead);
    insert(built, list.textAt(k), hash, int32_t(list.idAt(k)), duplicates);
  }
  const int64_t hole = list.highestHole();
  if (hole >= 0) {
    insert(built, std::string_view(), hashText({}, seed_), int32_t(hole), duplicates);
  }
  take(std::move(built));
  if (texts == Texts::kBorrowed) {
    arena_ = TableArray<char, LargeString>::borrow(list.textData(), text_bytes);
    list_texts_ = true;
  }
}

void TokenIndex::take(Building&& built) {
  slots_ = std::move(built.slots);
  arena_ = std::move(built.arena);
}

TokenIndex::TokenIndex(TableImageReader& image, const TokenList* list) {
  image.array(slots_);
  image.array(arena_);
  mask_ = slots_.empty() ? 0 : slots_.size() - 1;
  count_ = size_t(image.number());
  seed_ = image.number();
  list_texts_ = image.number() != 0;
  if (list_texts_) {
    if (list == nullptr) throw std::logic_error("table image does not match");
    arena_ = TableArray<char, LargeString>::borrow(list->textData(), list->textBytes());
  }
}

void TokenIndex::save(TableImageWriter& image) const {
  image.array(slots_);
  // The list's texts are the list's to save.
  if (list_texts_) {
    image.array(static_cast<const char*>(nullptr), 0);
  } else {
    image.array(arena_);
  }
  image.number(count_);
  image.number(seed_);
  image.number(list_texts_);
}

}  // namespace nuvra::readers
