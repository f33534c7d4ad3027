#ifndef NUVRA_SENTENCEPIECE_ID_MAPPING_H_
#define NUVRA_SENTENCEPIECE_ID_MAPPING_H_

#include <cstdint>

namespace nuvra::spm {

// Type 2 puts "<s>", "<pad>", "</s>", "<unk>" at ids 0 to 3 and every other
// piece one place higher than in the model; piece id -1 stands for "<pad>",
// which has no piece. The other types use the model's ids unchanged.
int32_t modelToSpmId(uint32_t type, int32_t model_id);
int32_t spmToModelId(uint32_t type, int32_t piece_id);

}  // namespace nuvra::spm

#endif  // NUVRA_SENTENCEPIECE_ID_MAPPING_H_
