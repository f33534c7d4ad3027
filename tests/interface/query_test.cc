#include <gtest/gtest.h>

#include "interface/tokenizer_handle.h"
#include "nuvra_tokenizer.h"

namespace nuvra {
namespace {

using testing::makeTokenizer;

TEST(Queries, NullArgumentsAreInvalid) {
  auto t = makeTokenizer(7);
  uint32_t value = 0;
  int32_t ids[4];
  char buffer[4];
  const char* text = nullptr;
  EXPECT_EQ(nuvraTokenizerGetTokenCount(nullptr, &value), -1);
  EXPECT_EQ(nuvraTokenizerGetTokenCount(t.get(), nullptr), -1);
  EXPECT_EQ(nuvraTokenizerGetTokens(nullptr, ids, 4), -1);
  EXPECT_EQ(nuvraTokenizerGetTokens(t.get(), nullptr, 4), -1);
  EXPECT_EQ(nuvraTokenizerGetWordIDs(t.get(), nullptr, 4), -1);
  EXPECT_EQ(nuvraTokenizerGetCharStarts(nullptr, ids, 4), -1);
  EXPECT_EQ(nuvraTokenizerGetCharEnds(t.get(), nullptr, 4), -1);
  EXPECT_EQ(nuvraTokenizerGetTextLength(nullptr, &value), -1);
  EXPECT_EQ(nuvraTokenizerGetTextLength(t.get(), nullptr), -1);
  EXPECT_EQ(nuvraTokenizerGetText(nullptr, buffer, 4), -1);
  EXPECT_EQ(nuvraTokenizerGetText(t.get(), nullptr, 4), -1);
  EXPECT_EQ(nuvraTokenizerGetVocabSize(nullptr, &value), -1);
  EXPECT_EQ(nuvraTokenizerGetVocabSize(t.get(), nullptr), -1);
  EXPECT_EQ(nuvraTokenizerGetVocab(nullptr, 0, &text), -1);
  EXPECT_EQ(nuvraTokenizerGetVocab(t.get(), 0, nullptr), -1);
  EXPECT_EQ(nuvraTokenizerGetVocab(t.get(), -1, &text), -1);
  EXPECT_EQ(nuvraTokenizerEncode(nullptr, "a"), -1);
  EXPECT_EQ(nuvraTokenizerEncode(t.get(), nullptr), -1);
  EXPECT_EQ(nuvraTokenizerEncodeWithSpecialTokens(t.get(), nullptr), -1);
  EXPECT_EQ(nuvraTokenizerDecode(nullptr, ids, 0), -1);
  // A null array is refused even when there is nothing to read from it.
  EXPECT_EQ(nuvraTokenizerDecode(t.get(), nullptr, 0), -1);
  EXPECT_EQ(nuvraTokenizerDecodeWithSpecialTokens(t.get(), nullptr, 0), -1);
}

TEST(Queries, PositionsExistOnlyForTypesSevenAndEight) {
  int32_t out[1] = {42};
  for (int32_t type = 0; type <= 10; ++type) {
    auto t = makeTokenizer(type);
    const int32_t expected = (type == 7 || type == 8) ? 0 : NUVRA_TOKENIZER_STATUS_INVALID_STATE;
    EXPECT_EQ(nuvraTokenizerGetWordIDs(t.get(), out, 1), expected) << type;
    EXPECT_EQ(nuvraTokenizerGetCharStarts(t.get(), out, 1), expected) << type;
    EXPECT_EQ(nuvraTokenizerGetCharEnds(t.get(), out, 1), expected) << type;
    // With no records, nothing is written.
    EXPECT_EQ(out[0], 42);
    EXPECT_EQ(nuvraTokenizerGetTokens(t.get(), out, 0), 0);
  }
}

TEST(Queries, JapaneseEncodeWithoutDictionaryIsInvalidState) {
  for (int32_t type : {4, 5}) {
    auto t = makeTokenizer(type);
    EXPECT_EQ(nuvraTokenizerEncode(t.get(), "text"), NUVRA_TOKENIZER_STATUS_INVALID_STATE);
    EXPECT_EQ(nuvraTokenizerEncodeWithSpecialTokens(t.get(), ""), NUVRA_TOKENIZER_STATUS_INVALID_STATE);
    EXPECT_TRUE(testing::tokens(t.get()).empty());
  }
}

}  // namespace
}  // namespace nuvra
