#ifndef NUVRA_SENTENCEPIECE_ENCODER_H_
#define NUVRA_SENTENCEPIECE_ENCODER_H_

#include <sentencepiece_processor.h>

#include <cstdint>
#include <string_view>

#include "base/codec_modes.h"
#include "base/token_record.h"
#include "sentencepiece/control_texts.h"
#include "sentencepiece/type_options.h"

namespace nuvra::spm {

// Records of `text` over `model` and the pattern built with it: the type's
// begin and end records around the model's segmentation, in the type's id
// layout. With EncodeSpecials::kRecognise the pattern's special texts
// become single records first.
TokenRecords spmEncode(const TypeOptions& type, const sentencepiece::SentencePieceProcessor& model,
                       const SpecialPattern& pattern, std::string_view text,
                       EncodeSpecials specials);

}  // namespace nuvra::spm

#endif  // NUVRA_SENTENCEPIECE_ENCODER_H_
