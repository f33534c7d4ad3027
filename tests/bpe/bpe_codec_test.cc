// Encode and decode of the BPE types through the C interface.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bpe/bpe_decoder.h"
#include "support/tokenizer.h"

namespace nuvra::testing {
namespace {

// "Hello" and " world" merge to single tokens, " a" to "Ġa"; <s>, <pad>,
// </s>, <unk> sit at the ids type 7's framing uses. "Ã" and "©" are the
// symbols of C3 and A9, the two halves of "é"; "Ā" is byte 0's symbol and
// "€" no symbol at all.
const BpeFiles& tinyFiles() {
  static const BpeFiles files(
      jsonVocab({{"<s>", 0},     {"<pad>", 1},   {"</s>", 2},  {"<unk>", 3}, {"H", 4},
                 {"e", 5},       {"l", 6},       {"o", 7},     {"Ġ", 8},     {"w", 9},
                 {"r", 10},      {"d", 11},      {"a", 12},    {"b", 13},    {"s", 14},
                 {"<", 15},      {">", 16},      {"He", 17},   {"ll", 18},   {"Hell", 19},
                 {"Hello", 20},  {"Ġw", 21},     {"or", 22},   {"Ġwor", 23}, {"Ġworl", 24},
                 {"Ġworld", 25}, {"Ġa", 26},     {"Ã", 27},    {"©", 28},    {"<>", 29},
                 {"<x y>", 30},  {"<b", 31},     {"ĠĠ", 32},   {"Ċ", 33},    {"Ā", 34},
                 {"€", 35}}),
      "#version: 0.2\nH e\nl l\nHe ll\nHell o\nĠ w\no r\nĠw or\nĠwor l\nĠworl d\nĠ a\n");
  return files;
}

struct Encoded {
  const char* text;
  bool specials;
  Ids ids, words, starts, ends;
};

TEST(BpeEncode, WordIdsAndCodePointSpans) {
  Tokenizer t(NUVRA_TOKENIZER_TYPE_BPE_FILES);
  ASSERT_NO_FATAL_FAILURE(tinyFiles().open(t));
  const Encoded cases[] = {
      // The leading space of " world" is outside its span.
      {"Hello world", false, {0, 20, 25, 2}, {-1, 0, 1, -1}, {-1, 0, 6, -1}, {-1, 5, 11, -1}},
      // Positions count code points: "é" is one, however many tokens it makes.
      {"é a", false, {0, 27, 28, 26, 2}, {-1, 0, 0, 1, -1}, {-1, 0, 0, 2, -1}, {-1, 1, 1, 3, -1}},
      // "  a" is " " then " a": a lone space word spans nothing, at 1.
      {"  a", false, {0, 8, 26, 2}, {-1, 0, 1, -1}, {-1, 1, 2, -1}, {-1, 1, 3, -1}},
      // Only 0x20 moves the start; "\ta" is "\t" then "a".
      {"\ta", false, {0, 3, 12, 2}, {-1, 0, 1, -1}, {-1, 0, 1, -1}, {-1, 1, 2, -1}},
      // Special tokens only with the flag, and only vocabulary keys.
      {"a<s>b", true, {0, 12, 0, 13, 2}, {-1, 0, 1, 2, -1}, {-1, 0, 1, 4, -1}, {-1, 1, 4, 5, -1}},
      {"a<s>b", false, {0, 12, 15, 14, 16, 13, 2}, {-1, 0, 1, 2, 3, 4, -1},
       {-1, 0, 1, 2, 3, 4, -1}, {-1, 1, 2, 3, 4, 5, -1}},
      {"<s><pad></s>", true, {0, 0, 1, 2, 2}, {-1, 0, 1, 2, -1}, {-1, 0, 3, 8, -1},
       {-1, 3, 8, 12, -1}},
  };
  for (const Encoded& c : cases) {
    EXPECT_EQ(t.ids(c.text, c.specials), c.ids) << c.text;
    EXPECT_EQ(t.wordIds(), c.words) << c.text;
    EXPECT_EQ(t.charStarts(), c.starts) << c.text;
    EXPECT_EQ(t.charEnds(), c.ends) << c.text;
  }
  // Tags the vocabulary lacks are text; the leftmost tag in "<<s>>" is "<<s>".
  EXPECT_EQ(t.ids("<y x>", kWithSpecials), (Ids{0, 15, 3, 8, 3, 16, 2}));
  EXPECT_EQ(t.ids("<<s>>", kWithSpecials), (Ids{0, 15, 15, 14, 16, 16, 2}));

  // A failed encode keeps the records.
  EXPECT_EQ(nuvraTokenizerEncode(t.get(), nullptr), NUVRA_TOKENIZER_STATUS_INVALID_ARGUMENT);
  EXPECT_EQ(t.tokens(), (Ids{0, 15, 15, 14, 16, 16, 2}));
}

TEST(BpeEncode, FramingAndEmptyTables) {
  const struct {
    int32_t type;
    const char* text;
    bool specials;
    Ids ids;
  } cases[] = {
      {NUVRA_TOKENIZER_TYPE_BPE_TRANSCRIPT, "", false, {50258, 50257}},
      {NUVRA_TOKENIZER_TYPE_BPE_WORD_END, "", false, {49406, 49407}},
      {NUVRA_TOKENIZER_TYPE_BPE_FILES, "", true, {0, 2}},
      {NUVRA_TOKENIZER_TYPE_BPE_FILES_BARE, "", false, {}},
      // Without tables: one unknown per byte for type 7, nothing for type 9.
      {NUVRA_TOKENIZER_TYPE_BPE_FILES, "hi there", false, {0, 3, 3, 3, 3, 3, 3, 3, 3, 2}},
      {NUVRA_TOKENIZER_TYPE_BPE_FILES, "<s>é", true, {0, 3, 3, 3, 3, 3, 2}},
      {NUVRA_TOKENIZER_TYPE_BPE_FILES_BARE, "<s>", true, {}},
      // Built-in pipe tags, in any case for the word-end type.
      {NUVRA_TOKENIZER_TYPE_BPE_TRANSCRIPT, "<|endoftext|>", true, {50258, 50257, 50257}},
      {NUVRA_TOKENIZER_TYPE_BPE_WORD_END, "<|ENDOFTEXT|>", true, {49406, 49407, 49407}},
  };
  for (const auto& c : cases) {
    Tokenizer t(c.type);
    EXPECT_EQ(t.ids(c.text, c.specials), c.ids) << c.type << " " << c.text;
  }
}

TEST(BpeEncode, BuiltinTypesTags) {
  Tokenizer type0(NUVRA_TOKENIZER_TYPE_BPE_TRANSCRIPT);
  const Ids plain = type0.ids("<|endoftext|>");
  ASSERT_GT(plain.size(), 4u);  // "<|", "endoftext", "|>" as ordinary tokens
  EXPECT_EQ(type0.text(plain, kWithSpecials), "<|startoftranscript|><|endoftext|><|endoftext|>");
  EXPECT_EQ(type0.ids("<|nosuchtag|>", kWithSpecials), type0.ids("<|nosuchtag|>"));
  // White space before a tag is a word of its own only when the tag is cut out.
  Ids expected = type0.ids("a");
  const Ids spaces = type0.ids("  ");
  expected.pop_back();
  expected.insert(expected.end(), spaces.begin() + 1, spaces.end() - 1);
  expected.insert(expected.end(), {50257, 50257});
  EXPECT_EQ(type0.ids("a  <|endoftext|>", kWithSpecials), expected);
  EXPECT_NE(type0.ids("a  <|endoftext|>"), expected);

  // The word-end type cleans white space and lowers A to Z only.
  Tokenizer type1(NUVRA_TOKENIZER_TYPE_BPE_WORD_END);
  EXPECT_EQ(type1.ids("<|startoftext|>hi", kWithSpecials),
            type1.ids("<|startoftext|> hi", kWithSpecials));
  EXPECT_EQ(type1.ids("  Hello \t\n  WORLD  "), type1.ids("hello world"));
  EXPECT_EQ(type1.ids("hello\xE2\x80\x83world"), type1.ids("hello world"));
  EXPECT_EQ(type1.ids("ÄB"), type1.ids("Äb"));
  EXPECT_NE(type1.ids("ÄB"), type1.ids("äb"));
}

TEST(BpeDecode, SpecialsBytesAndTheTrailingSpace) {
  Tokenizer plain(NUVRA_TOKENIZER_TYPE_BPE_FILES);
  Tokenizer safe(NUVRA_TOKENIZER_TYPE_BPE_FILES, NUVRA_TOKENIZER_FLAG_UTF8_SAFE);
  ASSERT_NO_FATAL_FAILURE(tinyFiles().open(plain));
  ASSERT_NO_FATAL_FAILURE(tinyFiles().open(safe));
  const struct {
    Ids ids;
    bool specials;
    const char* text;
    const char* safe_text;
  } cases[] = {
      {{0, 12, 2}, false, "a", "a"},
      {{0, 12, 2}, true, "<s>a</s>", "<s>a</s>"},
      // A whole tag that is a key is special; its raw space is no symbol.
      {{30, 12}, false, "a", "a"},
      {{30, 12}, true, "<xy>a", "<xy>a"},
      {{29, 31}, false, "<><b", "<><b"},  // no whole tags
      // A character split over two tokens comes back whole; one cut short
      // is kept, or cut by the flag with all behind it.
      {{27, 28}, false, "\xC3\xA9", "\xC3\xA9"},
      {{12, 27}, false, "a\xC3", "a"},
      {{27, 12, 27, 28}, false, "\xC3" "a\xC3\xA9", ""},
      {{12, 34, 12, 35, 12}, false, "aaa", "aaa"},
      {{33, 12}, false, "\na", "\na"},
      // One trailing space is dropped, after the specials are left out.
      {{12, 8}, false, "a", "a"},
      {{12, 32}, false, "a ", "a "},
      {{8}, false, "", ""},
      {{12, 8, 2}, false, "a", "a"},
      {{12, 8, 2}, true, "a </s>", "a </s>"},
      {{}, true, "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(plain.text(c.ids, c.specials), c.text) << ::testing::PrintToString(c.ids);
    EXPECT_EQ(safe.text(c.ids, c.specials), c.safe_text) << ::testing::PrintToString(c.ids);
  }
}

TEST(BpeDecode, IdsOutsideTheVocabulary) {
  Tokenizer t(NUVRA_TOKENIZER_TYPE_BPE_FILES);
  ASSERT_NO_FATAL_FAILURE(tinyFiles().open(t));
  EXPECT_EQ(t.text({12, 36, 12}), "aa");
  EXPECT_EQ(t.decode({12, 36, 12}, kWithSpecials), NUVRA_TOKENIZER_STATUS_UNKNOWN);
  // A count that is negative as a signed number decodes nothing.
  const int32_t one = 12;
  ASSERT_EQ(nuvraTokenizerDecode(t.get(), &one, 0x80000000u), NUVRA_TOKENIZER_STATUS_SUCCESS);
  EXPECT_EQ(t.decodedText(), "");
  ASSERT_EQ(nuvraTokenizerDecodeWithSpecialTokens(t.get(), &one, 0xFFFFFFFFu),
            NUVRA_TOKENIZER_STATUS_SUCCESS);
  EXPECT_EQ(t.decodedText(), "");
  // Without a vocabulary every id is out of range.
  Tokenizer empty(NUVRA_TOKENIZER_TYPE_BPE_FILES_BARE);
  EXPECT_EQ(empty.text({0, 1, 2}), "");
  EXPECT_EQ(empty.decode({0}, kWithSpecials), NUVRA_TOKENIZER_STATUS_UNKNOWN);
}

TEST(BpeDecode, CleanUpRulesApplyInOrderAndNeverRematch) {
  const std::pair<const char*, const char*> cases[] = {
      {"a , b . c ? d ! e", "a, b. c? d! e"},
      {"it 's I 'm we 've they 're can n't", "it's I'm we've they're cann't"},
      {"don 't we 'll he 'd", "don 't we 'll he 'd"},  // no rule for these
      {"a ' s", "a's"},                                // " ' " goes first
      {"a  .", "a ."},
      {" . . .", "..."},
      {" ", " "},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(bpe::cleanUpTokenization(in), out) << in;
}

}  // namespace
}  // namespace nuvra::testing
