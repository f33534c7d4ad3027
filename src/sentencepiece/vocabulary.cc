#include "sentencepiece/vocabulary.h"

namespace nuvra::spm {

int32_t idSpaceSize(IdLayout layout, int32_t piece_count) {
  if (piece_count < 0) return 0;
  switch (layout) {
    case IdLayout::kShifted: return piece_count + 2;
    case IdLayout::kPadAfterPieces: return piece_count + 1;
    case IdLayout::kModel: break;
  }
  return piece_count;
}

std::string_view spmPieceText(IdLayout layout, const sentencepiece::SentencePieceProcessor& model,
                              int32_t s, int32_t piece_count) {
  if (s == -1) return "<pad>";
  if (s == piece_count) return layout == IdLayout::kShifted ? "<mask>" : "<pad>";
  if (s >= 0 && s < piece_count) return model.IdToPiece(s);
  return {};
}

}  // namespace nuvra::spm
