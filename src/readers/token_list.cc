#include "readers/token_list.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "readers/json_vocab_reader.h"

namespace nuvra::readers {

TokenList::TokenList(const std::vector<std::string>& dense) {
  if (dense.size() > size_t(INT32_MAX)) throw std::length_error("vocabulary too large");
  Building built{true, {}, {0}, {}};
  built.offsets.reserve(dense.size() + 1);
  for (size_t id = 0; id < dense.size(); ++id) built.append(uint32_t(id), dense[id]);
  take(std::move(built));
  size_ = dense.size();
}

TokenList::TokenList(const TokenList& base, const std::vector<VocabPair>& pairs)
    : TokenList(base, [&] {
        VocabEntries entries;
        for (const VocabPair& pair : pairs) {
          if (entries.texts.size() + pair.text.size() > UINT32_MAX) {
            throw std::length_error("vocabulary too large");
          }
          entries.texts.append(pair.text);
          entries.add(pair.id, entries.texts.size());
        }
        return entries;
      }()) {}

TokenList::TokenList(const TokenList& base, VocabEntries pairs) {
  // Pairs in id order, the last of equal ids winning, merged with the base.
  // Vocabulary files mostly list each id once, in order: then the pairs
  // stand as they are, without an order of their own, and over no base the
  // list takes their texts over.
  // Pairs without ids stand at their places.
  bool listed_in_order = true;
  for (size_t i = 1; i < pairs.size() && listed_in_order && !pairs.ids.empty(); ++i) {
    listed_in_order = pairs.id(i - 1) < pairs.id(i);
  }
  std::vector<uint32_t> order;
  if (!listed_in_order) {
    order.resize(pairs.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = uint32_t(i);
    std::stable_sort(order.begin(), order.end(),
                     [&](uint32_t a, uint32_t b) { return pairs.id(a) < pairs.id(b); });
    size_t kept = 0;
    for (size_t i = 0; i < order.size(); ++i) {
      if (i + 1 < order.size() && pairs.id(order[i + 1]) == pairs.id(order[i])) continue;
      order[kept++] = order[i];
    }
    order.resize(kept);
  }
  const size_t count = listed_in_order ? pairs.size() : order.size();
  // The index of the k-th pair in id order.
  const auto in_id_order = [&](size_t k) { return listed_in_order ? k : size_t(order[k]); };

  size_t top = base.size_;
  if (count > 0) top = std::max(top, size_t(pairs.id(in_id_order(count - 1))) + 1);
  // Nearly full: holes become empty entries, and ids are their own slots.
  const size_t entries = base.slotCount() + count;
  const bool fill_holes = top <= 2 * entries + 64;
  if (fill_holes && listed_in_order && base.slotCount() == 0) {
    if (!pairs.ids.empty()) {
      // Holes become empty entries.
      LargeVector<uint32_t> offsets;
      offsets.reserve(top + 1);
      offsets.push_back(0);
      for (size_t k = 0; k < count; ++k) {
        const uint32_t end = offsets.back();
        offsets.resize(size_t(pairs.id(k)) + 1, end);
        offsets.push_back(pairs.offsets[k + 1]);
      }
      pairs.offsets = std::move(offsets);
    }
    offsets_ = std::move(pairs.offsets);
    text_ = std::move(pairs.texts);
    size_ = top;
    return;
  }
  Building built{fill_holes, {}, {0}, {}};
  if (!fill_holes) built.ids.reserve(entries);
  built.offsets.reserve((fill_holes ? top : entries) + 1);
  size_t text_bytes = base.text_.size();
  for (size_t k = 0; k < count; ++k) text_bytes += pairs.text(in_id_order(k)).size();
  built.text.reserve(text_bytes);
  // Dense: the next slot is the next id.
  const auto next_id = [&] { return uint32_t(built.offsets.size() - 1); };
  auto add = [&](uint32_t id, std::string_view text) {
    if (fill_holes) {
      while (next_id() < id) built.append(next_id(), std::string_view());
    }
    built.append(id, text);
  };
  size_t b = 0;
  for (size_t k = 0; k < count; ++k) {
    const auto id = uint32_t(pairs.id(in_id_order(k)));
    for (; b < base.slotCount() && base.idAt(b) < id; ++b) add(base.idAt(b), base.textAt(b));
    if (b < base.slotCount() && base.idAt(b) == id) ++b;
    add(id, pairs.text(in_id_order(k)));
  }
  for (; b < base.slotCount(); ++b) add(base.idAt(b), base.textAt(b));
  if (fill_holes) {
    while (next_id() < top) built.append(next_id(), std::string_view());
  }
  take(std::move(built));
  size_ = top;
}

TokenList::TokenList(TableImageReader& image) {
  image.array(ids_);
  image.array(offsets_);
  image.array(text_);
  size_ = size_t(image.number());
}

void TokenList::save(TableImageWriter& image) const {
  image.array(ids_);
  image.array(offsets_);
  image.array(text_);
  image.number(size_);
}

void TokenList::Building::append(uint32_t id, std::string_view entry) {
  if (text.size() + entry.size() > UINT32_MAX) throw std::length_error("vocabulary too large");
  if (!dense) ids.push_back(id);
  text.append(entry);
  offsets.push_back(uint32_t(text.size()));
}

void TokenList::take(Building&& built) {
  ids_ = std::move(built.ids);
  offsets_ = std::move(built.offsets);
  text_ = std::move(built.text);
}

size_t TokenList::slotOf(uint32_t id) const {
  if (id >= size_) return slotCount();
  if (dense()) return id;
  const auto found = std::lower_bound(ids_.begin(), ids_.end(), id);
  return found != ids_.end() && *found == id ? size_t(found - ids_.begin()) : slotCount();
}

int64_t TokenList::highestHole() const {
  if (dense()) return -1;
  // The last id has an entry, so the hole sits just below the highest entry
  // whose lower neighbour is missing.
  for (size_t k = ids_.size(); k-- > 0;) {
    const int64_t below = k > 0 ? int64_t(ids_[k - 1]) : -1;
    if (int64_t(ids_[k]) - below > 1) return int64_t(ids_[k]) - 1;
  }
  return -1;
}

}  // namespace nuvra::readers
