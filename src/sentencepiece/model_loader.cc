#include "sentencepiece/model_loader.h"

#include <exception>
#include <new>

namespace nuvra::spm {
namespace {

// The library reads through a stream that throws on some unreadable files
// (a directory): that is a file that cannot be loaded, not an internal fault.
bool loadInto(sentencepiece::SentencePieceProcessor& processor, const std::string& path) {
  try {
    return processor.Load(path).ok();
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

std::optional<LoadedModel> loadModel(IdLayout layout, const std::string& path) {
  auto processor = std::make_unique<sentencepiece::SentencePieceProcessor>();
  if (!loadInto(*processor, path)) return std::nullopt;
  ModelIds ids;
  ids.piece_count = processor->GetPieceSize();
  ids.bos = processor->bos_id();
  ids.eos = processor->eos_id();
  ids.unk = processor->unk_id();
  ids.pad = processor->pad_id();
  auto pattern = std::make_unique<const SpecialPattern>(buildSpecialPattern(layout, ids));
  return LoadedModel{std::move(processor), std::move(pattern)};
}

}  // namespace nuvra::spm
