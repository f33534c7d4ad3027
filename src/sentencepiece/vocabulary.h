#ifndef NUVRA_SENTENCEPIECE_VOCABULARY_H_
#define NUVRA_SENTENCEPIECE_VOCABULARY_H_

#include <sentencepiece_processor.h>

#include <cstdint>
#include <string_view>

namespace nuvra::spm {

// Size of the id space of tokenizer `type` over a model of `piece_count`
// pieces: type 2 adds "<pad>" and "<mask>", type 3 adds "<pad>".
int32_t idSpaceSize(uint32_t type, int32_t piece_count);

// Text of piece id `s` of a model of `piece_count` pieces: -1 is "<pad>",
// `piece_count` is "<mask>" for type 2 and "<pad>" otherwise, a model piece
// is its text as stored (word-start mark included), anything else is empty.
// The view lives as long as the model or is a literal.
std::string_view spmPieceText(uint32_t type, const sentencepiece::SentencePieceProcessor& model,
                              int32_t s, int32_t piece_count);

}  // namespace nuvra::spm

#endif  // NUVRA_SENTENCEPIECE_VOCABULARY_H_
