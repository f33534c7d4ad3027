#include "sentencepiece/id_mapping.h"

namespace nuvra::spm {

int32_t tokenToPieceId(IdLayout layout, int32_t token_id) {
  if (layout != IdLayout::kShifted) return token_id;
  switch (token_id) {
    case 0: return 1;
    case 1: return -1;
    case 2: return 2;
    case 3: return 0;
    default: return int32_t(int64_t(token_id) - 1);  // INT32_MIN has no piece either way
  }
}

int32_t pieceToTokenId(IdLayout layout, int32_t piece_id) {
  if (layout != IdLayout::kShifted) return piece_id;
  switch (piece_id) {
    case -1: return 1;
    case 0: return 3;
    case 1: return 0;
    case 2: return 2;
    default: return int32_t(int64_t(piece_id) + 1);
  }
}

}  // namespace nuvra::spm
