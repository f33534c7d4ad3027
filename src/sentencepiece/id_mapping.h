#ifndef NUVRA_SENTENCEPIECE_ID_MAPPING_H_
#define NUVRA_SENTENCEPIECE_ID_MAPPING_H_

#include <cstdint>

#include "sentencepiece/type_options.h"

namespace nuvra::spm {

// A caller's token id as the model's piece id, and back. Only the shifted
// layout moves ids; with the library's default control ids (unk 0, bos 1,
// eos 2): token 0 "<s>" is piece 1, token 1 "<pad>" is piece -1 (the model
// has none), token 2 "</s>" is piece 2, token 3 "<unk>" is piece 0, and
// token n > 3 is piece n - 1.
int32_t tokenToPieceId(IdLayout layout, int32_t token_id);
int32_t pieceToTokenId(IdLayout layout, int32_t piece_id);

}  // namespace nuvra::spm

#endif  // NUVRA_SENTENCEPIECE_ID_MAPPING_H_
