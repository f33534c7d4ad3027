#include "sentencepiece/sentencepiece_family.h"

#include <optional>
#include <utility>

#include "sentencepiece/decoder.h"
#include "sentencepiece/encoder.h"
#include "sentencepiece/id_mapping.h"
#include "sentencepiece/model_loader.h"
#include "sentencepiece/vocabulary.h"

namespace nuvra::spm {

SentencePieceFamily::SentencePieceFamily(const TypeOptions& type)
    : type_(type), processor_(std::make_unique<sentencepiece::SentencePieceProcessor>()) {}

Status SentencePieceFamily::encode(std::string_view text, EncodeSpecials specials,
                                   TokenRecords& out) {
  if (!special_pattern_) return Status::kInvalidState;
  out = spmEncode(type_, *processor_, *special_pattern_, text, specials);
  return Status::kSuccess;
}

Status SentencePieceFamily::decode(const int32_t* ids, uint32_t count, DecodeSpecials specials,
                                   std::string& out) const {
  if (!special_pattern_) return Status::kInvalidState;
  out = spmDecode(type_, *processor_, special_pattern_->ids(), ids, count, specials);
  return Status::kSuccess;
}

Status SentencePieceFamily::open(FileKind kind, const FilePath& path) {
  if (kind != FileKind::kModel) return Status::kInvalidState;
  std::optional<LoadedModel> model = loadModel(type_.layout, path);
  if (!model) return Status::kFileError;
  processor_ = std::move(model->processor);
  special_pattern_ = std::move(model->special_pattern);
  return Status::kSuccess;
}

uint32_t SentencePieceFamily::vocabSize() const {
  return uint32_t(idSpaceSize(type_.layout, pieceCount()));
}

std::string SentencePieceFamily::vocabEntry(uint32_t id) const {
  const int32_t piece = tokenToPieceId(type_.layout, int32_t(id));
  return std::string(spmPieceText(type_.layout, *processor_, piece, pieceCount()));
}

}  // namespace nuvra::spm
