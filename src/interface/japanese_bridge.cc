#include "interface/family_bridge.h"

namespace nuvra {

int32_t japaneseEncodeHandle(NuvraTokenizer&, std::string_view, bool, TokenRecords&) {
  return NUVRA_TOKENIZER_STATUS_INVALID_STATE;
}

int32_t openJapaneseDictionary(NuvraTokenizer&, const readers::FilePath&) {
  return NUVRA_TOKENIZER_STATUS_ERROR_FILE_API;
}

}  // namespace nuvra
