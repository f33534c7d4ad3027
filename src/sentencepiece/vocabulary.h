#ifndef NUVRA_SENTENCEPIECE_VOCABULARY_H_
#define NUVRA_SENTENCEPIECE_VOCABULARY_H_

#include <sentencepiece_processor.h>

#include <cstdint>
#include <string_view>

#include "sentencepiece/type_options.h"

namespace nuvra::spm {

// Number of token ids over a model of `piece_count` pieces: the shifted
// layout adds "<pad>" and "<mask>", kPadAfterPieces adds "<pad>".
int32_t idSpaceSize(IdLayout layout, int32_t piece_count);

// Text of piece id `s` of a model of `piece_count` pieces: -1 is "<pad>",
// `piece_count` is "<mask>" in the shifted layout and "<pad>" otherwise, a
// model piece is its text as stored (word-start mark included), anything
// else is empty. The view lives as long as the model or is a literal.
std::string_view spmPieceText(IdLayout layout, const sentencepiece::SentencePieceProcessor& model,
                              int32_t s, int32_t piece_count);

}  // namespace nuvra::spm

#endif  // NUVRA_SENTENCEPIECE_VOCABULARY_H_
