#ifndef NUVRA_BPE_BUILTIN_TABLES_H_
#define NUVRA_BPE_BUILTIN_TABLES_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "bpe/merge_table.h"
#include "bpe/vocab_index.h"

namespace nuvra::bpe {

// The vocabulary, its index and the merge table a type starts with: the
// embedded lists for types 0 and 1, empty tables for every other type. Built
// once per process and shared read-only by every handle.
struct BuiltinTables {
  std::shared_ptr<const std::vector<std::string>> vocab;
  std::shared_ptr<const VocabIndex> token_to_id;
  std::shared_ptr<const MergeTable> merges;
};

const BuiltinTables& builtinTables(uint32_t type);

}  // namespace nuvra::bpe

#endif  // NUVRA_BPE_BUILTIN_TABLES_H_
