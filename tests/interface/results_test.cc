// The queries that read an encode's records and a decode's text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/tokenizer.h"

namespace nuvra::testing {
namespace {

// Type 7 over five symbols and one merge: "hi hi" encodes as <s> "hi" "Ġ"
// "hi" </s>, that is 0 6 7 6 2.
class ResultsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string vocab = dir_.write(
        "vocab.json", R"({"<s>": 0, "<pad>": 1, "</s>": 2, "<unk>": 3, "h": 4, "i": 5, "hi": 6, "\u0120": 7})");
    ASSERT_EQ(t_.openVocab(vocab), 0);
    ASSERT_EQ(t_.openMerges(dir_.write("merges.txt", "#version: 0.2\nh i\n")), 0);
    ASSERT_EQ(t_.encode("hi hi"), 0);
  }

  TempDir dir_;
  Tokenizer t_{NUVRA_TOKENIZER_TYPE_BPE_FILES};
};

TEST_F(ResultsTest, RecordQueriesNeedRoomForEveryRecord) {
  EXPECT_EQ(t_.tokens(), (Ids{0, 6, 7, 6, 2}));
  Ids out(6, 42);
  EXPECT_EQ(nuvraTokenizerGetTokens(t_.get(), out.data(), 4), -1);
  EXPECT_EQ(nuvraTokenizerGetWordIDs(t_.get(), out.data(), 4), -1);
  EXPECT_EQ(nuvraTokenizerGetCharStarts(t_.get(), out.data(), 0), -1);
  EXPECT_EQ(out, Ids(6, 42));  // nothing written on failure
  ASSERT_EQ(nuvraTokenizerGetWordIDs(t_.get(), out.data(), 6), 0);
  EXPECT_EQ(out, (Ids{-1, 0, 1, 1, -1, 42}));
  EXPECT_EQ(t_.charStarts(), (Ids{-1, 0, 3, 3, -1}));
  EXPECT_EQ(t_.charEnds(), (Ids{-1, 2, 5, 5, -1}));
}

TEST_F(ResultsTest, CapacityIsCheckedBeforeTheType) {
  Tokenizer bare(NUVRA_TOKENIZER_TYPE_BPE_FILES_BARE);
  ASSERT_EQ(bare.openVocab(dir_.write("v.json", R"({"a": 0})")), 0);
  ASSERT_EQ(bare.ids("aa").size(), 2u);
  int32_t out[2];
  EXPECT_EQ(nuvraTokenizerGetWordIDs(bare.get(), out, 1), -1);
  EXPECT_EQ(nuvraTokenizerGetWordIDs(bare.get(), out, 2), NUVRA_TOKENIZER_STATUS_INVALID_STATE);
}

TEST_F(ResultsTest, TextNeedsRoomForItsTerminator) {
  ASSERT_EQ(t_.decode({0, 6, 7, 6, 2}), 0);
  uint32_t length = 0;
  ASSERT_EQ(nuvraTokenizerGetTextLength(t_.get(), &length), 0);
  EXPECT_EQ(length, 6u);
  std::string buffer(8, '#');
  EXPECT_EQ(nuvraTokenizerGetText(t_.get(), buffer.data(), length - 1), -1);
  EXPECT_EQ(buffer, std::string(8, '#'));
  ASSERT_EQ(nuvraTokenizerGetText(t_.get(), buffer.data(), length), 0);
  EXPECT_EQ(buffer, std::string("hi hi\0##", 8));
}

TEST_F(ResultsTest, FailedCallsKeepThePreviousResults) {
  ASSERT_EQ(t_.text({6, 7, 6}, kWithSpecials), "hi hi");
  EXPECT_EQ(t_.decode({6, 8}, kWithSpecials), NUVRA_TOKENIZER_STATUS_UNKNOWN);
  EXPECT_EQ(t_.decodedText(), "hi hi");
  // Decoding never touches the records, nor encoding the text.
  EXPECT_EQ(t_.tokens(), (Ids{0, 6, 7, 6, 2}));
  ASSERT_EQ(t_.encode("h"), 0);
  EXPECT_EQ(t_.decodedText(), "hi hi");
  // A failed file open changes neither the tables nor the results.
  EXPECT_EQ(t_.openMerges(dir_.missing("m")), -2);
  EXPECT_EQ(t_.ids("hi"), (Ids{0, 6, 2}));
}

TEST(Queries, NullArgumentsAreInvalid) {
  Tokenizer t(7);
  NuvraTokenizer* h = t.get();
  uint32_t value = 0;
  int32_t ids[4];
  char buffer[4];
  const char* text = nullptr;
  const int32_t statuses[] = {
      nuvraTokenizerGetTokenCount(nullptr, &value), nuvraTokenizerGetTokenCount(h, nullptr),
      nuvraTokenizerGetTokens(nullptr, ids, 4),     nuvraTokenizerGetTokens(h, nullptr, 4),
      nuvraTokenizerGetWordIDs(h, nullptr, 4),      nuvraTokenizerGetCharStarts(nullptr, ids, 4),
      nuvraTokenizerGetCharEnds(h, nullptr, 4),     nuvraTokenizerGetTextLength(nullptr, &value),
      nuvraTokenizerGetTextLength(h, nullptr),      nuvraTokenizerGetText(nullptr, buffer, 4),
      nuvraTokenizerGetText(h, nullptr, 4),         nuvraTokenizerGetVocabSize(nullptr, &value),
      nuvraTokenizerGetVocabSize(h, nullptr),       nuvraTokenizerGetVocab(nullptr, 0, &text),
      nuvraTokenizerGetVocab(h, 0, nullptr),        nuvraTokenizerGetVocab(h, -1, &text),
      nuvraTokenizerEncode(nullptr, "a"),           nuvraTokenizerEncode(h, nullptr),
      nuvraTokenizerEncodeWithSpecialTokens(h, nullptr), nuvraTokenizerDecode(nullptr, ids, 0),
      // A null array is refused even when there is nothing to read from it.
      nuvraTokenizerDecode(h, nullptr, 0),          nuvraTokenizerDecodeWithSpecialTokens(h, nullptr, 0),
      nuvraTokenizerUtf8ToUtf32(nullptr, &value, "a", 1), nuvraTokenizerUtf8ToUtf32(&value, nullptr, "a", 1),
      nuvraTokenizerUtf8ToUtf32(&value, &value, nullptr, 1), nuvraTokenizerUtf32ToUtf8(nullptr, &value, 0x41),
      nuvraTokenizerUtf32ToUtf8(buffer, nullptr, 0x41),
  };
  for (size_t i = 0; i < std::size(statuses); ++i) EXPECT_EQ(statuses[i], -1) << "call " << i;
}

}  // namespace
}  // namespace nuvra::testing
