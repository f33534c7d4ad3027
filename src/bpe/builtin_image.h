#ifndef NUVRA_BPE_BUILTIN_IMAGE_H_
#define NUVRA_BPE_BUILTIN_IMAGE_H_

#include <cstddef>
#include <string>

#include "bpe/builtin_tables.h"

namespace nuvra::bpe {

// The tables of both built-in lists as the constant image the library
// carries: a version number, then the vocabulary index and the merge table
// of the transcript list, then those of the word-end list. The build lays it
// out; the library reads it, borrowing every array.
struct BuiltinImage {
  BuiltinTables transcript;
  BuiltinTables word_end;
};

std::string layOutBuiltinImage(const BuiltinImage& tables);
// `data` starts on a kTableImageAlignment boundary and outlives the tables.
// Throws std::logic_error when the bytes are not such an image.
BuiltinImage readBuiltinImage(const unsigned char* data, size_t size);

}  // namespace nuvra::bpe

#endif  // NUVRA_BPE_BUILTIN_IMAGE_H_
