#include "interface/handle.h"
#include "interface/status_guard.h"
#include "interface/type_table.h"
#include "nuvra_tokenizer.h"

using nuvra::guardStatus;
using nuvra::Status;

extern "C" {

NUVRA_TOKENIZER_API int32_t nuvraTokenizerCreate(NuvraTokenizer** tokenizer, int32_t type,
                                                 int32_t flags) {
  if (tokenizer == nullptr) return NUVRA_TOKENIZER_STATUS_INVALID_ARGUMENT;
  // A negative type reads as a number far above the last one.
  const nuvra::TypeDescription* description = nuvra::findType(static_cast<uint32_t>(type));
  if (description == nullptr) return NUVRA_TOKENIZER_STATUS_INVALID_ARGUMENT;
  if ((static_cast<uint32_t>(flags) & ~uint32_t(NUVRA_TOKENIZER_FLAG_UTF8_SAFE)) != 0) {
    return NUVRA_TOKENIZER_STATUS_INVALID_ARGUMENT;
  }
  // A handle whose build fails is released whole; the caller sees null.
  const int32_t status = guardStatus([&] {
    auto handle = std::make_unique<NuvraTokenizer>();
    handle->type = description;
    handle->flags = uint32_t(flags);
    handle->family = nuvra::createFamily(*description, uint32_t(flags));
    *tokenizer = handle.release();
    return Status::kSuccess;
  });
  if (status != NUVRA_TOKENIZER_STATUS_SUCCESS) *tokenizer = nullptr;
  return status;
}

NUVRA_TOKENIZER_API void nuvraTokenizerDestroy(NuvraTokenizer* tokenizer) {
  delete tokenizer;
}

}  // extern "C"
