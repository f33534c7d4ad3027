#include "interface/handle.h"

#include "bpe/builtin_tables.h"
#include "interface/tokenizer_types.h"

namespace nuvra {

std::unique_ptr<NuvraTokenizer> createHandle(uint32_t type, uint32_t flags) {
  auto handle = std::make_unique<NuvraTokenizer>();
  handle->type = type;
  handle->flags = flags;
  const bpe::BuiltinTables& builtin = bpe::builtinTables(type);
  handle->vocab = builtin.vocab;
  handle->token_to_id.bpe = builtin.token_to_id;
  if (typeIn(type, kWordpieceTypes | kJapaneseWordpieceTypes)) {
    handle->token_to_id.wordpiece = std::make_shared<const wordpiece::VocabIndex>(*builtin.vocab);
  }
  handle->byte_encoder = &bpe::byteEncoder();
  handle->byte_decoder = &bpe::byteDecoder();
  handle->merges = builtin.merges;
  handle->spm_processor = std::make_unique<sentencepiece::SentencePieceProcessor>();
  handle->pre_tokenizer = bpe::buildPreTokenizer(type);
  return handle;
}

}  // namespace nuvra
