#ifndef NUVRA_WORDPIECE_TYPE_OPTIONS_H_
#define NUVRA_WORDPIECE_TYPE_OPTIONS_H_

#include <cstdint>

namespace nuvra::wordpiece {

// How a type cuts text into words and words into tokens.
enum class WordSplit : uint8_t {
  // The basic tokenizer, then the WordPiece matcher on each word.
  kBasicTokenizer,
  // The morphological analyzer, then the WordPiece matcher on each word.
  kAnalyzerWordpiece,
  // The morphological analyzer, then one token per character.
  kAnalyzerCharacters,
};

// What distinguishes one WordPiece type from another; the type table holds
// one per type.
struct TypeOptions {
  WordSplit split = WordSplit::kBasicTokenizer;
};

}  // namespace nuvra::wordpiece

#endif  // NUVRA_WORDPIECE_TYPE_OPTIONS_H_
