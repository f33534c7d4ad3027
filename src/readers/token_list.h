#ifndef NUVRA_READERS_TOKEN_LIST_H_
#define NUVRA_READERS_TOKEN_LIST_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/table_array.h"
#include "base/table_image.h"

namespace nuvra::readers {

struct VocabPair;
struct VocabEntries;

// Token texts by id. The id space runs to the largest id + 1 and an id that
// no entry filled has the empty text, but memory follows the entries, never
// the largest id: {"a": 2147483646} is one entry. An id space nearly full is
// stored densely (its holes as empty entries), so the usual vocabulary maps
// an id to its slot without a search. Immutable once built.
class TokenList {
 public:
  TokenList() = default;
  // Every index of `dense` is an entry.
  explicit TokenList(const std::vector<std::string>& dense);
  // The entries of `base`, then each pair's text written at its id, a later
  // pair overwriting an earlier one or a base entry. Pairs listed in id
  // order, as files mostly are, give up their texts to the list.
  TokenList(const TokenList& base, VocabEntries pairs);
  TokenList(const TokenList& base, const std::vector<VocabPair>& pairs);
  // A list saved with save(), borrowed from the image.
  explicit TokenList(TableImageReader& image);
  void save(TableImageWriter& image) const;

  // Largest id + 1; 0 when empty.
  size_t size() const { return size_; }
  // Number of entries.
  size_t slotCount() const { return offsets_.size() - 1; }
  bool dense() const { return ids_.empty(); }
  // The slot of `id`, or slotCount() for an id without an entry (and for
  // any id outside the list).
  size_t slotOf(uint32_t id) const;
  uint32_t idAt(size_t slot) const { return ids_.empty() ? uint32_t(slot) : ids_[slot]; }
  std::string_view textAt(size_t slot) const {
    return {text_.data() + offsets_[slot], size_t(offsets_[slot + 1] - offsets_[slot])};
  }
  // The text of `id`: empty for an id without an entry or outside the list.
  std::string_view text(uint32_t id) const {
    const size_t slot = slotOf(id);
    return slot < slotCount() ? textAt(slot) : std::string_view();
  }
  // Every entry's text, back to back in slot order.
  const char* textData() const { return text_.data(); }
  size_t textBytes() const { return text_.size(); }
  // The highest id below size() without an entry, or -1 when every id has one.
  int64_t highestHole() const;

 private:
  // The arrays while a list is built.
  struct Building {
    bool dense;  // then ids are slots and not kept
    LargeVector<uint32_t> ids;
    LargeVector<uint32_t> offsets{0};
    LargeString text;
    void append(uint32_t id, std::string_view entry);
  };
  void take(Building&& built);

  TableArray<uint32_t> ids_;  // ascending; none in a dense list
  // slotCount() + 1 offsets into text_
  TableArray<uint32_t> offsets_ = LargeVector<uint32_t>{0};
  TableArray<char, LargeString> text_;
  size_t size_ = 0;
};

}  // namespace nuvra::readers

#endif  // NUVRA_READERS_TOKEN_LIST_H_
