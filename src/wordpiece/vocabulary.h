#ifndef NUVRA_WORDPIECE_VOCABULARY_H_
#define NUVRA_WORDPIECE_VOCABULARY_H_

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "readers/text_file.h"
#include "readers/token_index.h"
#include "wordpiece/wordpiece_trie.h"

namespace nuvra::wordpiece {

// Special texts of the family, in the order input is cut at them.
inline constexpr std::array<std::string_view, 5> kWordpieceSpecialTokens = {
    "[PAD]", "[UNK]", "[CLS]", "[SEP]", "[MASK]"};

inline bool isSpecialText(std::string_view text) {
  if (text.size() < 5 || text.size() > 6 || text[0] != '[') return false;
  for (std::string_view special : kWordpieceSpecialTokens) {
    if (text == special) return true;
  }
  return false;
}

// The entries of a line-per-token vocabulary file: one per LF-ended line
// (the line's id is its number), a last line without LF included, each cut
// at its first NUL. nullopt when the file cannot be opened.
std::optional<std::vector<std::string>> readWordpieceVocab(const FilePath& path);
std::vector<std::string> parseWordpieceVocab(std::string_view content);

// Words longer than this many bytes become "[UNK]" without any lookup.
inline constexpr size_t kWordLengthLimit = 100;

// Lookup structures of a WordPiece vocabulary, built once per vocabulary:
// lookups give the lowest id of a text, as a scan from the first line would,
// and two tries serve the matcher (the BPE index keeps the highest id).
class VocabIndex {
 public:
  explicit VocabIndex(const std::vector<std::string>& entries);
  VocabIndex(const VocabIndex&) = delete;
  VocabIndex& operator=(const VocabIndex&) = delete;

  // The lowest id whose entry equals `text`, or 0 when none does.
  int32_t lookupTokenId(std::string_view text) const {
    const int32_t id = lowest_->find(text);
    return id < 0 ? 0 : id;
  }
  bool contains(std::string_view text) const { return lowest_->contains(text); }
  // The lowest id whose entry equals `text`, or -1.
  int32_t findEntry(std::string_view text) const { return lowest_->find(text); }

  // Every entry, for the first piece of a word.
  const WordpieceTrie& wordStarts() const { return word_starts_; }
  // The entries that begin with "##", without it, for the later pieces.
  const WordpieceTrie& continuations() const { return continuations_; }

 private:
  // In one block of its own, slots and texts sharing pages.
  std::shared_ptr<const readers::TokenIndex> lowest_;
  // Entries longer than kWordLengthLimit can never match and are left out.
  WordpieceTrie word_starts_;
  WordpieceTrie continuations_;
};

}  // namespace nuvra::wordpiece

#endif  // NUVRA_WORDPIECE_VOCABULARY_H_
