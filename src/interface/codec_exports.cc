#include <string>
#include <string_view>

#include "interface/handle.h"
#include "interface/status_guard.h"
#include "nuvra_tokenizer.h"

namespace nuvra {
namespace {

int32_t encodeText(NuvraTokenizer* handle, const char* text, EncodeSpecials specials) {
  if (handle == nullptr || text == nullptr) return NUVRA_TOKENIZER_STATUS_INVALID_ARGUMENT;
  return guardStatus([&] {
    TokenRecords records;
    records.swap(handle->spare_records);
    records.clear();
    const Status status = handle->family->encode(std::string_view(text), specials, records);
    if (status == Status::kSuccess) handle->records.swap(records);
    handle->spare_records.swap(records);
    return status;
  });
}

int32_t decodeIds(NuvraTokenizer* handle, const int32_t* ids, uint32_t count,
                  DecodeSpecials specials) {
  if (handle == nullptr || ids == nullptr) return NUVRA_TOKENIZER_STATUS_INVALID_ARGUMENT;
  return guardStatus([&] {
    std::string text;
    const Status status = handle->family->decode(ids, count, specials, text);
    if (status == Status::kSuccess) handle->decoded_text.swap(text);
    return status;
  });
}

}  // namespace
}  // namespace nuvra

using nuvra::DecodeSpecials;
using nuvra::EncodeSpecials;

extern "C" {

NUVRA_TOKENIZER_API int32_t nuvraTokenizerEncode(NuvraTokenizer* tokenizer, const char* text) {
  return nuvra::encodeText(tokenizer, text, EncodeSpecials::kAsText);
}

NUVRA_TOKENIZER_API int32_t nuvraTokenizerEncodeWithSpecialTokens(NuvraTokenizer* tokenizer,
                                                                  const char* text) {
  return nuvra::encodeText(tokenizer, text, EncodeSpecials::kRecognise);
}

NUVRA_TOKENIZER_API int32_t nuvraTokenizerDecode(NuvraTokenizer* tokenizer, const int32_t* ids,
                                                 uint32_t count) {
  return nuvra::decodeIds(tokenizer, ids, count, DecodeSpecials::kSkip);
}

NUVRA_TOKENIZER_API int32_t nuvraTokenizerDecodeWithSpecialTokens(NuvraTokenizer* tokenizer,
                                                                  const int32_t* ids,
                                                                  uint32_t count) {
  return nuvra::decodeIds(tokenizer, ids, count, DecodeSpecials::kWrite);
}

}  // extern "C"
