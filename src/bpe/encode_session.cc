#include "bpe/encode_session.h"

#include "bpe/bpe_encoder.h"

namespace nuvra::bpe {

void EncodeSession::encode(const TypeOptions& type, std::string_view text,
                           const std::shared_ptr<const VocabIndex>& vocab,
                           const std::shared_ptr<const MergeTable>& merges,
                           EncodeSpecials specials, TokenRecords& records) {
  if (!engine_ || vocab != vocab_ || merges != merges_) {
    // Dropped first: a failed allocation then leaves no engine bound to
    // tables it was not built for.
    engine_.reset();
    vocab_ = vocab;
    merges_ = merges;
    engine_ =
        std::make_unique<MergeEngine>(*merges_, vocab_->tokens(), type.word_end, type.unknown_id);
  }
  bpeEncodeWith(type, text, vocab_->tokens(), *engine_, specials, records);
}

}  // namespace nuvra::bpe
