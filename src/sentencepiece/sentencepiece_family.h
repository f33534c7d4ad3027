#ifndef NUVRA_SENTENCEPIECE_SENTENCEPIECE_FAMILY_H_
#define NUVRA_SENTENCEPIECE_SENTENCEPIECE_FAMILY_H_

#include <sentencepiece_processor.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/family.h"
#include "sentencepiece/control_texts.h"
#include "sentencepiece/type_options.h"

namespace nuvra::spm {

// The types that run a SentencePiece model, each with its own id layout,
// framing and special texts.
class SentencePieceFamily final : public Family {
 public:
  explicit SentencePieceFamily(const TypeOptions& type);

  // Without a model, encode and decode fail with kInvalidState.
  Status encode(std::string_view text, EncodeSpecials specials, TokenRecords& out) override;
  Status decode(const int32_t* ids, uint32_t count, DecodeSpecials specials,
                std::string& out) const override;
  Status open(FileKind kind, const FilePath& path) override;
  uint32_t vocabSize() const override;
  std::string vocabEntry(uint32_t id) const override;

 private:
  int32_t pieceCount() const { return special_pattern_ ? special_pattern_->ids().piece_count : 0; }

  TypeOptions type_;
  // Never null: an empty processor until a model loads, so the queries can
  // ask it; it logs an error for every question while empty, so whether a
  // model is loaded is told by the special pattern, set with the first one.
  std::unique_ptr<sentencepiece::SentencePieceProcessor> processor_;
  std::unique_ptr<const SpecialPattern> special_pattern_;
};

}  // namespace nuvra::spm

#endif  // NUVRA_SENTENCEPIECE_SENTENCEPIECE_FAMILY_H_
