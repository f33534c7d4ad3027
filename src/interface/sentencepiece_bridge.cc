#include <optional>
#include <string>
#include <utility>

#include "interface/family_bridge.h"
#include "sentencepiece/decoder.h"
#include "sentencepiece/encoder.h"
#include "sentencepiece/id_mapping.h"
#include "sentencepiece/model_loader.h"
#include "sentencepiece/vocabulary.h"

// The special pattern is set by the first successful load and never cleared,
// so it tells whether the handle holds a model. The processor itself is not
// asked: it logs an error for every query while empty.
namespace nuvra {

int32_t spmEncodeHandle(const NuvraTokenizer& handle, std::string_view text, bool encode_flag,
                        TokenRecords& out) {
  if (!handle.spm_special_pattern) return NUVRA_TOKENIZER_STATUS_INVALID_STATE;
  out = spm::spmEncode(handle.type, *handle.spm_processor, *handle.spm_special_pattern, text,
                       encode_flag);
  return NUVRA_TOKENIZER_STATUS_SUCCESS;
}

int32_t spmDecodeHandle(const NuvraTokenizer& handle, const int32_t* ids, uint32_t count,
                        bool skip_special, std::string& out) {
  if (!handle.spm_special_pattern) return NUVRA_TOKENIZER_STATUS_INVALID_STATE;
  out = spm::spmDecode(handle.type, *handle.spm_processor, handle.spm_special_pattern->ids(), ids,
                       count, skip_special);
  return NUVRA_TOKENIZER_STATUS_SUCCESS;
}

int32_t loadSpmModel(NuvraTokenizer& handle, const readers::FilePath& path) {
  const std::optional<std::string> name = readers::nativePath(path);
  if (!name) return NUVRA_TOKENIZER_STATUS_ERROR_FILE_API;
  std::optional<spm::LoadedModel> model = spm::loadModel(handle.type, *name);
  if (!model) return NUVRA_TOKENIZER_STATUS_ERROR_FILE_API;
  handle.spm_processor = std::move(model->processor);
  handle.spm_special_pattern = std::move(model->special_pattern);
  return NUVRA_TOKENIZER_STATUS_SUCCESS;
}

namespace {

int32_t pieceCount(const NuvraTokenizer& handle) {
  return handle.spm_special_pattern ? handle.spm_special_pattern->ids().piece_count : 0;
}

}  // namespace

int32_t spmVocabSize(const NuvraTokenizer& handle) {
  return spm::idSpaceSize(handle.type, pieceCount(handle));
}

std::string spmIdToText(const NuvraTokenizer& handle, int32_t id) {
  return std::string(spm::spmPieceText(handle.type, *handle.spm_processor,
                                       spm::modelToSpmId(handle.type, id), pieceCount(handle)));
}

}  // namespace nuvra
