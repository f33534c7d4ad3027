#include <string>
#include <string_view>

#include "interface/family_bridge.h"
#include "interface/handle.h"
#include "interface/status_guard.h"
#include "interface/tokenizer_types.h"
#include "nuvra_tokenizer.h"

namespace nuvra {
namespace {

int32_t encodeText(NuvraTokenizer* handle, const char* text, bool encode_flag) {
  if (handle == nullptr || text == nullptr) return NUVRA_TOKENIZER_STATUS_INVALID_ARGUMENT;
  return guardStatus([&] {
    const std::string_view input(text);
    TokenRecords records;
    int32_t status = NUVRA_TOKENIZER_STATUS_INVALID_STATE;
    const uint32_t type = handle->type;
    if (typeIn(type, kSentencePieceTypes)) {
      status = spmEncodeHandle(*handle, input, encode_flag, records);
    } else if (typeIn(type, kJapaneseWordpieceTypes)) {
      if (!handle->analyzer) return NUVRA_TOKENIZER_STATUS_INVALID_STATE;
      status = japaneseEncodeHandle(*handle, input, encode_flag, records);
    } else if (typeIn(type, kWordpieceTypes)) {
      status = wordpieceEncodeHandle(*handle, input, encode_flag, records);
    } else if (typeIn(type, kBpeTypes)) {
      status = bpeEncodeHandle(*handle, input, encode_flag, records);
    }
    if (status == NUVRA_TOKENIZER_STATUS_SUCCESS) handle->records.swap(records);
    return status;
  });
}

int32_t decodeIds(NuvraTokenizer* handle, const int32_t* ids, uint32_t count, bool skip_special) {
  if (handle == nullptr || ids == nullptr) return NUVRA_TOKENIZER_STATUS_INVALID_ARGUMENT;
  return guardStatus([&] {
    std::string text;
    int32_t status = NUVRA_TOKENIZER_STATUS_INVALID_STATE;
    const uint32_t type = handle->type;
    if (typeIn(type, kSentencePieceTypes)) {
      status = spmDecodeHandle(*handle, ids, count, skip_special, text);
    } else if (typeIn(type, kWordpieceTypes | kJapaneseWordpieceTypes)) {
      status = wordpieceDecodeHandle(*handle, ids, count, skip_special, text);
    } else if (typeIn(type, kBpeTypes)) {
      status = bpeDecodeHandle(*handle, ids, count, skip_special, text);
    }
    if (status == NUVRA_TOKENIZER_STATUS_SUCCESS) handle->decoded_text.swap(text);
    return status;
  });
}

}  // namespace
}  // namespace nuvra

extern "C" {

NUVRA_TOKENIZER_API int32_t nuvraTokenizerEncode(NuvraTokenizer* tokenizer, const char* text) {
  return nuvra::encodeText(tokenizer, text, true);
}

NUVRA_TOKENIZER_API int32_t nuvraTokenizerEncodeWithSpecialTokens(NuvraTokenizer* tokenizer,
                                                                  const char* text) {
  return nuvra::encodeText(tokenizer, text, false);
}

NUVRA_TOKENIZER_API int32_t nuvraTokenizerDecode(NuvraTokenizer* tokenizer, const int32_t* ids,
                                                 uint32_t count) {
  return nuvra::decodeIds(tokenizer, ids, count, true);
}

NUVRA_TOKENIZER_API int32_t nuvraTokenizerDecodeWithSpecialTokens(NuvraTokenizer* tokenizer,
                                                                  const int32_t* ids,
                                                                  uint32_t count) {
  return nuvra::decodeIds(tokenizer, ids, count, false);
}

}  // extern "C"
