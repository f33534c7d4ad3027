#ifndef NUVRA_WORDPIECE_MATCHER_H_
#define NUVRA_WORDPIECE_MATCHER_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "wordpiece/vocabulary.h"

namespace nuvra::wordpiece {

inline constexpr std::string_view kUnknownToken = "[UNK]";
inline constexpr std::string_view kContinuationPrefix = "##";

// The six ASCII white-space bytes; U+00A0 and U+3000 are word characters.
inline bool isAsciiWhitespace(unsigned char b) {
  return b == ' ' || (b >= 0x09 && b <= 0x0D);
}

// Maximal runs of bytes that are not ASCII white space.
std::vector<std::string> whitespaceSplit(std::string_view text);

// One piece of a matched word: bytes [start, end) of the word, id of the
// entry that equals them (behind "##" unless start is 0).
struct WordPiece {
  int32_t id;
  uint32_t start;
  uint32_t end;
};

// Cuts `word` (no white space, at most kWordLengthLimit bytes) into the
// longest entries left to right: with un, ##aff, ##able in the vocabulary,
// "unaffable" -> un ##aff ##able. Returns the number of pieces written to
// `pieces` (room for word.size()), or 0 when some position cannot be
// covered; the word is then unknown as a whole.
size_t matchWord(std::string_view word, const VocabIndex& index, WordPiece* pieces);

// The ids of the tokens of `text`: each white-space separated word cut by
// matchWord, `unknown_id` for a word that is too long or cannot be covered.
template <typename Emit>
void forEachWordpieceId(std::string_view text, const VocabIndex& index, int32_t unknown_id,
                        Emit&& emit) {
  WordPiece pieces[kWordLengthLimit];
  const size_t n = text.size();
  size_t i = 0;
  while (i < n) {
    while (i < n && isAsciiWhitespace(static_cast<unsigned char>(text[i]))) ++i;
    if (i == n) break;
    size_t end = i + 1;
    while (end < n && !isAsciiWhitespace(static_cast<unsigned char>(text[end]))) ++end;
    const size_t count =
        end - i > kWordLengthLimit ? 0 : matchWord(text.substr(i, end - i), index, pieces);
    if (count == 0) {
      emit(unknown_id);
    } else {
      for (size_t k = 0; k < count; ++k) emit(pieces[k].id);
    }
    i = end;
  }
}

// Token texts of `text` as forEachWordpieceId cuts it: pieces after the
// first of a word carry "##", and an unknown word is "[UNK]".
std::vector<std::string> wordpieceTokenize(std::string_view text, const VocabIndex& index);

}  // namespace nuvra::wordpiece

#endif  // NUVRA_WORDPIECE_MATCHER_H_
