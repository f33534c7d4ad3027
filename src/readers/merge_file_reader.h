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

// A pair on several lines: once, where it first appears, with the rank of
// its last line, as a MergeList has it; or once per line with that line's
// rank, for a reader that keeps the last rank itself and need not pay for
// finding repeats in a list that has none.
enum class RepeatedPairs { kFolded, kListed };

// The pairs of a merge list: "first second" per line, optional "#" header
// lines before the first pair. Throws std::length_error past 2^31 - 1 pairs.
// The views stay valid as long as `content`.
std::vector<MergePair> parseMergePairs(std::string_view content,
                                       RepeatedPairs repeated = RepeatedPairs::kFolded);
// The same with the symbols copied out.
MergeList parseMergeList(std::string_view content);

// parseMergeList of the file at `path`; nullopt when it cannot be opened.
std::optional<MergeList> readMergeFile(const FilePath& path);

}  // namespace nuvra::readers

#endif  // NUVRA_READERS_MERGE_FILE_READER_H_
