#include "interface/handle.h"
#include "interface/status_guard.h"
#include "interface/tokenizer_types.h"
#include "nuvra_tokenizer.h"

using nuvra::guardStatus;

extern "C" {

NUVRA_TOKENIZER_API int32_t nuvraTokenizerCreate(NuvraTokenizer** tokenizer, int32_t type,
                                                 int32_t flags) {
  if (tokenizer == nullptr) return NUVRA_TOKENIZER_STATUS_INVALID_ARGUMENT;
  if (static_cast<uint32_t>(type) > nuvra::kLastType) return NUVRA_TOKENIZER_STATUS_INVALID_ARGUMENT;
  if ((static_cast<uint32_t>(flags) & ~uint32_t(NUVRA_TOKENIZER_FLAG_UTF8_SAFE)) != 0) {
    return NUVRA_TOKENIZER_STATUS_INVALID_ARGUMENT;
  }
  // A handle whose build fails is released whole; the caller sees null.
  const int32_t status = guardStatus([&] {
    *tokenizer = nuvra::createHandle(uint32_t(type), uint32_t(flags)).release();
    return NUVRA_TOKENIZER_STATUS_SUCCESS;
  });
  if (status != NUVRA_TOKENIZER_STATUS_SUCCESS) *tokenizer = nullptr;
  return status;
}

NUVRA_TOKENIZER_API void nuvraTokenizerDestroy(NuvraTokenizer* tokenizer) {
  if (tokenizer == nullptr) return;
  // The analyzer and the special pattern go first: they may refer to the rest.
  tokenizer->analyzer.reset();
  tokenizer->spm_special_pattern.reset();
  delete tokenizer;
}

}  // extern "C"
