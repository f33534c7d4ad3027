#ifndef NUVRA_BPE_BUILTIN_TABLE_BUILDER_H_
#define NUVRA_BPE_BUILTIN_TABLE_BUILDER_H_

#include <cstdint>

#include "bpe/builtin_tables.h"
#include "bpe/type_options.h"

namespace nuvra::bpe {

// The tables of a built-in list made from its embedded merge pairs, their
// hash tables placed by `seed`. Only the build does this, to lay the tables
// out as the constant image the library carries.
BuiltinTables buildBuiltinTables(BuiltinList list, uint64_t seed);

}  // namespace nuvra::bpe

#endif  // NUVRA_BPE_BUILTIN_TABLE_BUILDER_H_
