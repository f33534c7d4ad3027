#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "interface/tokenizer_handle.h"
#include "nuvra_tokenizer.h"
#include "support/temp_files.h"

namespace nuvra {
namespace {

using testing::makeTokenizer;

// A type 7 tokenizer over five symbols and one merge: "hi hi" encodes as
// <s> "hi" "Ġ" "hi" </s>, that is 0 6 7 6 2.
class ResultsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string vocab = dir_.write(
        "vocab.json", R"({"<s>": 0, "<pad>": 1, "</s>": 2, "<unk>": 3, "h": 4, "i": 5, "hi": 6, "\u0120": 7})");
    const std::string merges = dir_.write("merges.txt", "#version: 0.2\nh i\n");
    tokenizer_ = makeTokenizer(NUVRA_TOKENIZER_TYPE_BPE_FILES);
    ASSERT_EQ(nuvraTokenizerOpenVocabFileA(tokenizer_.get(), vocab.c_str()), 0);
    ASSERT_EQ(nuvraTokenizerOpenMergeFileA(tokenizer_.get(), merges.c_str()), 0);
    ASSERT_EQ(nuvraTokenizerEncode(tokenizer_.get(), "hi hi"), 0);
  }

  testing::TempDir dir_;
  testing::Tokenizer tokenizer_;
};

TEST_F(ResultsTest, RecordQueriesNeedRoomForEveryRecord) {
  NuvraTokenizer* t = tokenizer_.get();
  EXPECT_EQ(testing::tokens(t), (std::vector<int32_t>{0, 6, 7, 6, 2}));
  std::vector<int32_t> out(6, 42);
  EXPECT_EQ(nuvraTokenizerGetTokens(t, out.data(), 4), -1);
  EXPECT_EQ(nuvraTokenizerGetWordIDs(t, out.data(), 4), -1);
  EXPECT_EQ(nuvraTokenizerGetCharStarts(t, out.data(), 0), -1);
  EXPECT_EQ(out, std::vector<int32_t>(6, 42));  // nothing written on failure
  ASSERT_EQ(nuvraTokenizerGetWordIDs(t, out.data(), 6), 0);
  EXPECT_EQ(out, (std::vector<int32_t>{-1, 0, 1, 1, -1, 42}));
  ASSERT_EQ(nuvraTokenizerGetCharStarts(t, out.data(), 5), 0);
  EXPECT_EQ(out, (std::vector<int32_t>{-1, 0, 3, 3, -1, 42}));
  ASSERT_EQ(nuvraTokenizerGetCharEnds(t, out.data(), 5), 0);
  EXPECT_EQ(out, (std::vector<int32_t>{-1, 2, 5, 5, -1, 42}));
}

TEST_F(ResultsTest, CapacityIsCheckedBeforeTheType) {
  auto t = makeTokenizer(NUVRA_TOKENIZER_TYPE_BPE_FILES_BARE);
  ASSERT_EQ(nuvraTokenizerOpenVocabFileA(t.get(), dir_.write("v.json", R"({"a": 0})").c_str()), 0);
  ASSERT_EQ(nuvraTokenizerEncode(t.get(), "aa"), 0);
  ASSERT_EQ(testing::tokens(t.get()).size(), 2u);
  int32_t out[2];
  EXPECT_EQ(nuvraTokenizerGetWordIDs(t.get(), out, 1), -1);
  EXPECT_EQ(nuvraTokenizerGetWordIDs(t.get(), out, 2), NUVRA_TOKENIZER_STATUS_INVALID_STATE);
}

TEST_F(ResultsTest, TextNeedsRoomForItsTerminator) {
  NuvraTokenizer* t = tokenizer_.get();
  const std::vector<int32_t> ids = {0, 6, 7, 6, 2};
  ASSERT_EQ(nuvraTokenizerDecode(t, ids.data(), uint32_t(ids.size())), 0);
  uint32_t length = 0;
  ASSERT_EQ(nuvraTokenizerGetTextLength(t, &length), 0);
  EXPECT_EQ(length, 6u);
  std::string buffer(8, '#');
  EXPECT_EQ(nuvraTokenizerGetText(t, buffer.data(), length - 1), -1);
  EXPECT_EQ(buffer, std::string(8, '#'));
  ASSERT_EQ(nuvraTokenizerGetText(t, buffer.data(), length), 0);
  EXPECT_EQ(buffer, std::string("hi hi\0##", 8));
}

TEST_F(ResultsTest, FailedCallsKeepThePreviousResults) {
  NuvraTokenizer* t = tokenizer_.get();
  const std::vector<int32_t> ids = {6, 7, 6};
  ASSERT_EQ(nuvraTokenizerDecodeWithSpecialTokens(t, ids.data(), 3), 0);
  const std::vector<int32_t> bad = {6, 8};
  EXPECT_EQ(nuvraTokenizerDecodeWithSpecialTokens(t, bad.data(), 2), NUVRA_TOKENIZER_STATUS_UNKNOWN);
  EXPECT_EQ(testing::text(t), "hi hi");
  // Decoding never touches the records, nor encoding the text.
  EXPECT_EQ(testing::tokens(t), (std::vector<int32_t>{0, 6, 7, 6, 2}));
  ASSERT_EQ(nuvraTokenizerEncode(t, "h"), 0);
  EXPECT_EQ(testing::text(t), "hi hi");
  // A failed file open changes neither the tables nor the results.
  EXPECT_EQ(nuvraTokenizerOpenMergeFileA(t, dir_.missing("m").c_str()), -2);
  ASSERT_EQ(nuvraTokenizerEncode(t, "hi"), 0);
  EXPECT_EQ(testing::tokens(t), (std::vector<int32_t>{0, 6, 2}));
}

}  // namespace
}  // namespace nuvra
