#include "bpe/bpe_decoder.h"
#include "bpe/bpe_encoder.h"
#include "interface/family_bridge.h"

namespace nuvra {

int32_t bpeEncodeHandle(const NuvraTokenizer& handle, std::string_view text, bool encode_flag,
                        TokenRecords& out) {
  out = bpe::bpeEncode(handle.pre_tokenizer, text, handle.type, handle.token_to_id.bpe->tokens(),
                       *handle.merges, encode_flag);
  return NUVRA_TOKENIZER_STATUS_SUCCESS;
}

int32_t bpeDecodeHandle(const NuvraTokenizer& handle, const int32_t* ids, uint32_t count,
                        bool skip_special, std::string& out) {
  out = bpe::bpeDecode(ids, count, handle.type, handle.flags, *handle.token_to_id.bpe,
                       *handle.vocab, *handle.byte_decoder, skip_special);
  return NUVRA_TOKENIZER_STATUS_SUCCESS;
}

}  // namespace nuvra
