#ifndef NUVRA_BPE_BUILTIN_TABLES_H_
#define NUVRA_BPE_BUILTIN_TABLES_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "bpe/merge_table.h"
#include "bpe/type_options.h"
#include "bpe/vocab_index.h"

namespace nuvra::bpe {

// The vocabulary, its index and the merge table a type starts with: one of
// the embedded lists, or empty tables. Built once per process and shared
// read-only by every handle.
struct BuiltinTables {
  std::shared_ptr<const std::vector<std::string>> vocab;
  std::shared_ptr<const VocabIndex> token_to_id;
  std::shared_ptr<const MergeTable> merges;
};

const BuiltinTables& builtinTables(BuiltinList list);

}  // namespace nuvra::bpe

#endif  // NUVRA_BPE_BUILTIN_TABLES_H_
