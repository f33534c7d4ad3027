#include "bpe/merge_table.h"

#include <utility>

namespace nuvra::bpe {

MergeTable::MergeTable(readers::MergeList rules) : rules_(std::move(rules)) {}

std::optional<int32_t> MergeTable::rank(std::string_view left, std::string_view right) const {
  for (const readers::MergeRule& rule : rules_) {
    if (rule.left == left && rule.right == right) return rule.rank;
  }
  return std::nullopt;
}

}  // namespace nuvra::bpe
