#include "interface/family_bridge.h"

namespace nuvra {

int32_t wordpieceEncodeHandle(const NuvraTokenizer&, std::string_view, bool, TokenRecords&) {
  return NUVRA_TOKENIZER_STATUS_INVALID_STATE;
}

int32_t wordpieceDecodeHandle(const NuvraTokenizer&, const int32_t*, uint32_t, bool,
                              std::string&) {
  return NUVRA_TOKENIZER_STATUS_INVALID_STATE;
}

}  // namespace nuvra
