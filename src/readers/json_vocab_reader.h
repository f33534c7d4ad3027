#ifndef NUVRA_READERS_JSON_VOCAB_READER_H_
#define NUVRA_READERS_JSON_VOCAB_READER_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "readers/text_file.h"

namespace nuvra::readers {

struct VocabPair {
  std::string text;
  int32_t id;
};

// The pairs of a token-to-id file in file order. A scanner, not a JSON
// parser: every quoted string is a key and what follows it up to the next
// comma or closing brace is its decimal id. Throws std::invalid_argument or
// std::out_of_range for an id that is no number, or that no list can hold
// (below 0 or 2147483647), before anything is stored anywhere.
std::vector<VocabPair> parseJsonVocab(std::string_view content);

// The pairs of the file at `path`; nullopt when it cannot be opened.
std::optional<std::vector<VocabPair>> readJsonVocab(const FilePath& path);

// The same pairs with their texts back to back, in file order: a third of
// the memory of a string each, which is what a large vocabulary's opening
// mostly waits on. Laid out as a token list's arrays, which a list in id
// order takes over as they are.
struct VocabEntries {
  LargeString texts;
  LargeVector<uint32_t> offsets{0};  // size() + 1 offsets into texts
  LargeVector<int32_t> ids;          // none when the k-th pair has id k, as files mostly do

  size_t size() const { return offsets.size() - 1; }
  int32_t id(size_t k) const { return ids.empty() ? int32_t(k) : ids[k]; }
  std::string_view text(size_t k) const {
    return {texts.data() + offsets[k], size_t(offsets[k + 1] - offsets[k])};
  }
  // Appends a pair whose text, the last, ends at `text_end` in `texts`.
  void add(int32_t id, size_t text_end);
};
// Throws as parseJsonVocab, and std::length_error past 4 GiB of texts. The
// texts are decoded in place, into the buffer of `content`.
VocabEntries parseJsonVocabEntries(LargeString content);
std::optional<VocabEntries> readJsonVocabEntries(const FilePath& path);

// Writes each pair's text at its id, growing `vocab` with empty entries:
// memory follows the largest id, so only for ids known to be dense; the
// library stores what it reads through TokenList.
void storeVocabPairs(const std::vector<VocabPair>& pairs, std::vector<std::string>& vocab);

}  // namespace nuvra::readers

#endif  // NUVRA_READERS_JSON_VOCAB_READER_H_
