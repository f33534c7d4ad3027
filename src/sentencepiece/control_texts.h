#ifndef NUVRA_SENTENCEPIECE_CONTROL_TEXTS_H_
#define NUVRA_SENTENCEPIECE_CONTROL_TEXTS_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sentencepiece/type_options.h"
#include "sentencepiece/model_settings.h"

namespace nuvra::spm {

// The fixed texts that encode recognises as special tokens when asked to.
enum class SpecialText : uint8_t { kBos, kEos, kPad, kUnk, kMask };

// "<s>", "</s>", "<pad>", "<unk>", "<mask>".
std::string_view specialTextBytes(SpecialText text);

// What a loaded model says about itself, read once at load: its piece count,
// the ids of its control pieces (-1 where it has none) and where its long
// texts may be cut.
struct ModelIds {
  int32_t piece_count = 0;
  int32_t bos = -1;
  int32_t eos = -1;
  int32_t unk = -1;
  int32_t pad = -1;
  CutRule cut;
};

// An ordered alternation of fixed texts searched leftmost-first: of the
// alternatives matching at the earliest position, the first one listed wins.
// It is built together with a model and carries that model's ids.
class SpecialPattern {
 public:
  struct Match {
    size_t start;
    size_t end;
    SpecialText text;
  };

  SpecialPattern(std::vector<SpecialText> alternatives, const ModelIds& ids);

  // The leftmost match starting at or after `from`.
  std::optional<Match> find(std::string_view text, size_t from) const;

  // The alternation written out, e.g. "<s>|</s>|<pad>|<unk>".
  std::string text() const;

  const ModelIds& ids() const { return ids_; }

 private:
  std::vector<SpecialText> alternatives_;
  ModelIds ids_;
};

// The pattern of a model under `layout`: "<s>", "</s>", "<pad>", "<unk>",
// "<mask>" in this order, "<s>", "</s>" and "<unk>" only when the model has
// that piece, "<pad>" always, "<mask>" in the shifted layout only.
SpecialPattern buildSpecialPattern(IdLayout layout, const ModelIds& ids);

// One piece of a text cut at the pattern's matches: a gap of ordinary text
// (no `special`) or one match.
struct SpecialTextPiece {
  std::string_view text;
  std::optional<SpecialText> special;
};

// Gaps and matches in order, covering `text` exactly; gaps are never empty,
// so "<s><s>" gives two matches and the empty text nothing. Unlike the BPE
// tag split, only the pattern's fixed texts cut, and each match says which.
std::vector<SpecialTextPiece> splitAtSpecialTexts(std::string_view text,
                                                  const SpecialPattern& pattern);

}  // namespace nuvra::spm

#endif  // NUVRA_SENTENCEPIECE_CONTROL_TEXTS_H_
