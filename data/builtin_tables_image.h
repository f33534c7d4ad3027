#ifndef NUVRA_DATA_BUILTIN_TABLES_IMAGE_H_
#define NUVRA_DATA_BUILTIN_TABLES_IMAGE_H_

#include <cstddef>
#include <cstdint>

namespace nuvra::data {

// The tables of the built-in merge lists, laid out by tools/gen_builtin_tables
// when the library is built: this number, then the vocabulary index and the
// merge table of the transcript list, then those of the word-end list. The
// block starts on a 64-byte boundary.
// The first number; another one means the image and the library disagree.
inline constexpr uint64_t kBuiltinTablesImageVersion = 0x4E55565241544231;
extern const unsigned char* const kBuiltinTablesImage;
extern const size_t kBuiltinTablesImageSize;

}  // namespace nuvra::data

#endif  // NUVRA_DATA_BUILTIN_TABLES_IMAGE_H_
