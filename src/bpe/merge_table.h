#ifndef NUVRA_BPE_MERGE_TABLE_H_
#define NUVRA_BPE_MERGE_TABLE_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "readers/merge_file_reader.h"

namespace nuvra::bpe {

// Ranked merges of one merge list, immutable once built.
class MergeTable {
 public:
  MergeTable() = default;
  explicit MergeTable(readers::MergeList rules);

  size_t size() const { return rules_.size(); }
  // Rank of the pair (left, right), if the list has it.
  std::optional<int32_t> rank(std::string_view left, std::string_view right) const;

 private:
  readers::MergeList rules_;
};

}  // namespace nuvra::bpe

#endif  // NUVRA_BPE_MERGE_TABLE_H_
