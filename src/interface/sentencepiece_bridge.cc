#include "interface/family_bridge.h"

namespace nuvra {

int32_t spmEncodeHandle(const NuvraTokenizer&, std::string_view, bool, TokenRecords&) {
  return NUVRA_TOKENIZER_STATUS_INVALID_STATE;
}

int32_t spmDecodeHandle(const NuvraTokenizer&, const int32_t*, uint32_t, bool, std::string&) {
  return NUVRA_TOKENIZER_STATUS_INVALID_STATE;
}

int32_t loadSpmModel(NuvraTokenizer&, const readers::FilePath&) {
  return NUVRA_TOKENIZER_STATUS_ERROR_FILE_API;
}

int32_t spmVocabSize(const NuvraTokenizer&) { return 0; }

std::string spmIdToText(const NuvraTokenizer&, int32_t) { return {}; }

}  // namespace nuvra
