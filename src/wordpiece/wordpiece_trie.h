#ifndef NUVRA_WORDPIECE_WORDPIECE_TRIE_H_
#define NUVRA_WORDPIECE_WORDPIECE_TRIE_H_

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

namespace nuvra::wordpiece {

// Byte trie over vocabulary texts, answering "which is the longest key that
// starts this text" in one walk instead of one hash lookup per candidate
// length. The children of a node are stored next to each other; nodes with
// many children also get a 256-slot table.
class WordpieceTrie {
 public:
  struct Key {
    std::string_view text;
    int32_t id;
  };

  WordpieceTrie();
  // A text given several times keeps its lowest id.
  explicit WordpieceTrie(std::vector<Key> keys);

  // The id of the longest key that is a prefix of `text` (never the empty
  // key), with its length in `length`; -1 when there is none.
  int32_t longestPrefix(std::string_view text, size_t& length) const {
    uint32_t node = 0;
    int32_t best = -1;
    for (size_t i = 0; i < text.size(); ++i) {
      node = child(node, static_cast<unsigned char>(text[i]));
      if (node == 0) break;
      const int32_t id = nodes_[node].id;
      if (id >= 0) {
        best = id;
        length = i + 1;
      }
    }
    return best;
  }

  size_t nodeCount() const { return nodes_.size(); }

 private:
  struct Node {
    uint32_t first_child = 0;
    uint32_t child_count = 0;
    int32_t dense = -1;  // row of dense_, or -1
    int32_t id = -1;     // key ending here, or -1
  };

  // 0 (the root, never anyone's child) when `node` has no child `byte`.
  uint32_t child(uint32_t node, unsigned char byte) const {
    const Node& n = nodes_[node];
    if (n.dense >= 0) return dense_[size_t(n.dense) * 256 + byte];
    const unsigned char* labels = labels_.data() + n.first_child;
    for (uint32_t k = 0; k < n.child_count; ++k) {
      if (labels[k] == byte) return n.first_child + k;
    }
    return 0;
  }

  void build(uint32_t node, const std::vector<Key>& keys, size_t lo, size_t hi, size_t depth);

  std::vector<Node> nodes_;
  std::vector<unsigned char> labels_;  // label of the edge into node i
  std::vector<uint32_t> dense_;
};

}  // namespace nuvra::wordpiece

#endif  // NUVRA_WORDPIECE_WORDPIECE_TRIE_H_
