#include "wordpiece/basic_tokenizer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/utf8.h"
#include "data/accent_table.h"

namespace nuvra::wordpiece {
namespace {

using Words = std::vector<std::string>;

std::string u8(std::vector<uint32_t> codepoints) { return codepointsToUtf8(codepoints); }

// The replacements of the row for `cp`, or {cp} when it has none.
std::vector<uint32_t> accentRow(uint32_t cp) {
  const uint32_t* end = data::kAccentCodepoints + data::kAccentRowCount;
  const uint32_t* row = std::lower_bound(data::kAccentCodepoints, end, cp);
  if (row == end || *row != cp) return {cp};
  std::vector<uint32_t> out;
  for (uint64_t s = data::kAccentReplacements[row - data::kAccentCodepoints]; s != 0; s >>= 21) {
    out.push_back(uint32_t(s & 0x1FFFFF));
  }
  return out;
}

TEST(AccentTable, ShapeAndKnownRows) {
  ASSERT_EQ(data::kAccentRowCount, 15165u);
  EXPECT_EQ(data::kAccentCodepoints[0], 0xC0u);
  EXPECT_EQ(data::kAccentCodepoints[data::kAccentRowCount - 1], 0xE01EFu);
  size_t by_length[4] = {};
  for (size_t i = 0; i < data::kAccentRowCount; ++i) {
    if (i > 0) {
      ASSERT_LT(data::kAccentCodepoints[i - 1], data::kAccentCodepoints[i]);
    }
    size_t length = 0;
    for (uint64_t s = data::kAccentReplacements[i]; s != 0; s >>= 21) {
      ASSERT_NE(s & 0x1FFFFF, 0u) << "empty slot before a filled one at row " << i;
      ++length;
    }
    ASSERT_LE(length, 3u);
    ++by_length[length];
  }
  EXPECT_EQ(by_length[0], 1950u);
  EXPECT_EQ(by_length[1], 2000u);
  EXPECT_EQ(by_length[2], 433u);
  EXPECT_EQ(by_length[3], 10782u);

  EXPECT_EQ(accentRow(0xC9), (std::vector<uint32_t>{0x45}));
  EXPECT_EQ(accentRow(0xE9), (std::vector<uint32_t>{0x65}));
  EXPECT_EQ(accentRow(0x301), std::vector<uint32_t>{});
  EXPECT_EQ(accentRow(0xE0100), std::vector<uint32_t>{});
  EXPECT_EQ(accentRow(0xAC01), (std::vector<uint32_t>{0x1100, 0x1161, 0x11A8}));
  EXPECT_EQ(accentRow(0x1D15E), (std::vector<uint32_t>{0x1D157, 0x1D165}));
  // Letters without a decomposition have no row.
  EXPECT_EQ(accentRow(0xC6), (std::vector<uint32_t>{0xC6}));
  EXPECT_EQ(accentRow(0x4E00), (std::vector<uint32_t>{0x4E00}));
}

TEST(BasicTokenizer, CharacterClasses) {
  for (uint32_t cp : {0x21u, 0x2Fu, 0x3Au, 0x40u, 0x5Bu, 0x60u, 0x7Bu, 0x7Eu, 0x24u, 0x3001u,
                      0x3002u, 0x3011u, 0x301Fu, 0x3030u, 0x303Du, 0xFF0Cu, 0xFF5Fu, 0xFF64u}) {
    EXPECT_TRUE(isPunctuation(cp)) << std::hex << cp;
  }
  for (uint32_t cp : {0x20u, 0x30u, 0x41u, 0x7Fu, 0xA1u, 0xBFu, 0x2014u, 0x201Cu, 0x3004u,
                      0x3012u, 0x3031u, 0xFF04u, 0xFF0Bu, 0xFF5Eu, 0xFF65u, 0x1F600u}) {
    EXPECT_FALSE(isPunctuation(cp)) << std::hex << cp;
  }
  for (uint32_t cp : {0x4E00u, 0x9FFFu, 0x3400u, 0x4DBFu, 0xF900u, 0xFAFFu}) {
    EXPECT_TRUE(isChineseChar(cp)) << std::hex << cp;
  }
  for (uint32_t cp : {0x4DFFu, 0xA000u, 0x33FFu, 0xFB00u, 0x20000u, 0x3042u}) {
    EXPECT_FALSE(isChineseChar(cp)) << std::hex << cp;
  }
}

TEST(BasicTokenizer, SplitsAtSpacesPunctuationAndIdeographs) {
  EXPECT_EQ(basicSplit("", true), Words{});
  EXPECT_EQ(basicSplit("hello, world", true), (Words{"hello", ",", " ", "world"}));
  EXPECT_EQ(basicSplit("hello, world", false), (Words{"hello", ",", " ", "world"}));
  EXPECT_EQ(basicSplit("a  b", true), (Words{"a", " ", " ", "b"}));
  // Only U+0020 splits here; a tab stays inside the word.
  EXPECT_EQ(basicSplit("a\tb", true), Words{"a\tb"});
  const std::string two_ideographs = u8({0x4E2D, 0x6587});
  EXPECT_EQ(basicSplit(two_ideographs, true), (Words{u8({0x4E2D}), u8({0x6587})}));
  EXPECT_EQ(basicSplit(two_ideographs, false), Words{two_ideographs});
  // CJK marks split either way; U+2014 and U+00BF do not.
  EXPECT_EQ(basicSplit(u8({'a', 0x3002, 'b', 0xFF0C, 'c'}), false),
            (Words{"a", u8({0x3002}), "b", u8({0xFF0C}), "c"}));
  EXPECT_EQ(basicSplit(u8({'a', 0x2014, 'b', 0xBF}), true), Words{u8({'a', 0x2014, 'b', 0xBF})});
  // Above U+FFFF: ordinary word characters.
  EXPECT_EQ(basicSplit(u8({'x', 0x20000, 0x1F600}), true), Words{u8({'x', 0x20000, 0x1F600})});
}

TEST(BasicTokenizer, InvalidAndUnencodableInput) {
  // Decoding stops at the first invalid sequence: "b" is never seen.
  EXPECT_EQ(basicSplit("a,\xFF" "b", true), (Words{"a", ","}));
  EXPECT_EQ(basicSplit("ab\xE3\x81", true), Words{"ab"});
  // Values above U+10FFFF decode but cannot be written back, and a word ends at U+0000.
  EXPECT_EQ(basicSplit("a\xF4\x90\x80\x80" "b c", true), (Words{"ab", " ", "c"}));
  EXPECT_EQ(basicSplit(std::string("ab\0cd,e", 7), true), (Words{"ab", ",", "e"}));
}

TEST(BasicTokenizer, LowerCasingAndAccentStripping) {
  EXPECT_EQ(lowerCaseAscii("HeLLo"), "hello");
  // Only A to Z: U+00C4 and U+0130 stay.
  EXPECT_EQ(lowerCaseAscii(u8({0xC4, 0x130, 'Q'})), u8({0xC4, 0x130, 'q'}));
  EXPECT_EQ(stripAccents(u8({'c', 'a', 'f', 0xE9})), "cafe");
  EXPECT_EQ(stripAccents(u8({0xC9})), "E");
  EXPECT_EQ(stripAccents(u8({'e', 0x301})), "e");
  EXPECT_EQ(stripAccents(u8({0x301})), "");
  EXPECT_EQ(stripAccents(u8({0xAC01})), u8({0x1100, 0x1161, 0x11A8}));
  EXPECT_EQ(stripAccents(u8({0x1D15E})), u8({0x1D157, 0x1D165}));
  EXPECT_EQ(stripAccents(u8({0x304C})), u8({0x304B}));  // dakuten is a nonspacing mark
  EXPECT_EQ(stripAccents("plain"), "plain");
  // Lower-casing runs first, so a capital accented letter stays capital.
  std::string out;
  appendLowerCasedStripped(u8({0xC4, 'B', 0xE9, 0x1D15E}), out);
  EXPECT_EQ(out, u8({'A', 'b', 'e', 0x1D157, 0x1D165}));
  EXPECT_EQ(out, stripAccents(lowerCaseAscii(u8({0xC4, 'B', 0xE9, 0x1D15E}))));
}

TEST(BasicTokenizer, OnePassNormalisationEqualsTheTwoSteps) {
  // Every table row, upper- and lower-case ASCII and invalid tails.
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
