#include "sentencepiece/model_loader.h"

#include <string>

#include "sentencepiece/model_settings.h"

namespace nuvra::spm {

std::optional<LoadedModel> loadModel(IdLayout layout, const FilePath& path) {
  // Read here rather than by the library, so that only regular files are
  // read and the bytes also tell how the model cuts texts.
  const std::optional<LargeString> bytes = readers::readFileBytes(path);
  if (!bytes) return std::nullopt;
  auto processor = std::make_unique<sentencepiece::SentencePieceProcessor>();
  if (!processor->LoadFromSerializedProto(*bytes).ok()) return std::nullopt;
  ModelIds ids;
  ids.piece_count = processor->GetPieceSize();
  ids.bos = processor->bos_id();
  ids.eos = processor->eos_id();
  ids.unk = processor->unk_id();
  ids.pad = processor->pad_id();
  ids.cut = cutRuleOf(*bytes);
  auto pattern = std::make_unique<const SpecialPattern>(buildSpecialPattern(layout, ids));
  return LoadedModel{std::move(processor), std::move(pattern)};
}

}  // namespace nuvra::spm
