#include "base/utf8.h"
#include "nuvra_tokenizer.h"

extern "C" {

NUVRA_TOKENIZER_API int32_t nuvraTokenizerUtf8ToUtf32(uint32_t* codepoint, uint32_t* consumed,
                                                      const char* bytes, uint32_t available) {
  if (codepoint == nullptr || consumed == nullptr || bytes == nullptr) {
    return NUVRA_TOKENIZER_STATUS_INVALID_ARGUMENT;
  }
  // The count is read as signed: 2^31 and more read as negative and decode nothing.
  *consumed = uint32_t(nuvra::utf8DecodeChar(bytes, static_cast<int32_t>(available), *codepoint));
  return NUVRA_TOKENIZER_STATUS_SUCCESS;
}

NUVRA_TOKENIZER_API int32_t nuvraTokenizerUtf32ToUtf8(char* buffer, uint32_t* written,
                                                      uint32_t codepoint) {
  if (buffer == nullptr || written == nullptr) return NUVRA_TOKENIZER_STATUS_INVALID_ARGUMENT;
  *written = uint32_t(nuvra::utf8EncodeChar(codepoint, buffer));
  return NUVRA_TOKENIZER_STATUS_SUCCESS;
}

}  // extern "C"
