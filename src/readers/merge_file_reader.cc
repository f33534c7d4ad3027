#include "readers/merge_file_reader.h"

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <unordered_map>
#include <utility>

#include "readers/byte_search.h"
#include "readers/token_index.h"

namespace nuvra::readers {
namespace {

bool isFieldBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view upToNul(std::string_view field) { return field.substr(0, field.find('\0')); }

// Seeded per process, like the token index: a merge file is input too, and
// must not be able to pile its pairs into one bucket.
struct PairKeyHash {
  uint64_t seed = processHashSeed();
  size_t operator()(const std::pair<std::string_view, std::string_view>& key) const {
    return size_t(hashText(key.first, seed) * 0x9E3779B97F4A7C15ULL ^
                  hashText(key.second, ~seed));
  }
};

}  // namespace

MergePairScanner::MergePairScanner(std::string_view content)
    : content_(content),
      most_pairs_(size_t(std::count(content.begin(), content.end(), '\n')) + 1),
      has_nul_(content.find('\0') != std::string_view::npos) {}

bool MergePairScanner::next(MergePair& pair) {
  const std::string_view content = content_;
  const size_t n = content.size();
  size_t p = at_;
  while (p < n) {
    // First field, ended by a space, tab or line feed.
    const size_t first_start = p;
    p = findAnyOf(content.data(), p, n, ' ', '\t', '\n');
    if (p >= n) break;  // no terminator: the partial field is dropped
    const std::string_view first = content.substr(first_start, p - first_start);
    const char terminator = content[p++];
    if (rank_ == 0 && !first.empty() && first[0] == '#') {
      if (terminator != '\n') {
        while (p < n && content[p] != '\n') ++p;
        if (p < n) ++p;
      }
      continue;
    }
    while (p < n && isFieldBlank(content[p])) ++p;
    if (p >= n) break;
    // Second field: up to the end of the line. When only blanks followed
    // the first field on its line, the next line is the second field.
    if (terminator != '\n' && content[p] == '\n') ++p;
    const size_t second_start = p;
    p = findAnyOf(content.data(), p, n, '\n', '\n', '\n');
    const std::string_view second = content.substr(second_start, p - second_start);
    if (p < n) ++p;
    at_ = p;
    // Ranks are signed 32-bit: a list longer than that is refused, not wrapped.
    if (rank_ == std::numeric_limits<int32_t>::max()) {
      throw std::length_error("merge list longer than 2^31 - 1 pairs");
    }
    pair = has_nul_ ? MergePair{upToNul(first), upToNul(second), rank_}
                    : MergePair{first, second, rank_};
    ++rank_;
    return true;
  }
  at_ = n;
  return false;
}

MergeList parseMergeList(std::string_view content) {
  MergeList rules;
  // Views into `content`, which outlives the map.
  std::unordered_map<std::pair<std::string_view, std::string_view>, size_t, PairKeyHash> seen;
  MergePairScanner scanner(content);
  for (MergePair pair{}; scanner.next(pair);) {
    const auto [it, inserted] = seen.emplace(std::make_pair(pair.left, pair.right), rules.size());
    if (inserted) {
      rules.push_back({std::string(pair.left), std::string(pair.right), pair.rank});
    } else {
      rules[it->second].rank = pair.rank;
    }
  }
  return rules;
}

std::optional<MergeList> readMergeFile(const FilePath& path) {
  const std::optional<LargeString> content = readTextFile(path);
  if (!content) return std::nullopt;
  return parseMergeList(*content);
}

}  // namespace nuvra::readers
