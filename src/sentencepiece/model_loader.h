#ifndef NUVRA_SENTENCEPIECE_MODEL_LOADER_H_
#define NUVRA_SENTENCEPIECE_MODEL_LOADER_H_

#include <sentencepiece_processor.h>

#include <cstdint>
#include <memory>
#include <optional>

#include "readers/text_file.h"
#include "sentencepiece/control_texts.h"
#include "sentencepiece/type_options.h"

namespace nuvra::spm {

// A model and the special pattern built from it; they are replaced together.
struct LoadedModel {
  std::unique_ptr<sentencepiece::SentencePieceProcessor> processor;
  std::unique_ptr<const SpecialPattern> special_pattern;
};

// Loads the model file at `path` for a type of `layout`; nullopt when it is no
// regular file, cannot be read or is no model. Loads into a processor of
// its own: the library empties a processor before failing on some files.
std::optional<LoadedModel> loadModel(IdLayout layout, const FilePath& path);

}  // namespace nuvra::spm

#endif  // NUVRA_SENTENCEPIECE_MODEL_LOADER_H_
