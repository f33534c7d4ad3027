#include "sentencepiece/id_mapping.h"

namespace nuvra::spm {

int32_t modelToSpmId(uint32_t type, int32_t m) {
  if (type != 2) return m;
  switch (m) {
    case 0: return 1;
    case 1: return -1;
    case 2: return 2;
    case 3: return 0;
    default: return int32_t(int64_t(m) - 1);  // INT32_MIN has no piece either way
  }
}

int32_t spmToModelId(uint32_t type, int32_t s) {
  if (type != 2) return s;
  switch (s) {
    case -1: return 1;
    case 0: return 3;
    case 1: return 0;
    case 2: return 2;
    default: return int32_t(int64_t(s) + 1);
  }
}

}  // namespace nuvra::spm
