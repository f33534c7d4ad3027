#ifndef NUVRA_BPE_PRE_TOKENIZER_H_
#define NUVRA_BPE_PRE_TOKENIZER_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "bpe/pre_tokenizer_patterns.h"

// Hand-written scanners that give exactly the matches of the fixed
// pre-tokenizer patterns under ECMAScript rules: ordered alternation, greedy
// backtracking quantifiers, code points as characters, \s the ECMAScript
// white-space set, \d only 0-9, \p{L} and \p{N} the Unicode 14.0 general
// categories. Bytes that are not valid UTF-8 count as one character each of
// class kOther, so every scanner still makes progress and stays in bounds.

namespace nuvra::bpe {

// Character classes the patterns distinguish; they do not overlap.
enum class CharClass : uint8_t { kOther, kLetter, kNumber, kSpace };

// Class of one code point; kSpace is exactly the ECMAScript \s set (which
// includes U+00A0 and U+FEFF but not U+0085 or U+180E).
CharClass codepointClass(uint32_t cp);

// One piece of a text cut at special tags: a byte range and whether it is a tag match.
struct TagSplitPiece {
  size_t begin;
  size_t end;
  bool is_match;
};

// Gaps and leftmost matches of `pattern` ("<\|[^>]+\|>" or "<[^>]+>") in
// order, covering `text`; no empty gaps; an empty text gives nothing. kNone
// never matches. Appends to `out` after clearing it. Any tag cuts, in the
// vocabulary or not: encode then asks which are special tokens.
// "a<s><s>b" with "<[^>]+>": "a" gap, "<s>" match, "<s>" match, "b" gap.
void splitAtTags(std::string_view text, TagPattern pattern, std::vector<TagSplitPiece>& out);

// True when the whole of `piece` matches `pattern` (full match, not search).
bool matchesTagPattern(std::string_view piece, TagPattern pattern);

// Successive matches of a word pattern in one piece; the piece is the whole
// subject, also for the lookahead of "\s+(?!\S)". Allocates nothing.
//   "  hi"  -> " ", " hi"   (the run gives its last space to the word)
//   "hi  "  -> "hi", "  "   (at the end of the piece the whole run is taken)
//   "I'M"   -> "I", "'", "M" (contractions are case-sensitive)
class WordScanner {
 public:
  WordScanner(std::string_view piece, WordPattern pattern);

  // Next word as a view into the piece; false when no match is left. Text
  // between matches (only possible with kWordEnd, e.g. white space) is skipped.
  bool next(std::string_view& word);

 private:
  std::string_view piece_;
  WordPattern pattern_;
  size_t pos_ = 0;
};

// Every word of `piece`, in order; appends to `out` after clearing it.
void splitWords(std::string_view piece, WordPattern pattern, std::vector<std::string_view>& out);

// Type 1 preparation: every run matched by "\s+" (ECMAScript \s, Unicode)
// becomes one space, then bytes 0x20 0x09 0x0A 0x0D 0x0C 0x0B are trimmed
// from both ends: " a\u3000\u3000b\n" -> "a b".
std::string cleanWhitespace(std::string_view text);

// Every "</w>" replaced by one space, left to right without overlap.
std::string replaceWordEndMarkers(std::string_view text);

}  // namespace nuvra::bpe

#endif  // NUVRA_BPE_PRE_TOKENIZER_H_
