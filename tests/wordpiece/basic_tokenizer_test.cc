#include "wordpiece/basic_tokenizer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/accent_table.h"
#include "base/utf8.h"

namespace nuvra::wordpiece {
namespace {

using Words = std::vector<std::string>;

std::string u8(std::vector<uint32_t> codepoints) { return codepointsToUtf8(codepoints); }

// The edges of each range; text of every kind is compared in parity_test.cc.
TEST(BasicTokenizer, CharacterClasses) {
  for (uint32_t cp : {0x21u, 0x2Fu, 0x3Au, 0x40u, 0x5Bu, 0x60u, 0x7Bu, 0x7Eu, 0x3001u, 0x3003u,
                      0x3008u, 0x3011u, 0x3014u, 0x301Fu, 0x3030u, 0x303Du, 0xFF01u, 0xFF64u}) {
    EXPECT_TRUE(isPunctuation(cp)) << std::hex << cp;
  }
  for (uint32_t cp : {0x20u, 0x30u, 0x41u, 0x7Fu, 0xA1u, 0x2014u, 0x3004u, 0x3012u, 0x3031u,
                      0xFF04u, 0xFF0Bu, 0xFF5Eu, 0xFF65u}) {
    EXPECT_FALSE(isPunctuation(cp)) << std::hex << cp;
  }
  for (uint32_t cp : {0x3400u, 0x4DBFu, 0x4E00u, 0x9FFFu, 0xF900u, 0xFAFFu}) {
    EXPECT_TRUE(isChineseChar(cp)) << std::hex << cp;
  }
  for (uint32_t cp : {0x33FFu, 0x4DFFu, 0xA000u, 0xFB00u, 0x20000u, 0x3042u}) {
    EXPECT_FALSE(isChineseChar(cp)) << std::hex << cp;
  }
}

TEST(BasicTokenizer, SplitsAtSpacesPunctuationAndIdeographs) {
  const std::string two_ideographs = u8({0x4E2D, 0x6587});
  const struct {
    std::string text;
    bool chinese;
    Words words;
  } cases[] = {
      {"hello, world", false, {"hello", ",", " ", "world"}},
      {"a\tb", true, {"a\tb"}},  // only U+0020 splits here
      {two_ideographs, true, {u8({0x4E2D}), u8({0x6587})}},
      {two_ideographs, false, {two_ideographs}},
      // CJK marks split either way; U+2014 and U+00BF do not, nor anything above U+FFFF.
      {u8({'a', 0x3002, 'b', 0xFF0C}), false, {"a", u8({0x3002}), "b", u8({0xFF0C})}},
      {u8({'a', 0x2014, 0xBF, 0x20000}), true, {u8({'a', 0x2014, 0xBF, 0x20000})}},
      // Decoding stops at the first invalid sequence; values above U+10FFFF
      // cannot be written back; a word ends at U+0000.
      {"a,\xFF" "b", true, {"a", ","}},
      {"a\xF4\x90\x80\x80" "b c", true, {"ab", " ", "c"}},
      {std::string("ab\0cd,e", 7), true, {"ab", ",", "e"}},
  };
  for (const auto& c : cases) EXPECT_EQ(basicSplit(c.text, c.chinese), c.words) << c.text;
}

TEST(BasicTokenizer, LowerCasingRunsBeforeAccentStripping) {
  EXPECT_EQ(lowerCaseAscii(u8({'H', 0xC4, 0x130, 'Q'})), u8({'h', 0xC4, 0x130, 'q'}));
  const std::pair<std::vector<uint32_t>, std::vector<uint32_t>> stripped[] = {
      {{'c', 'a', 'f', 0xE9}, {'c', 'a', 'f', 'e'}}, {{'e', 0x301}, {'e'}}, {{0x301}, {}},
      {{0xAC01}, {0x1100, 0x1161, 0x11A8}},  {{0x1D15E}, {0x1D157, 0x1D165}},
      {{0x304C}, {0x304B}},  // dakuten is a nonspacing mark
      {{0xC6, 0x4E00}, {0xC6, 0x4E00}}};
  for (const auto& [in, out] : stripped) EXPECT_EQ(stripAccents(u8(in)), u8(out));
  // So a capital accented letter stays capital.
  std::string out;
  appendLowerCasedStripped(u8({0xC4, 'B', 0xE9, 0x1D15E}), out);
  EXPECT_EQ(out, u8({'A', 'b', 'e', 0x1D157, 0x1D165}));
}

TEST(BasicTokenizer, OnePassNormalisationEqualsTheTwoSteps) {
  // Every seventh table row, upper- and lower-case ASCII and invalid tails.
  std::vector<std::string> words = {"ABC\xFF" "D", "x\xE9\x80", std::string("A\0B", 3), ""};
  for (size_t i = 0; i < data::kAccentRowCount; i += 7) {
    words.push_back(u8({'A', data::kAccentCodepoints[i], 'z'}));
  }
  for (const std::string& word : words) {
    std::string out;
    appendLowerCasedStripped(word, out);
    EXPECT_EQ(out, stripAccents(lowerCaseAscii(word))) << word;
  }
}

}  // namespace
}  // namespace nuvra::wordpiece
