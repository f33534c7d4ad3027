#include "wordpiece/matcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace nuvra::wordpiece {
namespace {

using Texts = std::vector<std::string>;

// The matcher as first written down: each candidate from the longest down,
// looked up by a scan of the vocabulary from id 0.
Texts naiveTokenize(const std::string& text, const Texts& entries) {
  auto inVocab = [&](const std::string& candidate) {
    return std::find(entries.begin(), entries.end(), candidate) != entries.end();
  };
  Texts out;
  std::istringstream words(text);  // splits at ASCII white space
  for (std::string word; words >> word;) {
    Texts pieces;
    size_t start = 0;
    while (word.size() <= 100 && start < word.size()) {
      const std::string prefix = start > 0 ? "##" : "";
      size_t end = word.size();
      while (end > start && !inVocab(prefix + word.substr(start, end - start))) --end;
      if (end == start) break;
      pieces.push_back(prefix + word.substr(start, end - start));
      start = end;
    }
    if (word.size() <= 100 && start == word.size()) {
      out.insert(out.end(), pieces.begin(), pieces.end());
    } else {
      out.push_back("[UNK]");
    }
  }
  return out;
}

int32_t naiveLookup(const std::string& text, const Texts& entries) {
  const auto found = std::find(entries.begin(), entries.end(), text);
  return found == entries.end() ? 0 : int32_t(found - entries.begin());
}

TEST(WordpieceMatcher, AgreesWithTheNaiveMatcherOnRandomVocabularies) {
  // More cases on demand: NUVRA_WORDPIECE_RANDOM_CASES=100000.
  const char* env = std::getenv("NUVRA_WORDPIECE_RANDOM_CASES");
  const int cases = env != nullptr ? std::atoi(env) : 1500;
  // A few letters, "#", a two-byte letter cut into its bytes, and white space,
  // so that entries overlap a lot and candidates end inside characters.
  const std::vector<std::string> alphabet = {"a", "b", "c", "#", "\xC3", "\xA9", "\xC3\xA9"};
  std::mt19937 rng(20240611);
  auto pick = [&](size_t n) { return size_t(rng() % n); };
  auto randomText = [&](size_t max_units) {
    std::string s;
    const size_t units = pick(max_units + 1);
    for (size_t k = 0; k < units; ++k) s += alphabet[pick(alphabet.size())];
    return s;
  };
  for (int c = 0; c < cases; ++c) {
    Texts entries;
    const size_t size = pick(40);
    for (size_t k = 0; k < size; ++k) {
      std::string entry = randomText(4);
      if (pick(2) == 0) entry = "##" + entry;
      entries.push_back(entry);
    }
    if (pick(4) == 0 && !entries.empty()) entries.push_back(entries[pick(entries.size())]);
    std::string text;
    const size_t words = 1 + pick(4);
    for (size_t k = 0; k < words; ++k) {
      text += pick(8) == 0 ? randomText(70) : randomText(8);  // sometimes over 100 bytes
      text += pick(3) == 0 ? "\t\n" : " ";
    }
    const VocabIndex index(entries);
    const Texts expected = naiveTokenize(text, entries);
    ASSERT_EQ(wordpieceTokenize(text, index), expected) << "case " << c;
    std::vector<int32_t> expected_ids;
    for (const std::string& t : expected) expected_ids.push_back(naiveLookup(t, entries));
    std::vector<int32_t> got;
    forEachWordpieceId(text, index, index.lookupTokenId("[UNK]"),
                       [&](int32_t id) { got.push_back(id); });
    ASSERT_EQ(got, expected_ids) << "case " << c;
  }
}

}  // namespace
}  // namespace nuvra::wordpiece
