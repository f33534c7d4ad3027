#ifndef NUVRA_SENTENCEPIECE_MODEL_LOADER_H_
#define NUVRA_SENTENCEPIECE_MODEL_LOADER_H_

#include <sentencepiece_processor.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "sentencepiece/special_pattern.h"
#include "sentencepiece/type_options.h"

namespace nuvra::spm {

// A model and the special pattern built from it; they are replaced together.
struct LoadedModel {
  std::unique_ptr<sentencepiece::SentencePieceProcessor> processor;
  std::unique_ptr<const SpecialPattern> special_pattern;
};

// Loads the model file at `path` (UTF-8 / native bytes) for a type of `layout`;
// nullopt when it cannot be read or is no model. Loads into a processor of
// its own: the library empties a processor before failing on some files.
std::optional<LoadedModel> loadModel(IdLayout layout, const std::string& path);

}  // namespace nuvra::spm

#endif  // NUVRA_SENTENCEPIECE_MODEL_LOADER_H_
