#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "interface/tokenizer_handle.h"
#include "nuvra_tokenizer.h"
#include "support/temp_files.h"

namespace nuvra {
namespace {

using testing::makeTokenizer;
using testing::TempDir;
using testing::vocabEntries;
using testing::vocabEntry;
using testing::vocabSize;
using Entries = std::vector<std::string>;

struct FileKind {
  const char* name;
  int32_t (*narrow)(NuvraTokenizer*, const char*);
  int32_t (*wide)(NuvraTokenizer*, const wchar_t*);
  std::set<int32_t> types;
};

const std::vector<FileKind>& fileKinds() {
  static const std::vector<FileKind> kinds = {
      {"model", nuvraTokenizerOpenModelFileA, nuvraTokenizerOpenModelFileW, {2, 3, 6, 10}},
      {"dictionary", nuvraTokenizerOpenDictionaryFileA, nuvraTokenizerOpenDictionaryFileW, {4, 5}},
      {"vocab", nuvraTokenizerOpenVocabFileA, nuvraTokenizerOpenVocabFileW, {0, 4, 5, 7, 8, 9}},
      {"merges", nuvraTokenizerOpenMergeFileA, nuvraTokenizerOpenMergeFileW, {0, 7, 9}},
      {"added tokens", nuvraTokenizerOpenAddedTokensFileA, nuvraTokenizerOpenAddedTokensFileW, {0}},
      {"config", nuvraTokenizerOpenTokenizerConfigFileA, nuvraTokenizerOpenTokenizerConfigFileW,
       {8}},
  };
  return kinds;
}

TEST(OpenFile, ChecksArgumentsThenTypeThenTheFile) {
  TempDir dir;
  const std::string missing = dir.missing("absent");
  const std::wstring wide_missing = testing::widen(missing);
  for (const FileKind& kind : fileKinds()) {
    EXPECT_EQ(kind.narrow(nullptr, missing.c_str()), -1) << kind.name;
    EXPECT_EQ(kind.wide(nullptr, wide_missing.c_str()), -1) << kind.name;
    for (int32_t type = 0; type <= 10; ++type) {
      auto t = makeTokenizer(type);
      // A null path is refused before the type is looked at.
      EXPECT_EQ(kind.narrow(t.get(), nullptr), -1) << kind.name << " " << type;
      EXPECT_EQ(kind.wide(t.get(), nullptr), -1) << kind.name << " " << type;
      const int32_t expected = kind.types.count(type) ? NUVRA_TOKENIZER_STATUS_ERROR_FILE_API
                                                      : NUVRA_TOKENIZER_STATUS_INVALID_STATE;
      EXPECT_EQ(kind.narrow(t.get(), missing.c_str()), expected) << kind.name << " " << type;
      EXPECT_EQ(kind.wide(t.get(), wide_missing.c_str()), expected) << kind.name << " " << type;
    }
  }
}

TEST(OpenFile, JsonVocabularyReplacesAndAMissingFileKeepsIt) {
  TempDir dir;
  const std::string first = dir.write("a.json", R"({"a": 0, "b": 2})");
  const std::string second = dir.write("b.json", R"({"z": 0})");
  for (int32_t type : {0, 7, 9}) {
    auto t = makeTokenizer(type);
    ASSERT_EQ(nuvraTokenizerOpenVocabFileA(t.get(), first.c_str()), 0);
    EXPECT_EQ(vocabEntries(t.get()), (Entries{"a", "", "b"}));
    EXPECT_EQ(nuvraTokenizerOpenVocabFileA(t.get(), dir.missing("x").c_str()), -2);
    EXPECT_EQ(vocabEntries(t.get()), (Entries{"a", "", "b"}));
    ASSERT_EQ(nuvraTokenizerOpenVocabFileA(t.get(), second.c_str()), 0);
    EXPECT_EQ(vocabEntries(t.get()), Entries{"z"});
  }
}

TEST(OpenFile, TypeZeroKeepsItsBuiltInTablesWhenAFileIsMissing) {
  TempDir dir;
  auto t = makeTokenizer(0);
  ASSERT_EQ(nuvraTokenizerEncode(t.get(), "Hello world"), 0);
  const std::vector<int32_t> before = testing::tokens(t.get());
  EXPECT_EQ(nuvraTokenizerOpenMergeFileA(t.get(), dir.missing("m").c_str()), -2);
  EXPECT_EQ(nuvraTokenizerOpenVocabFileA(t.get(), dir.missing("v").c_str()), -2);
  EXPECT_EQ(nuvraTokenizerOpenAddedTokensFileA(t.get(), dir.missing("a").c_str()), -2);
  EXPECT_EQ(vocabSize(t.get()), 50259u);
  ASSERT_EQ(nuvraTokenizerEncode(t.get(), "Hello world"), 0);
  EXPECT_EQ(testing::tokens(t.get()), before);
  ASSERT_EQ(before.size(), 4u);
  EXPECT_EQ(vocabEntry(t.get(), before[1]), "Hello");
  EXPECT_EQ(vocabEntry(t.get(), before[2]), "\xC4\xA0world");
}

TEST(OpenFile, AddedTokensOnTheBuiltInVocabulary) {
  TempDir dir;
  const std::string added = dir.write("added.json", R"({"<|a|>": 50257, "<|b|>": 50258})");
  auto t = makeTokenizer(0);
  ASSERT_EQ(nuvraTokenizerOpenAddedTokensFileA(t.get(), added.c_str()), 0);
  EXPECT_EQ(vocabSize(t.get()), 50259u);
  EXPECT_EQ(vocabEntry(t.get(), 50257), "<|a|>");
  EXPECT_EQ(vocabEntry(t.get(), 50258), "<|b|>");
  // Other handles keep the shared built-in vocabulary.
  auto other = makeTokenizer(0);
  EXPECT_EQ(vocabEntry(other.get(), 50257), "<|endoftext|>");
}

TEST(OpenFile, MalformedIdsFailWithoutChangingTheVocabulary) {
  TempDir dir;
  const std::string good = dir.write("good.json", R"({"a": 0, "b": 1})");
  const std::vector<std::string> bad = {
      R"({"x": "one"})", R"({"x": 5, "y": -3})", R"({"x": 2147483647})",
      R"({"x": 99999999999})"};
  for (size_t i = 0; i < bad.size(); ++i) {
    const std::string path = dir.write("bad" + std::to_string(i) + ".json", bad[i]);
    auto t = makeTokenizer(0);
    ASSERT_EQ(nuvraTokenizerOpenVocabFileA(t.get(), good.c_str()), 0);
    EXPECT_EQ(nuvraTokenizerOpenVocabFileA(t.get(), path.c_str()), NUVRA_TOKENIZER_STATUS_UNKNOWN);
    EXPECT_EQ(nuvraTokenizerOpenAddedTokensFileA(t.get(), path.c_str()),
              NUVRA_TOKENIZER_STATUS_UNKNOWN);
    EXPECT_EQ(vocabEntries(t.get()), (Entries{"a", "b"})) << bad[i];
  }
}

TEST(OpenFile, AddedTokensExtendTheVocabulary) {
  TempDir dir;
  const std::string vocab = dir.write("v.json", R"({"a": 0, "b": 1})");
  const std::string added = dir.write("added.json", R"({"<|x|>": 3, "c": 1})");
  auto t = makeTokenizer(0);
  ASSERT_EQ(nuvraTokenizerOpenVocabFileA(t.get(), vocab.c_str()), 0);
  ASSERT_EQ(nuvraTokenizerOpenAddedTokensFileA(t.get(), added.c_str()), 0);
  EXPECT_EQ(vocabEntries(t.get()), (Entries{"a", "c", "", "<|x|>"}));
  EXPECT_EQ(nuvraTokenizerOpenAddedTokensFileA(t.get(), dir.missing("n").c_str()), -2);
  EXPECT_EQ(vocabEntries(t.get()), (Entries{"a", "c", "", "<|x|>"}));
  // A later vocabulary file replaces everything, added tokens included.
  ASSERT_EQ(nuvraTokenizerOpenVocabFileA(t.get(), vocab.c_str()), 0);
  EXPECT_EQ(vocabEntries(t.get()), (Entries{"a", "b"}));
}

TEST(OpenFile, SparseIdsCostTheirEntriesNotTheLargestId) {
  // Sizes and texts as a list grown to the largest id would give, each file
  // loaded in milliseconds; `last` is the largest id, `hole` one without an entry.
  struct Case {
    int32_t type;
    const char* vocab;  // vocabulary file, or null for the built-in one
    const char* added;  // added-tokens file, or null
    int32_t last;
    const char* last_text;
    int32_t hole;  // an id without an entry
  };
  const Case cases[] = {
      {7, R"({"a": 2147483646})", nullptr, 2147483646, "a", 2147483645},
      {9, R"({"a":0,"b":1,"<c>":200000000})", nullptr, 200000000, "<c>", 2},
      {0, nullptr, R"({"<|x|>": 2000000000})", 2000000000, "<|x|>", 1000000000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.last_text);
    TempDir dir;
    auto t = makeTokenizer(c.type);
    if (c.vocab) {
      ASSERT_EQ(nuvraTokenizerOpenVocabFileA(t.get(), dir.write("v.json", c.vocab).c_str()), 0);
    }
    if (c.added) {
      ASSERT_EQ(nuvraTokenizerOpenAddedTokensFileA(t.get(), dir.write("a.json", c.added).c_str()), 0);
      EXPECT_EQ(vocabEntry(t.get(), 50257), "<|endoftext|>");
    }
    EXPECT_EQ(vocabSize(t.get()), uint32_t(c.last) + 1);
    EXPECT_EQ(vocabEntry(t.get(), c.last), c.last_text);
    EXPECT_EQ(vocabEntry(t.get(), c.hole), "");
    const char* out = nullptr;
    EXPECT_EQ(nuvraTokenizerGetVocab(t.get(), c.last + 1, &out), -1);

    // Encode finds the far id; decode writes it, skips holes, and refuses an
    // id past the end only when special tokens are written.
    ASSERT_EQ(nuvraTokenizerEncodeWithSpecialTokens(t.get(), c.last_text), 0);
    const std::vector<int32_t> ids = testing::tokens(t.get());
    EXPECT_NE(std::find(ids.begin(), ids.end(), c.last), ids.end());
    const int32_t decode[] = {c.hole, c.last, c.hole};
    ASSERT_EQ(nuvraTokenizerDecodeWithSpecialTokens(t.get(), decode, 3), 0);
    EXPECT_EQ(testing::text(t.get()), c.last_text);
    const int32_t past[] = {c.last, c.last + 1};
    EXPECT_EQ(nuvraTokenizerDecodeWithSpecialTokens(t.get(), past, 2), -128);
    EXPECT_EQ(nuvraTokenizerDecode(t.get(), past, 2), 0);
  }
}

TEST(OpenFile, WidePathsBehaveLikeNarrowOnes) {
  TempDir dir;
  const std::string path = dir.write("v\xC3\xA9.json", R"({"\u00e9": 1})");
  const std::wstring wide = testing::widen(path);
  auto narrow = makeTokenizer(7);
  auto wide_t = makeTokenizer(7);
  ASSERT_EQ(nuvraTokenizerOpenVocabFileA(narrow.get(), path.c_str()), 0);
  ASSERT_EQ(nuvraTokenizerOpenVocabFileW(wide_t.get(), wide.c_str()), 0);
  EXPECT_EQ(vocabEntries(wide_t.get()), (Entries{"", "\xC3\xA9"}));
  EXPECT_EQ(vocabEntries(narrow.get()), vocabEntries(wide_t.get()));
}

TEST(OpenFile, LinePerTokenVocabularyForWordpieceTypes) {
  TempDir dir;
  const std::string path = dir.write("vocab.txt", "[PAD]\r\n[UNK]\r\nhello\r\n\r\nlast");
  for (int32_t type : {4, 5, 8}) {
    auto t = makeTokenizer(type);
    ASSERT_EQ(nuvraTokenizerOpenVocabFileA(t.get(), path.c_str()), 0);
    const Entries expected{"[PAD]", "[UNK]", "hello", "", "last"};
    EXPECT_EQ(vocabEntries(t.get()), expected);
    EXPECT_EQ(nuvraTokenizerOpenVocabFileA(t.get(), dir.missing("x").c_str()), -2);
    EXPECT_EQ(vocabEntries(t.get()), expected);
  }
}

TEST(OpenFile, VocabularyQueriesReplaceTheReturnedText) {
  TempDir dir;
  const std::string path = dir.write("vocab.txt", "first\nsecond\n");
  auto t = makeTokenizer(8);
  ASSERT_EQ(nuvraTokenizerOpenVocabFileA(t.get(), path.c_str()), 0);
  const char* text = nullptr;
  ASSERT_EQ(nuvraTokenizerGetVocab(t.get(), 0, &text), 0);
  EXPECT_STREQ(text, "first");
  ASSERT_EQ(nuvraTokenizerGetVocab(t.get(), 1, &text), 0);
  EXPECT_STREQ(text, "second");
  // A failed query keeps the last text.
  EXPECT_EQ(nuvraTokenizerGetVocab(t.get(), 2, &text), -1);
  EXPECT_STREQ(text, "second");
}

TEST(OpenFile, ConfigurationReportsMissingFiles) {
  TempDir dir;
  const std::string path = dir.write("c.json", "{\"do_lower_case\": false}");
  auto t = makeTokenizer(8);
  EXPECT_EQ(nuvraTokenizerOpenTokenizerConfigFileA(t.get(), path.c_str()), 0);
  EXPECT_EQ(nuvraTokenizerOpenTokenizerConfigFileW(t.get(), testing::widen(path).c_str()), 0);
  EXPECT_EQ(nuvraTokenizerOpenTokenizerConfigFileA(t.get(), dir.missing("c").c_str()), -2);
}

}  // namespace
}  // namespace nuvra
