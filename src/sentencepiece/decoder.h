#ifndef NUVRA_SENTENCEPIECE_DECODER_H_
#define NUVRA_SENTENCEPIECE_DECODER_H_

#include <sentencepiece_processor.h>

#include <cstdint>
#include <string>

#include "base/codec_modes.h"
#include "sentencepiece/control_texts.h"
#include "sentencepiece/type_options.h"

namespace nuvra::spm {

// Text of `count` token ids of the type's id layout. With
// DecodeSpecials::kSkip the model detokenises what is left after dropping
// unknown, pad, mask and out-of-range ids; with kWrite every piece is
// written as stored, its leading word-start mark turned into a space.
std::string spmDecode(const TypeOptions& type, const sentencepiece::SentencePieceProcessor& model,
                      const ModelIds& ids, const int32_t* token_ids, uint32_t count,
                      DecodeSpecials specials);

}  // namespace nuvra::spm

#endif  // NUVRA_SENTENCEPIECE_DECODER_H_
