#include "bpe/bpe_decoder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bpe/c_api_helpers.h"

namespace nuvra::bpe {
namespace {

using nuvra::testing::BpeFiles;
using nuvra::testing::Ids;
using nuvra::testing::jsonVocab;
using nuvra::testing::Tokenizer;

// "Ã" and "©" are the symbols of the bytes C3 and A9, the two halves of "é".
BpeFiles tinyVocab() {
  return BpeFiles(jsonVocab({{"<s>", 0}, {"<pad>", 1}, {"</s>", 2}, {"<unk>", 3}, {"Ã", 4},
                             {"©", 5}, {"a", 6}, {"Ġ", 7}, {"<>", 8}, {"<x y>", 9},
                             {"<b", 10}, {"ĠĠ", 11}, {"Ċ", 12}, {"Ā", 13}, {"€", 14}}));
}

TEST(BpeDecoderTest, SkipFlagLeavesOutWholeTagsThatAreVocabularyKeys) {
  const BpeFiles files = tinyVocab();
  Tokenizer t(NUVRA_TOKENIZER_TYPE_BPE_FILES);
  ASSERT_NO_FATAL_FAILURE(files.open(t));
  EXPECT_EQ(t.text({0, 6, 2}), "a");
  EXPECT_EQ(t.text({0, 6, 2}, true), "<s>a</s>");
  EXPECT_EQ(t.text({9, 6}), "a");
  // Written, but its raw space is no symbol and gives nothing.
  EXPECT_EQ(t.text({9, 6}, true), "<xy>a");
  // "<>" and "<b" are no whole tags: always written.
  EXPECT_EQ(t.text({8, 10}), "<><b");
  EXPECT_EQ(t.text({8, 10}, true), "<><b");
}

TEST(BpeDecoderTest, SymbolsBecomeBytesAfterJoining) {
  const BpeFiles files = tinyVocab();
  Tokenizer plain(NUVRA_TOKENIZER_TYPE_BPE_FILES);
  Tokenizer safe(NUVRA_TOKENIZER_TYPE_BPE_FILES, NUVRA_TOKENIZER_FLAG_UTF8_SAFE);
  ASSERT_NO_FATAL_FAILURE(files.open(plain));
  ASSERT_NO_FATAL_FAILURE(files.open(safe));

  // A character split over two tokens comes back whole.
  EXPECT_EQ(plain.text({4, 5}), "\xC3\xA9");
  EXPECT_EQ(safe.text({4, 5}), "\xC3\xA9");
  // Ending inside a character: kept as it is, or cut by the flag.
  EXPECT_EQ(plain.text({6, 4}), "a\xC3");
  EXPECT_EQ(safe.text({6, 4}), "a");
  EXPECT_EQ(safe.text({4, 6, 4, 5}), "");
  // "Ā" is the symbol of byte 0 and gives nothing; "€" is no symbol at all.
  EXPECT_EQ(plain.text({6, 13, 6, 14, 6}), "aaa");
  EXPECT_EQ(plain.text({12, 6}), "\na");
}

TEST(BpeDecoderTest, OneTrailingSpaceIsDropped) {
  const BpeFiles files = tinyVocab();
  Tokenizer t(NUVRA_TOKENIZER_TYPE_BPE_FILES);
  ASSERT_NO_FATAL_FAILURE(files.open(t));
  EXPECT_EQ(t.text({6, 7}), "a");
  EXPECT_EQ(t.text({6, 11}), "a ");
  EXPECT_EQ(t.text({7, 6}), " a");
  EXPECT_EQ(t.text({7}), "");
  EXPECT_EQ(t.text({7, 12}), " \n");
  // The space is dropped after the special tokens are left out.
  EXPECT_EQ(t.text({6, 7, 2}), "a");
  EXPECT_EQ(t.text({6, 7, 2}, true), "a </s>");
}

TEST(BpeDecoderTest, IdsOutsideTheVocabulary) {
  const BpeFiles files = tinyVocab();
  Tokenizer t(NUVRA_TOKENIZER_TYPE_BPE_FILES);
  ASSERT_NO_FATAL_FAILURE(files.open(t));
  ASSERT_EQ(t.vocabSize(), 15u);
  for (const int32_t id : {-1, 15, INT32_MIN, INT32_MAX}) {
    ASSERT_EQ(t.text({6}), "a");
    EXPECT_EQ(t.decode({6, id, 6}, true), NUVRA_TOKENIZER_STATUS_UNKNOWN) << id;
    EXPECT_EQ(t.decodedText(), "a") << "a failed decode keeps the text";
    EXPECT_EQ(t.text({6, id, 6}), "aa") << id;
  }
  EXPECT_EQ(t.text({}), "");
  EXPECT_EQ(t.text({}, true), "");

  // A count that is negative as a signed number decodes nothing and reads nothing.
  const int32_t one = 6;
  ASSERT_EQ(nuvraTokenizerDecode(t.get(), &one, 0x80000000u), NUVRA_TOKENIZER_STATUS_SUCCESS);
  EXPECT_EQ(t.decodedText(), "");
  ASSERT_EQ(nuvraTokenizerDecodeWithSpecialTokens(t.get(), &one, 0xFFFFFFFFu),
            NUVRA_TOKENIZER_STATUS_SUCCESS);
  EXPECT_EQ(t.decodedText(), "");
  EXPECT_EQ(nuvraTokenizerDecode(t.get(), nullptr, 0), NUVRA_TOKENIZER_STATUS_INVALID_ARGUMENT);

  // Without a vocabulary every id is out of range.
  Tokenizer empty(NUVRA_TOKENIZER_TYPE_BPE_FILES_BARE);
  EXPECT_EQ(empty.text({0, 1, 2}), "");
  EXPECT_EQ(empty.decode({0}, true), NUVRA_TOKENIZER_STATUS_UNKNOWN);
}

TEST(BpeDecoderTest, TranscriptTypeFramesWithItsSpecialTokens) {
  Tokenizer t(NUVRA_TOKENIZER_TYPE_BPE_TRANSCRIPT);
  const int32_t hello = t.idOf("Ġhello");
  const int32_t world = t.idOf("Ġworld");
  ASSERT_GE(hello, 0);
  ASSERT_GE(world, 0);
  const Ids ids{50258, hello, world, 50257};
  EXPECT_EQ(t.text(ids), " hello world");
  EXPECT_EQ(t.text(ids, true), "<|startoftranscript|> hello world<|endoftext|>");
  // 50256 is the empty entry.
  EXPECT_EQ(t.text({hello, 50256, world}), " hello world");
  EXPECT_EQ(t.decode({50259}, true), NUVRA_TOKENIZER_STATUS_UNKNOWN);
}

TEST(BpeDecoderTest, WordEndTypeTurnsMarkersIntoSpacesAndTidiesPunctuation) {
  Tokenizer t(NUVRA_TOKENIZER_TYPE_BPE_WORD_END);
  auto id = [&](const char* entry) {
    const int32_t found = t.idOf(entry);
    EXPECT_GE(found, 0) << entry;
    return found;
  };
  EXPECT_EQ(t.text({49406, id("hello</w>"), id("world</w>"), 49407}), "hello world");
  EXPECT_EQ(t.text({49406, id("hello</w>"), 49407}, true),
            "<|startoftext|>hello <|endoftext|>");
  // No rule for " 't", " 'll" or " 'd".
  EXPECT_EQ(t.text({id("don</w>"), id("'t</w>")}), "don 't");
  EXPECT_EQ(t.text({id("it</w>"), id("'s</w>")}), "it's");
  EXPECT_EQ(t.text({id("a</w>"), id(",</w>"), id("b</w>")}), "a, b");
  EXPECT_EQ(t.text({id("we</w>"), id("'ll</w>"), id("go</w>"), id(".</w>")}), "we 'll go.");
  // A marker split over tokens is still one marker once joined.
  EXPECT_EQ(t.text({id("h"), id("i"), id("<"), id("/"), id("w"), id(">")}), "hi");
}

TEST(BpeDecoderTest, CleanUpRulesApplyInOrderAndNeverRematch) {
  EXPECT_EQ(cleanUpTokenization("a , b . c ? d ! e"), "a, b. c? d! e");
  EXPECT_EQ(cleanUpTokenization("it 's I 'm we 've they 're can n't"),
            "it's I'm we've they're cann't");
  EXPECT_EQ(cleanUpTokenization("don 't we 'll he 'd"), "don 't we 'll he 'd");
  EXPECT_EQ(cleanUpTokenization("x ' y"), "x'y");
  // " ' " goes first, so "a ' s" loses both spaces.
  EXPECT_EQ(cleanUpTokenization("a ' s"), "a's");
  // Each occurrence loses one space; what a rule produced is not matched again.
  EXPECT_EQ(cleanUpTokenization("a  ."), "a .");
  EXPECT_EQ(cleanUpTokenization(" . . ."), "...");
  EXPECT_EQ(cleanUpTokenization(""), "");
  EXPECT_EQ(cleanUpTokenization(" "), " ");
}

}  // namespace
}  // namespace nuvra::bpe
