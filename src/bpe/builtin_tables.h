#ifndef NUVRA_BPE_BUILTIN_TABLES_H_
#define NUVRA_BPE_BUILTIN_TABLES_H_

#include <memory>

#include "bpe/merge_table.h"
#include "bpe/type_options.h"
#include "bpe/vocab_index.h"

namespace nuvra::bpe {

// The vocabulary index and the merge table a type starts with: one of the
// built-in lists, or empty tables. Shared read-only by every handle.
struct BuiltinTables {
  std::shared_ptr<const VocabIndex> token_to_id;
  std::shared_ptr<const MergeTable> merges;
};

// The built-in lists are laid out at build time as a constant image the
// library carries, so the first call only points the tables at it: nothing
// is built, hashed or copied, and processes share the pages.
const BuiltinTables& builtinTables(BuiltinList list);

}  // namespace nuvra::bpe

#endif  // NUVRA_BPE_BUILTIN_TABLES_H_
