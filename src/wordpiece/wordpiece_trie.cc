#include "wordpiece/wordpiece_trie.h"

#include <algorithm>

namespace nuvra::wordpiece {
namespace {

// Above this many children a scan of the labels costs more than a table.
constexpr uint32_t kDenseChildren = 12;

}  // namespace

WordpieceTrie::WordpieceTrie() : nodes_(1), labels_(1, 0) {}

WordpieceTrie::WordpieceTrie(std::vector<Key> keys) : WordpieceTrie() {
  std::sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
    return a.text != b.text ? a.text < b.text : a.id < b.id;
  });
  build(0, keys, 0, keys.size(), 0);
}

// Keys [lo, hi) share their first `depth` bytes, the path to `node`.
void WordpieceTrie::build(uint32_t node, const std::vector<Key>& keys, size_t lo, size_t hi,
                          size_t depth) {
  if (lo < hi && keys[lo].text.size() == depth) {
    if (depth > 0) nodes_[node].id = keys[lo].id;  // sorted: the lowest id comes first
    while (lo < hi && keys[lo].text.size() == depth) ++lo;
  }
  if (lo == hi) return;
  struct Group {
    unsigned char byte;
    size_t lo, hi;
  };
  std::vector<Group> groups;
  for (size_t i = lo; i < hi;) {
    const auto byte = static_cast<unsigned char>(keys[i].text[depth]);
    size_t j = i + 1;
    while (j < hi && static_cast<unsigned char>(keys[j].text[depth]) == byte) ++j;
    groups.push_back({byte, i, j});
    i = j;
  }
  const auto first = uint32_t(nodes_.size());
  nodes_[node].first_child = first;
  nodes_[node].child_count = uint32_t(groups.size());
  nodes_.resize(nodes_.size() + groups.size());
  for (const Group& g : groups) labels_.push_back(g.byte);
  if (groups.size() > kDenseChildren) {
    nodes_[node].dense = int32_t(dense_.size() / 256);
    dense_.resize(dense_.size() + 256, 0);
    uint32_t* row = dense_.data() + size_t(nodes_[node].dense) * 256;
    for (size_t k = 0; k < groups.size(); ++k) row[groups[k].byte] = first + uint32_t(k);
  }
  for (size_t k = 0; k < groups.size(); ++k) {
    build(first + uint32_t(k), keys, groups[k].lo, groups[k].hi, depth + 1);
  }
}

}  // namespace nuvra::wordpiece
