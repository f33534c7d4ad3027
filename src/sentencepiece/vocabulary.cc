#include "sentencepiece/vocabulary.h"

namespace nuvra::spm {

int32_t idSpaceSize(uint32_t type, int32_t piece_count) {
  if (piece_count < 0) return 0;
  switch (type) {
    case 2: return piece_count + 2;
    case 3: return piece_count + 1;
    default: return piece_count;
  }
}

std::string_view spmPieceText(uint32_t type, const sentencepiece::SentencePieceProcessor& model,
                              int32_t s, int32_t piece_count) {
  if (s == -1) return "<pad>";
  if (s == piece_count) return type == 2 ? "<mask>" : "<pad>";
  if (s >= 0 && s < piece_count) return model.IdToPiece(s);
  return {};
}

}  // namespace nuvra::spm
