#include <memory>

#include "interface/family_bridge.h"
#include "wordpiece/decoder.h"
#include "wordpiece/encoder.h"

namespace nuvra {
namespace {

const wordpiece::VocabIndex& vocabIndex(const NuvraTokenizer& handle) {
  if (handle.token_to_id.wordpiece) return *handle.token_to_id.wordpiece;
  static const wordpiece::VocabIndex empty{std::vector<std::string>{}};
  return empty;
}

}  // namespace

int32_t wordpieceEncodeHandle(const NuvraTokenizer& handle, std::string_view text,
                              bool encode_flag, TokenRecords& out) {
  // The encode flag is true when special texts in the input are plain text.
  out = wordpiece::wordpieceEncode(vocabIndex(handle), text,
                                   {handle.do_lower_case, handle.tokenize_chinese_chars},
                                   encode_flag);
  return NUVRA_TOKENIZER_STATUS_SUCCESS;
}

int32_t wordpieceDecodeHandle(const NuvraTokenizer& handle, const int32_t* ids, uint32_t count,
                              bool skip_special, std::string& out) {
  static const std::vector<std::string> kNoVocab;
  out = wordpiece::wordpieceDecode(handle.vocab ? *handle.vocab : kNoVocab, ids, count,
                                   skip_special);
  return NUVRA_TOKENIZER_STATUS_SUCCESS;
}

}  // namespace nuvra
