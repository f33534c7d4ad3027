#include "wordpiece/matcher.h"

namespace nuvra::wordpiece {

std::vector<std::string> whitespaceSplit(std::string_view text) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < text.size()) {
    if (isAsciiWhitespace(static_cast<unsigned char>(text[i]))) {
      ++i;
      continue;
    }
    size_t end = i + 1;
    while (end < text.size() && !isAsciiWhitespace(static_cast<unsigned char>(text[end]))) ++end;
    words.emplace_back(text.substr(i, end - i));
    i = end;
  }
  return words;
}

size_t matchWord(std::string_view word, const VocabIndex& index, WordPiece* pieces) {
  // Most words of running text are entries themselves: one hash probe
  // instead of a walk.
  const int32_t whole = index.findEntry(word);
  if (whole >= 0) {
    pieces[0] = {whole, 0, uint32_t(word.size())};
    return 1;
  }
  size_t count = 0;
  size_t start = 0;
  while (start < word.size()) {
    const WordpieceTrie& trie = start == 0 ? index.wordStarts() : index.continuations();
    size_t length = 0;
    const int32_t id = trie.longestPrefix(word.substr(start), length);
    if (id < 0) return 0;
    pieces[count++] = {id, uint32_t(start), uint32_t(start + length)};
    start += length;
  }
  return count;
}

std::vector<std::string> wordpieceTokenize(std::string_view text, const VocabIndex& index) {
  std::vector<std::string> tokens;
  WordPiece pieces[kWordLengthLimit];
  for (const std::string& word : whitespaceSplit(text)) {
    const size_t count = word.size() > kWordLengthLimit ? 0 : matchWord(word, index, pieces);
    if (count == 0) {
      tokens.emplace_back(kUnknownToken);
      continue;
    }
    for (size_t k = 0; k < count; ++k) {
      std::string token(pieces[k].start == 0 ? "" : kContinuationPrefix);
      token.append(word, pieces[k].start, pieces[k].end - pieces[k].start);
      tokens.push_back(std::move(token));
    }
  }
  return tokens;
}

}  // namespace nuvra::wordpiece
