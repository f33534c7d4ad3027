#ifndef NUVRA_SENTENCEPIECE_ENCODER_H_
#define NUVRA_SENTENCEPIECE_ENCODER_H_

#include <sentencepiece_processor.h>

#include <cstdint>
#include <string_view>

#include "interface/token_record.h"
#include "sentencepiece/control_text_pattern.h"

namespace nuvra::spm {

// Records of `text` for tokenizer `type` over `model` and the pattern built
// with it: the type's begin and end records around the model's segmentation,
// with type 2's ids shifted into its own id space. With `encode_flag` false
// the pattern's special texts become single records first.
TokenRecords spmEncode(uint32_t type, const sentencepiece::SentencePieceProcessor& model,
                       const SpecialPattern& pattern, std::string_view text, bool encode_flag);

}  // namespace nuvra::spm

#endif  // NUVRA_SENTENCEPIECE_ENCODER_H_
