#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/tokenizer.h"

namespace nuvra::testing {
namespace {

using Entries = std::vector<std::string>;

TEST(OpenFile, VocabularyFilesReplaceAndFailuresKeepTheTable) {
  TempDir dir;
  const std::string first = dir.write("a.json", R"({"a": 0, "b": 2})");
  const std::string second = dir.write("b.json", R"({"z": 0})");
  const std::vector<std::string> malformed = {
      dir.write("bad0.json", R"({"x": "one"})"), dir.write("bad1.json", R"({"x": 5, "y": -3})"),
      dir.write("bad2.json", R"({"x": 2147483647})"), dir.write("bad3.json", R"({"x": 99999999999})")};
  for (int32_t type : {0, 7, 9}) {
    Tokenizer t(type);
    ASSERT_EQ(t.openVocab(first), 0);
    EXPECT_EQ(t.vocabEntries(), (Entries{"a", "", "b"}));
    for (const std::string& bad : malformed) {
      EXPECT_EQ(t.openVocab(bad), NUVRA_TOKENIZER_STATUS_UNKNOWN) << bad;
      EXPECT_EQ(nuvraTokenizerOpenAddedTokensFileA(t.get(), bad.c_str()),
                type == 0 ? NUVRA_TOKENIZER_STATUS_UNKNOWN : NUVRA_TOKENIZER_STATUS_INVALID_STATE);
    }
    EXPECT_EQ(t.vocabEntries(), (Entries{"a", "", "b"}));
    ASSERT_EQ(t.openVocab(second), 0);
    EXPECT_EQ(t.vocabEntries(), Entries{"z"});
  }
}

TEST(OpenFile, TypeZeroKeepsItsBuiltInTablesAndAddedTokensExtendThem) {
  TempDir dir;
  Tokenizer t(0);
  const Ids before = t.ids("Hello world");
  EXPECT_EQ(t.openMerges(dir.missing("m")), -2);
  EXPECT_EQ(t.openVocab(dir.missing("v")), -2);
  EXPECT_EQ(nuvraTokenizerOpenAddedTokensFileA(t.get(), dir.missing("a").c_str()), -2);
  EXPECT_EQ(t.ids("Hello world"), before);
  EXPECT_EQ(t.vocabEntry(before.at(2)), "\xC4\xA0world");
  ASSERT_EQ(nuvraTokenizerOpenAddedTokensFileA(
                t.get(), dir.write("added.json", R"({"<|a|>": 50257, "<|b|>": 50258})").c_str()),
            0);
  EXPECT_EQ(t.vocabSize(), 50259u);
  EXPECT_EQ(t.vocabEntry(50257), "<|a|>");
  // Other handles keep the shared built-in vocabulary.
  EXPECT_EQ(Tokenizer(0).vocabEntry(50257), "<|endoftext|>");

  const std::string vocab = dir.write("v.json", R"({"a": 0, "b": 1})");
  ASSERT_EQ(t.openVocab(vocab), 0);
  const std::string added = dir.write("added2.json", R"({"<|x|>": 3, "c": 1, "a": 2})");
  ASSERT_EQ(nuvraTokenizerOpenAddedTokensFileA(t.get(), added.c_str()), 0);
  EXPECT_EQ(t.vocabEntries(), (Entries{"a", "c", "a", "<|x|>"}));
  EXPECT_EQ(t.ids("a"), (Ids{50258, 2, 50257}));  // a repeated text takes its highest id
  EXPECT_EQ(nuvraTokenizerOpenAddedTokensFileA(t.get(), dir.missing("n").c_str()), -2);
  EXPECT_EQ(t.vocabEntries(), (Entries{"a", "c", "a", "<|x|>"}));
  // A later vocabulary file replaces everything, added tokens included.
  ASSERT_EQ(t.openVocab(vocab), 0);
  EXPECT_EQ(t.vocabEntries(), (Entries{"a", "b"}));
}

TEST(OpenFile, SparseIdsCostTheirEntriesNotTheLargestId) {
  // Sizes and texts as a list grown to the largest id would give, each file
  // loaded in milliseconds; `last` is the largest id, `hole` one without an entry.
  const struct {
    int32_t type;
    const char* vocab;  // vocabulary file, or null for the built-in one
    const char* added;  // added-tokens file, or null
    int32_t last;
    const char* last_text;
    int32_t hole;
  } cases[] = {
      {7, R"({"a": 2147483646})", nullptr, 2147483646, "a", 2147483645},
      {9, R"({"a":0,"b":1,"<c>":200000000})", nullptr, 200000000, "<c>", 2},
      {0, nullptr, R"({"<|x|>": 2000000000})", 2000000000, "<|x|>", 1000000000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.last_text);
    TempDir dir;
    Tokenizer t(c.type);
    if (c.vocab) {
      ASSERT_EQ(t.openVocab(dir.write("v.json", c.vocab)), 0);
    }
    if (c.added) {
      ASSERT_EQ(nuvraTokenizerOpenAddedTokensFileA(t.get(), dir.write("a.json", c.added).c_str()), 0);
      EXPECT_EQ(t.vocabEntry(50257), "<|endoftext|>");
    }
    EXPECT_EQ(t.vocabSize(), uint32_t(c.last) + 1);
    EXPECT_EQ(t.vocabEntry(c.last), c.last_text);
    EXPECT_EQ(t.vocabEntry(c.hole), "");
    EXPECT_EQ(t.vocabEntry(c.last + 1), "<status -1>");
    // Encode finds the far id; decode writes it, skips holes, and refuses an
    // id past the end only when special tokens are written.
    const Ids ids = t.ids(c.last_text, kWithSpecials);
    EXPECT_NE(std::find(ids.begin(), ids.end(), c.last), ids.end());
    EXPECT_EQ(t.text({c.hole, c.last, c.hole}, kWithSpecials), c.last_text);
    EXPECT_EQ(t.decode({c.last, c.last + 1}, kWithSpecials), -128);
    EXPECT_EQ(t.decode({c.last, c.last + 1}), 0);
  }
}

}  // namespace
}  // namespace nuvra::testing
