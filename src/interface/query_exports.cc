#include <cstring>
#include <string>

#include "interface/handle.h"
#include "interface/status_guard.h"
#include "nuvra_tokenizer.h"

namespace nuvra {
namespace {

// Copies one field of every record; capacity before type, as callers rely on.
int32_t copyRecordField(const NuvraTokenizer* handle, int32_t* out, uint32_t capacity,
                        int32_t TokenRecord::*field, bool positions) {
  if (handle == nullptr || out == nullptr) return NUVRA_TOKENIZER_STATUS_INVALID_ARGUMENT;
  if (capacity < handle->records.size()) return NUVRA_TOKENIZER_STATUS_INVALID_ARGUMENT;
  if (positions && !handle->type->exposes_positions) return NUVRA_TOKENIZER_STATUS_INVALID_STATE;
  for (size_t i = 0; i < handle->records.size(); ++i) out[i] = handle->records[i].*field;
  return NUVRA_TOKENIZER_STATUS_SUCCESS;
}

}  // namespace
}  // namespace nuvra

using nuvra::guardStatus;

extern "C" {

NUVRA_TOKENIZER_API int32_t nuvraTokenizerGetTokenCount(NuvraTokenizer* tokenizer,
                                                        uint32_t* count) {
  if (tokenizer == nullptr || count == nullptr) return NUVRA_TOKENIZER_STATUS_INVALID_ARGUMENT;
  if (tokenizer->records.size() > UINT32_MAX) return NUVRA_TOKENIZER_STATUS_MEMORY_INSUFFICIENT;
  *count = uint32_t(tokenizer->records.size());
  return NUVRA_TOKENIZER_STATUS_SUCCESS;
}

NUVRA_TOKENIZER_API int32_t nuvraTokenizerGetTokens(NuvraTokenizer* tokenizer, int32_t* ids,
                                                    uint32_t capacity) {
  return nuvra::copyRecordField(tokenizer, ids, capacity, &nuvra::TokenRecord::id, false);
}

NUVRA_TOKENIZER_API int32_t nuvraTokenizerGetWordIDs(NuvraTokenizer* tokenizer, int32_t* word_ids,
                                                     uint32_t capacity) {
  return nuvra::copyRecordField(tokenizer, word_ids, capacity, &nuvra::TokenRecord::word_id,
                                true);
}

NUVRA_TOKENIZER_API int32_t nuvraTokenizerGetCharStarts(NuvraTokenizer* tokenizer, int32_t* starts,
                                                        uint32_t capacity) {
  return nuvra::copyRecordField(tokenizer, starts, capacity, &nuvra::TokenRecord::char_start,
                                true);
}

NUVRA_TOKENIZER_API int32_t nuvraTokenizerGetCharEnds(NuvraTokenizer* tokenizer, int32_t* ends,
                                                      uint32_t capacity) {
  return nuvra::copyRecordField(tokenizer, ends, capacity, &nuvra::TokenRecord::char_end, true);
}

NUVRA_TOKENIZER_API int32_t nuvraTokenizerGetTextLength(NuvraTokenizer* tokenizer,
                                                        uint32_t* length) {
  if (tokenizer == nullptr || length == nullptr) return NUVRA_TOKENIZER_STATUS_INVALID_ARGUMENT;
  // A text the 32-bit length cannot describe is reported, not truncated.
  if (tokenizer->decoded_text.size() >= UINT32_MAX) {
    return NUVRA_TOKENIZER_STATUS_MEMORY_INSUFFICIENT;
  }
  *length = uint32_t(tokenizer->decoded_text.size() + 1);
  return NUVRA_TOKENIZER_STATUS_SUCCESS;
}

NUVRA_TOKENIZER_API int32_t nuvraTokenizerGetText(NuvraTokenizer* tokenizer, char* buffer,
                                                  uint32_t size) {
  if (tokenizer == nullptr || buffer == nullptr) return NUVRA_TOKENIZER_STATUS_INVALID_ARGUMENT;
  const std::string& text = tokenizer->decoded_text;
  if (size_t(size) < text.size() + 1) return NUVRA_TOKENIZER_STATUS_INVALID_ARGUMENT;
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return NUVRA_TOKENIZER_STATUS_SUCCESS;
}

NUVRA_TOKENIZER_API int32_t nuvraTokenizerGetVocabSize(NuvraTokenizer* tokenizer,
                                                       uint32_t* size) {
  if (tokenizer == nullptr || size == nullptr) return NUVRA_TOKENIZER_STATUS_INVALID_ARGUMENT;
  *size = tokenizer->family->vocabSize();
  return NUVRA_TOKENIZER_STATUS_SUCCESS;
}

NUVRA_TOKENIZER_API int32_t nuvraTokenizerGetVocab(NuvraTokenizer* tokenizer, int32_t index,
                                                   const char** text) {
  if (tokenizer == nullptr || text == nullptr || index < 0) {
    return NUVRA_TOKENIZER_STATUS_INVALID_ARGUMENT;
  }
  if (uint32_t(index) >= tokenizer->family->vocabSize()) {
    return NUVRA_TOKENIZER_STATUS_INVALID_ARGUMENT;
  }
  return guardStatus([&] {
    std::string entry = tokenizer->family->vocabEntry(uint32_t(index));
    tokenizer->vocab_text.swap(entry);
    *text = tokenizer->vocab_text.c_str();
    return nuvra::Status::kSuccess;
  });
}

}  // extern "C"
