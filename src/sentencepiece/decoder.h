#ifndef NUVRA_SENTENCEPIECE_DECODER_H_
#define NUVRA_SENTENCEPIECE_DECODER_H_

#include <sentencepiece_processor.h>

#include <cstdint>
#include <string>

#include "sentencepiece/control_text_pattern.h"

namespace nuvra::spm {

// Text of `count` ids of tokenizer `type`'s id space. With `skip_special` the
// model detokenises what is left after dropping unknown, pad, mask and
// out-of-range ids; otherwise every piece is written as stored, its leading
// word-start mark turned into a space.
std::string spmDecode(uint32_t type, const sentencepiece::SentencePieceProcessor& model,
                      const ModelIds& ids, const int32_t* model_ids, uint32_t count,
                      bool skip_special);

}  // namespace nuvra::spm

#endif  // NUVRA_SENTENCEPIECE_DECODER_H_
