#ifndef NUVRA_READERS_MERGE_FILE_READER_H_
#define NUVRA_READERS_MERGE_FILE_READER_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "readers/text_file.h"

namespace nuvra::readers {

// One ranked merge: the symbols `left` and `right` join into left + right.
struct MergeRule {
  std::string left;
  std::string right;
  int32_t rank;
};

// Each distinct pair once, in the order of first appearance, with the rank of
// its last line: "a b" on lines 0 and 1 is one rule of rank 1, and no pair
// has rank 0.
using MergeList = std::vector<MergeRule>;

// A rule whose symbols are views into the text it was read from.
struct MergePair {
  std::string_view left;
  std::string_view right;
  int32_t rank;
};

// The pairs of a merge list, one at a time: "first second" per line,
// optional "#" header lines before the first pair, each pair ranked by its
// place among them. The views stay valid as long as `content`.
class MergePairScanner {
 public:
  explicit MergePairScanner(std::string_view content);
  // False at the end. Throws std::length_error past 2^31 - 1 pairs.
  bool next(MergePair& pair);
  // At least the number of pairs the list holds (its lines).
  size_t mostPairs() const { return most_pairs_; }
  std::string_view content() const { return content_; }

 private:
  std::string_view content_;
  size_t most_pairs_;
  bool has_nul_;  // else no field needs cutting at a NUL
  size_t at_ = 0;
  int32_t rank_ = 0;
};

// The pairs of a merge list as MergePairScanner reads them, copied out, a
// repeated pair once, where it first appears, with the rank of its last
// line. Throws std::length_error past 2^31 - 1 pairs.
MergeList parseMergeList(std::string_view content);

// parseMergeList of the file at `path`; nullopt when it cannot be opened.
std::optional<MergeList> readMergeFile(const FilePath& path);

}  // namespace nuvra::readers

#endif  // NUVRA_READERS_MERGE_FILE_READER_H_
