#include "wordpiece/matcher.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace nuvra::wordpiece {
namespace {

using Texts = std::vector<std::string>;

Texts tokenize(const std::string& text, const Texts& entries) {
  return wordpieceTokenize(text, VocabIndex(entries));
}

std::vector<int32_t> ids(const std::string& text, const VocabIndex& index) {
  std::vector<int32_t> out;
  forEachWordpieceId(text, index, -7, [&](int32_t id) { out.push_back(id); });
  return out;
}

TEST(WordpieceMatcher, GreedyLongestMatchWithContinuations) {
  EXPECT_EQ(tokenize("unaffable", {"un", "##aff", "##able"}), (Texts{"un", "##aff", "##able"}));
  // One uncovered position makes the whole word unknown, not a prefix of it.
  EXPECT_EQ(tokenize("unaffable", {"un", "##able", "aff", "able"}), Texts{"[UNK]"});
  // Longest first: "ab", not "a" "##b".
  EXPECT_EQ(tokenize("ab", {"ab", "a", "##b"}), Texts{"ab"});
  EXPECT_EQ(tokenize("abb", {"ab", "a", "##b"}), (Texts{"ab", "##b"}));
  EXPECT_EQ(tokenize("hello", {"##hello", "hello"}), Texts{"hello"});
  // A continuation is only looked up with its "##", and the first piece never has one.
  EXPECT_EQ(tokenize("ab", {"a", "b"}), Texts{"[UNK]"});
  EXPECT_EQ(tokenize("##a", {"##a"}), Texts{"##a"});
  EXPECT_EQ(tokenize("a#", {"a", "###"}), (Texts{"a", "###"}));
}

TEST(WordpieceMatcher, WhiteSpaceSeparatesWords) {
  EXPECT_EQ(whitespaceSplit(" \ta\r\n\v\fbc  "), (Texts{"a", "bc"}));
  // Non-ASCII spaces are word characters.
  EXPECT_EQ(whitespaceSplit("a\xC2\xA0" "b"), Texts{"a\xC2\xA0" "b"});
  const Texts vocab = {"x", "yy"};
  EXPECT_EQ(tokenize("x\t\nyy", vocab), (Texts{"x", "yy"}));
  EXPECT_EQ(tokenize("   ", vocab), Texts{});
  EXPECT_EQ(tokenize("", vocab), Texts{});
  // An empty vocabulary leaves every word unknown.
  EXPECT_EQ(tokenize("x yy", {}), (Texts{"[UNK]", "[UNK]"}));
}

TEST(WordpieceMatcher, WordLengthLimitCountsBytes) {
  const Texts vocab = {"a", "##a", std::string(100, 'a')};
  EXPECT_EQ(tokenize(std::string(100, 'a'), vocab), Texts{std::string(100, 'a')});
  EXPECT_EQ(tokenize(std::string(101, 'a'), vocab), Texts{"[UNK]"});
  EXPECT_EQ(tokenize(std::string(99, 'a'), vocab).size(), 99u);
  // 34 three-byte characters are 102 bytes: over the limit.
  std::string kana;
  for (int i = 0; i < 34; ++i) kana += "\xE3\x81\x82";
  const Texts kana_vocab = {"\xE3\x81\x82", "##\xE3\x81\x82"};
  EXPECT_EQ(tokenize(kana, kana_vocab), Texts{"[UNK]"});
  EXPECT_EQ(tokenize(kana.substr(3), kana_vocab).size(), 33u);
  // Entries longer than the limit can never be a piece.
  const std::string long_entry(150, 'b');
  EXPECT_EQ(tokenize("b", {long_entry, "b"}), Texts{"b"});
}

TEST(WordpieceMatcher, IdsAreTheLowestIdsOfThePieces) {
  const VocabIndex index({"[UNK]", "un", "##able", "un", "able", "##able"});
  EXPECT_EQ(ids("unable able unknown", index), (std::vector<int32_t>{1, 2, 4, -7}));
}

// The matcher as first written down: each candidate from the longest down,
// looked up by a scan of the vocabulary from id 0.
Texts naiveTokenize(const std::string& text, const Texts& entries) {
  auto isSpace = [](char c) { return c == ' ' || (c >= 0x09 && c <= 0x0D); };
  auto inVocab = [&](const std::string& candidate) {
    for (const std::string& e : entries) {
      if (e == candidate) return true;
    }
    return false;
  };
  Texts out;
  size_t i = 0;
  while (i < text.size()) {
    if (isSpace(text[i])) {
      ++i;
      continue;
    }
    size_t stop = i;
    while (stop < text.size() && !isSpace(text[stop])) ++stop;
    const std::string word = text.substr(i, stop - i);
    i = stop;
    if (word.size() > 100) {
      out.push_back("[UNK]");
      continue;
    }
    Texts pieces;
    bool bad = false;
    for (size_t start = 0; start < word.size() && !bad;) {
      size_t end = word.size();
      for (;; --end) {
        if (end <= start) {
          bad = true;
          break;
        }
        const std::string candidate =
            (start > 0 ? "##" : "") + word.substr(start, end - start);
        if (inVocab(candidate)) {
          pieces.push_back(candidate);
          start = end;
          break;
        }
      }
    }
    if (bad) {
      out.push_back("[UNK]");
    } else {
      out.insert(out.end(), pieces.begin(), pieces.end());
    }
  }
  return out;
}

int32_t naiveLookup(const std::string& text, const Texts& entries) {
  for (size_t id = 0; id < entries.size(); ++id) {
    if (entries[id] == text) return int32_t(id);
  }
  return 0;
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
