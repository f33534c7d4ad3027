#ifndef NUVRA_SENTENCEPIECE_TYPE_OPTIONS_H_
#define NUVRA_SENTENCEPIECE_TYPE_OPTIONS_H_

#include <cstdint>

namespace nuvra::spm {

// How a type's token ids relate to the model's piece ids.
enum class IdLayout : uint8_t {
  // The model's ids unchanged.
  kModel,
  // The model's ids, and "<pad>" right after the last piece.
  kPadAfterPieces,
  // "<s>", "<pad>", "</s>", "<unk>" at 0 to 3, every other piece one higher
  // than in the model, and "<mask>" after the last; the layout of models
  // trained with a fairseq dictionary, whose four control ids come first.
  kShifted,
};

// Where decode puts spaces around special pieces it writes.
enum class SpecialSpacing : uint8_t {
  kNone,
  // A special piece between two others is followed by a space, which the
  // next word then does not add: "▁Hello </s> ▁world" -> "Hello</s> world".
  kAfterInnerSpecial,
  // A word right after a special piece is set apart by a space.
  kBeforeWordAfterSpecial,
};

// What distinguishes one SentencePiece type from another; the type table
// holds one per type.
struct TypeOptions {
  IdLayout layout = IdLayout::kModel;
  bool adds_bos = false;
  bool adds_eos = false;
  // With specials recognised, a text piece after the first record loses a
  // leading id 5: the models this type was made for hold the bare word-start
  // mark there. A literal id, whatever the model holds at 5.
  bool drops_leading_id5 = false;
  SpecialSpacing spacing = SpecialSpacing::kNone;
};

}  // namespace nuvra::spm

#endif  // NUVRA_SENTENCEPIECE_TYPE_OPTIONS_H_
