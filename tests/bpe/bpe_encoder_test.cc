#include "bpe/bpe_encoder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bpe/byte_symbols.h"
#include "bpe/c_api_helpers.h"
#include "interface/type_table.h"

namespace nuvra::bpe {
namespace {

using nuvra::testing::BpeFiles;
using nuvra::testing::Ids;
using nuvra::testing::jsonVocab;
using nuvra::testing::Tokenizer;

// Type 7 world: "Hello" and " world" merge to single tokens, " a" to "Ġa";
// <s>, <pad>, </s>, <unk> sit at the ids the type's framing uses.
BpeFiles tinyFiles() {
  return BpeFiles(jsonVocab({{"<s>", 0},    {"<pad>", 1},   {"</s>", 2},  {"<unk>", 3},
                             {"H", 4},      {"e", 5},       {"l", 6},     {"o", 7},
                             {"Ġ", 8},      {"w", 9},       {"r", 10},    {"d", 11},
                             {"a", 12},     {"b", 13},      {"s", 14},    {"<", 15},
                             {">", 16},     {"He", 17},     {"ll", 18},   {"Hell", 19},
                             {"Hello", 20}, {"Ġw", 21},     {"or", 22},   {"Ġwor", 23},
                             {"Ġworl", 24}, {"Ġworld", 25}, {"Ġa", 26}}),
                  "#version: 0.2\nH e\nl l\nHe ll\nHell o\nĠ w\no r\nĠw or\nĠwor l\n"
                  "Ġworl d\nĠ a\n");
}

TEST(BpeEncoderTest, WordIdsAndCodePointSpans) {
  const BpeFiles files = tinyFiles();
  Tokenizer t(NUVRA_TOKENIZER_TYPE_BPE_FILES);
  ASSERT_NO_FATAL_FAILURE(files.open(t));

  EXPECT_EQ(t.ids("Hello world"), (Ids{0, 20, 25, 2}));
  EXPECT_EQ(t.wordIds(), (Ids{-1, 0, 1, -1}));
  // The leading space of " world" is outside its span.
  EXPECT_EQ(t.charStarts(), (Ids{-1, 0, 6, -1}));
  EXPECT_EQ(t.charEnds(), (Ids{-1, 5, 11, -1}));

  // Positions count code points: "é" is one, however many tokens it makes.
  EXPECT_EQ(t.ids("é a"), (Ids{0, 3, 3, 26, 2}));
  EXPECT_EQ(t.wordIds(), (Ids{-1, 0, 0, 1, -1}));
  EXPECT_EQ(t.charStarts(), (Ids{-1, 0, 0, 2, -1}));
  EXPECT_EQ(t.charEnds(), (Ids{-1, 1, 1, 3, -1}));

  // "  a" is " " then " a": a lone space word spans nothing, at 1.
  EXPECT_EQ(t.ids("  a"), (Ids{0, 8, 26, 2}));
  EXPECT_EQ(t.charStarts(), (Ids{-1, 1, 2, -1}));
  EXPECT_EQ(t.charEnds(), (Ids{-1, 1, 3, -1}));

  // Only 0x20 moves the start; "\ta" is "\t" then "a".
  EXPECT_EQ(t.ids("\ta"), (Ids{0, 3, 12, 2}));
  EXPECT_EQ(t.charStarts(), (Ids{-1, 0, 1, -1}));
  EXPECT_EQ(t.charEnds(), (Ids{-1, 1, 2, -1}));
}

TEST(BpeEncoderTest, SpecialTokensOnlyWithTheFlagAndOnlyWhenInTheVocabulary) {
  const BpeFiles files = tinyFiles();
  Tokenizer t(NUVRA_TOKENIZER_TYPE_BPE_FILES);
  ASSERT_NO_FATAL_FAILURE(files.open(t));

  EXPECT_EQ(t.ids("a<s>b", true), (Ids{0, 12, 0, 13, 2}));
  EXPECT_EQ(t.wordIds(), (Ids{-1, 0, 1, 2, -1}));
  EXPECT_EQ(t.charStarts(), (Ids{-1, 0, 1, 4, -1}));
  EXPECT_EQ(t.charEnds(), (Ids{-1, 1, 4, 5, -1}));

  // Without the flag the tag is text: "a", "<", "s", ">", "b".
  EXPECT_EQ(t.ids("a<s>b"), (Ids{0, 12, 15, 14, 16, 13, 2}));
  EXPECT_EQ(t.wordIds(), (Ids{-1, 0, 1, 2, 3, 4, -1}));

  // Adjacent tags, and tags the vocabulary lacks ("<x y>", "<unknown>").
  EXPECT_EQ(t.ids("<s><pad></s>", true), (Ids{0, 0, 1, 2, 2}));
  EXPECT_EQ(t.wordIds(), (Ids{-1, 0, 1, 2, -1}));
  EXPECT_EQ(t.ids("<x y>", true), (Ids{0, 15, 3, 8, 3, 16, 2}));
  EXPECT_EQ(t.ids("<x y>", true), t.ids("<x y>"));
  // The leftmost tag in "<<s>>" is "<<s>", which is not a key: all text.
  EXPECT_EQ(t.ids("<<s>>", true), (Ids{0, 15, 15, 14, 16, 16, 2}));
}

TEST(BpeEncoderTest, EmptyTextGivesOnlyTheFraming) {
  Tokenizer type0(NUVRA_TOKENIZER_TYPE_BPE_TRANSCRIPT);
  EXPECT_EQ(type0.ids(""), (Ids{50258, 50257}));
  Tokenizer type1(NUVRA_TOKENIZER_TYPE_BPE_WORD_END);
  EXPECT_EQ(type1.ids(""), (Ids{49406, 49407}));
  EXPECT_EQ(type1.ids(" \t\r\n\f\v \xE3\x80\x80 "), (Ids{49406, 49407}));
  Tokenizer type7(NUVRA_TOKENIZER_TYPE_BPE_FILES);
  EXPECT_EQ(type7.ids(""), (Ids{0, 2}));
  EXPECT_EQ(type7.ids("", true), (Ids{0, 2}));
  Tokenizer type9(NUVRA_TOKENIZER_TYPE_BPE_FILES_BARE);
  EXPECT_EQ(type9.ids(""), Ids{});
}

TEST(BpeEncoderTest, EmptyTablesGiveUnknownsForType7AndNothingForType9) {
  Tokenizer type7(NUVRA_TOKENIZER_TYPE_BPE_FILES);
  // One unknown per byte: "hi" and " there".
  EXPECT_EQ(type7.ids("hi there"), (Ids{0, 3, 3, 3, 3, 3, 3, 3, 3, 2}));
  EXPECT_EQ(type7.wordIds(), (Ids{-1, 0, 0, 1, 1, 1, 1, 1, 1, -1}));
  EXPECT_EQ(type7.ids("<s>é", true), (Ids{0, 3, 3, 3, 3, 3, 2}));
  Tokenizer type9(NUVRA_TOKENIZER_TYPE_BPE_FILES_BARE);
  EXPECT_EQ(type9.ids("hi there"), Ids{});
  EXPECT_EQ(type9.ids("<s>", true), Ids{});
}

TEST(BpeEncoderTest, DroppedTokensStillAdvanceWordsAndPositions) {
  const readers::TokenIndex vocab({"a", "Ġb"}, readers::TokenIndex::Duplicates::kHighestId);
  const MergeTable merges(readers::MergeList{{"Ġ", "b", 0}});
  // " ?" has no token at all on type 9; " b" is still word 2 at [4, 5).
  const TokenRecords records =
      bpeEncode(findType(9)->bpe, "a ? b", vocab, merges, EncodeSpecials::kAsText);
  EXPECT_EQ(records, (TokenRecords{{0, 0, 0, 1}, {1, 2, 4, 5}}));
}

TEST(BpeEncoderTest, IsSpecialTokenNeedsTheKeyAndAWholeTag) {
  const readers::TokenIndex vocab({"<s>", "<s", "<|eot|>", "x<s>"},
                                  readers::TokenIndex::Duplicates::kHighestId);
  EXPECT_TRUE(isSpecialToken("<s>", vocab, TagPattern::kAngleTag));
  EXPECT_FALSE(isSpecialToken("<s>", vocab, TagPattern::kPipeTag));
  EXPECT_FALSE(isSpecialToken("<s", vocab, TagPattern::kAngleTag));
  EXPECT_FALSE(isSpecialToken("x<s>", vocab, TagPattern::kAngleTag));
  EXPECT_TRUE(isSpecialToken("<|eot|>", vocab, TagPattern::kPipeTag));
  EXPECT_TRUE(isSpecialToken("<|eot|>", vocab, TagPattern::kAngleTag));
  EXPECT_FALSE(isSpecialToken("<t>", vocab, TagPattern::kAngleTag));
  EXPECT_FALSE(isSpecialToken("<s>", vocab, TagPattern::kNone));
}

TEST(BpeEncoderTest, BuiltinTypesRecogniseTheirPipeTags) {
  Tokenizer type0(NUVRA_TOKENIZER_TYPE_BPE_TRANSCRIPT);
  EXPECT_EQ(type0.ids("<|endoftext|>", true), (Ids{50258, 50257, 50257}));
  const Ids plain = type0.ids("<|endoftext|>");
  ASSERT_GT(plain.size(), 4u);  // "<|", "endoftext", "|>" as ordinary tokens
  EXPECT_EQ(type0.text(plain), "<|endoftext|>");
  EXPECT_EQ(type0.text(plain, true), "<|startoftranscript|><|endoftext|><|endoftext|>");
  EXPECT_EQ(type0.ids("<|nosuchtag|>", true), type0.ids("<|nosuchtag|>"));

  // White space before a tag is a word of its own only when the tag is cut out.
  auto inner = [&](const std::string& text) {
    Ids ids = type0.ids(text);
    return Ids(ids.begin() + 1, ids.end() - 1);
  };
  Ids expected{50258};
  for (const char* part : {"a", "  "}) {
    const Ids part_ids = inner(part);
    expected.insert(expected.end(), part_ids.begin(), part_ids.end());
  }
  expected.insert(expected.end(), {50257, 50257});
  EXPECT_EQ(type0.ids("a  <|endoftext|>", true), expected);
  EXPECT_NE(type0.ids("a  <|endoftext|>"), expected);

  Tokenizer type1(NUVRA_TOKENIZER_TYPE_BPE_WORD_END);
  EXPECT_EQ(type1.ids("<|ENDOFTEXT|>", true), (Ids{49406, 49407, 49407}));
  EXPECT_EQ(type1.ids("<|startoftext|>hi", true), type1.ids("<|startoftext|> hi", true));
}

TEST(BpeEncoderTest, WordEndTypeCleansWhiteSpaceAndLowersAsciiOnly) {
  Tokenizer t(NUVRA_TOKENIZER_TYPE_BPE_WORD_END);
  EXPECT_EQ(t.ids("hello world"), (Ids{49406, 3306, 1002, 49407}));
  EXPECT_EQ(t.ids("  Hello \t\n  WORLD  "), t.ids("hello world"));
  EXPECT_EQ(t.ids("hello\xE2\x80\x83world"), t.ids("hello world"));
  // "Ä" keeps its case: only A to Z are lowered.
  EXPECT_EQ(t.ids("ÄB"), t.ids("Äb"));
  EXPECT_NE(t.ids("ÄB"), t.ids("äb"));
}

TEST(BpeEncoderTest, FailedEncodeKeepsTheRecords) {
  const BpeFiles files = tinyFiles();
  Tokenizer t(NUVRA_TOKENIZER_TYPE_BPE_FILES);
  ASSERT_NO_FATAL_FAILURE(files.open(t));
  ASSERT_EQ(t.ids("Hello world"), (Ids{0, 20, 25, 2}));
  EXPECT_EQ(nuvraTokenizerEncode(t.get(), nullptr), NUVRA_TOKENIZER_STATUS_INVALID_ARGUMENT);
  EXPECT_EQ(nuvraTokenizerEncodeWithSpecialTokens(nullptr, "x"),
            NUVRA_TOKENIZER_STATUS_INVALID_ARGUMENT);
  EXPECT_EQ(t.tokens(), (Ids{0, 20, 25, 2}));
  EXPECT_EQ(t.charEnds(), (Ids{-1, 5, 11, -1}));
}

// Every byte symbol at the id of its byte, plus "a" runs of 2, 4 and 8
// (256 to 258) merged by three rules: any byte string encodes, and decodes
// back.
BpeFiles byteFiles() {
  std::vector<std::pair<std::string, int32_t>> pairs;
  for (int b = 0; b < 256; ++b) {
    std::string symbol(byteEncoder().symbols[size_t(b)].text());
    if (symbol == "\"" || symbol == "\\") symbol = "\\" + symbol;
    pairs.emplace_back(symbol, b);
  }
  pairs.insert(pairs.end(), {{"aa", 256}, {"aaaa", 257}, {"aaaaaaaa", 258}});
  return BpeFiles(jsonVocab(pairs), "a a\naa aa\naaaa aaaa\n");
}

// NUL-free byte strings, valid UTF-8 or not, from a fixed seed.
std::vector<std::string> garbage(size_t count, uint32_t seed) {
  std::vector<std::string> out = {
      "\xFF\xFE", "\xC3", "a\x80z", "\xED\xA0\x80 surrogate", "\xF4\x90\x80\x80 above",
      "\xC0\xAF overlong", "ab\xF0\x9F\x98", " \xE2\x82", " \xA0 \xC2", "<s\xFF>", "<|\xFF|>",
      "x\xF8\x88\x80\x80\x80y", "\xC3\xA9\xC3", "'\xFFs '\xC3ll",
  };
  for (size_t i = 0; i < count; ++i) {
    std::string text;
    seed = seed * 1103515245u + 12345u;
    const size_t length = 1 + (seed >> 16) % 48;
    for (size_t k = 0; k < length; ++k) {
      seed = seed * 1103515245u + 12345u;
      text.push_back(char(1 + (seed >> 16) % 255));
    }
    out.push_back(text);
  }
  return out;
}

std::string withoutTrailingSpace(std::string text) {
  if (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

TEST(BpeEncoderTest, MalformedUtf8IsEncodedSafely) {
  const BpeFiles files = byteFiles();
  Tokenizer bare(NUVRA_TOKENIZER_TYPE_BPE_FILES_BARE);
  ASSERT_NO_FATAL_FAILURE(files.open(bare));
  Tokenizer framed(NUVRA_TOKENIZER_TYPE_BPE_FILES);
  ASSERT_NO_FATAL_FAILURE(files.open(framed));
  Tokenizer word_end(NUVRA_TOKENIZER_TYPE_BPE_WORD_END);
  Tokenizer transcript(NUVRA_TOKENIZER_TYPE_BPE_TRANSCRIPT);
  for (const std::string& text : garbage(300, 7)) {
    for (const bool special : {false, true}) {
      SCOPED_TRACE(::testing::PrintToString(text) + (special ? " with special tokens" : ""));
      // Every byte is in some pre-token: the bytes come back.
      const Ids ids = bare.ids(text, special);
      ASSERT_TRUE(ids.empty() || ids[0] != -999) << ids[1];
      EXPECT_EQ(bare.text(ids), withoutTrailingSpace(text));

      ASSERT_EQ(framed.encode(text, special), NUVRA_TOKENIZER_STATUS_SUCCESS);
      const Ids words = framed.wordIds();
      const Ids starts = framed.charStarts();
      const Ids ends = framed.charEnds();
      for (size_t i = 2; i + 1 < words.size(); ++i) {
        EXPECT_GE(words[i], words[i - 1]);
        EXPECT_GE(starts[i], starts[i - 1]);
      }
      for (size_t i = 1; i + 1 < words.size(); ++i) EXPECT_LE(starts[i], ends[i]);

      EXPECT_EQ(word_end.encode(text, special), NUVRA_TOKENIZER_STATUS_SUCCESS);
      EXPECT_EQ(transcript.encode(text, special), NUVRA_TOKENIZER_STATUS_SUCCESS);
    }
  }
}

TEST(BpeEncoderTest, MegabyteInputs) {
  const BpeFiles files = byteFiles();
  Tokenizer t(NUVRA_TOKENIZER_TYPE_BPE_FILES_BARE);
  ASSERT_NO_FATAL_FAILURE(files.open(t));
  constexpr size_t kMegabyte = size_t(1) << 20;

  // One pre-token of a million symbols merges into runs of eight.
  const std::string run(kMegabyte, 'a');
  EXPECT_EQ(t.ids(run), Ids(kMegabyte / 8, 258));
  EXPECT_EQ(t.text(t.tokens()), run);

  // Words, numbers, punctuation, white space and multi-byte characters.
  std::string mixed;
  const char* parts[] = {"word ", "  ", "123", "é", "\t",
                         "!?",    "'s ", "東京", "\xF0\x9F\x98\x80"};
  for (size_t i = 0; mixed.size() < kMegabyte; ++i) mixed += parts[(i * 7) % 9];
  const Ids ids = t.ids(mixed, true);
  EXPECT_EQ(t.text(ids), withoutTrailingSpace(mixed));

  Tokenizer word_end(NUVRA_TOKENIZER_TYPE_BPE_WORD_END);
  std::string words;
  while (words.size() < kMegabyte) words += "Hello   World\n";
  EXPECT_EQ(word_end.ids(words).size(), 2 * (words.size() / 14) + 2);
  EXPECT_EQ(word_end.text(word_end.tokens()).size(), 12 * (words.size() / 14) - 1);
}

}  // namespace
}  // namespace nuvra::bpe
