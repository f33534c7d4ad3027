#ifndef NUVRA_TESTS_BPE_NAIVE_BPE_H_
#define NUVRA_TESTS_BPE_NAIVE_BPE_H_

// The merge step written the slow, obvious way, as the oracle the merge
// engine is compared with: ordered pair set, one ordered-map lookup per
// distinct pair per pass, the word rebuilt after every pass.

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "base/utf8.h"
#include "readers/merge_file_reader.h"

namespace nuvra::bpe::testing {

using NaiveMerges = std::map<std::pair<std::string, std::string>, int32_t>;

constexpr int32_t kNaiveRankLimit = 0x40000000;

inline NaiveMerges naiveMerges(const readers::MergeList& rules) {
  NaiveMerges merges;
  for (const readers::MergeRule& rule : rules) merges[{rule.left, rule.right}] = rule.rank;
  return merges;
}

inline std::set<std::pair<std::string, std::string>> adjacentPairs(
    const std::vector<std::string>& word) {
  std::set<std::pair<std::string, std::string>> pairs;
  for (size_t k = 0; k + 1 < word.size(); ++k) pairs.insert({word[k], word[k + 1]});
  return pairs;
}

// The merged symbols of `symbols`.
inline std::vector<std::string> bpeWord(const std::string& symbols, const NaiveMerges& merges, uint32_t type) {
  std::vector<std::string> word;
  for (size_t i = 0; i < symbols.size();) {
    const int n = utf8CharLength(static_cast<unsigned char>(symbols[i]));
    if (n == 0 || i + size_t(n) > symbols.size()) break;
    word.push_back(symbols.substr(i, size_t(n)));
    i += size_t(n);
  }
  if (type == 1 && !word.empty()) word.back() += "</w>";
  std::set<std::pair<std::string, std::string>> pairs = adjacentPairs(word);
  if (pairs.empty()) return {type == 1 ? symbols + "</w>" : symbols};
  while (true) {
    int32_t best_rank = kNaiveRankLimit;
    const std::pair<std::string, std::string>* best = nullptr;
    for (const auto& pair : pairs) {
      const auto found = merges.find(pair);
      const int32_t rank = found == merges.end() ? kNaiveRankLimit : found->second;
      if (rank < best_rank) {
        best_rank = rank;
        best = &pair;
      }
    }
    if (best_rank == kNaiveRankLimit) break;
    const std::string first = best->first;
    const std::string second = best->second;
    std::vector<std::string> new_word;
    size_t i = 0;
    while (i < word.size()) {
      size_t j = i;
      while (j < word.size() && word[j] != first) ++j;
      if (j == word.size()) {
        new_word.insert(new_word.end(), word.begin() + long(i), word.end());
        break;
      }
      new_word.insert(new_word.end(), word.begin() + long(i), word.begin() + long(j));
      if (j + 1 < word.size() && word[j + 1] == second) {
        new_word.push_back(first + second);
        i = j + 2;
      } else {
        new_word.push_back(word[j]);
        i = j + 1;
      }
    }
    word = std::move(new_word);
    if (word.size() == 1) break;
    pairs = adjacentPairs(word);
  }
  return word;
}

}  // namespace nuvra::bpe::testing

#endif  // NUVRA_TESTS_BPE_NAIVE_BPE_H_
