#ifndef NUVRA_SENTENCEPIECE_MODEL_SETTINGS_H_
#define NUVRA_SENTENCEPIECE_MODEL_SETTINGS_H_

#include <string_view>

namespace nuvra::spm {

// Where the library's segmentation of a text may be cut without changing
// its ids: at a single space, which each side's own normalisation then
// restores as its dummy prefix (or suffix).
struct CutRule {
  // No piece spans a word boundary and each side normalises on its own.
  bool at_spaces = false;
  // The byte before the space may be any but a space or a word-start mark;
  // otherwise it must be printable ASCII.
  bool after_any_byte = false;
  // Marks end pieces ("word▁"), so the byte after the space must be
  // printable ASCII; otherwise any but a space.
  bool marks_end_words = false;
};

// The rule a serialized model allows, read from its trainer and normaliser
// settings and its pieces; no cutting for a model that is not well formed.
CutRule cutRuleOf(std::string_view serialized_model);

}  // namespace nuvra::spm

#endif  // NUVRA_SENTENCEPIECE_MODEL_SETTINGS_H_
