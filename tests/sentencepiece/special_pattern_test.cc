#include "interface/type_table.h"
#include "sentencepiece/special_pattern.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace nuvra::spm {
namespace {

ModelIds idsWith(int32_t bos, int32_t eos, int32_t unk, int32_t pad = -1) {
  ModelIds ids;
  ids.piece_count = 100;
  ids.bos = bos;
  ids.eos = eos;
  ids.unk = unk;
  ids.pad = pad;
  return ids;
}

IdLayout layoutOf(uint32_t type) { return findType(type)->spm.layout; }

// Pieces written as "text" for gaps and "[text]" for matches.
std::vector<std::string> split(const std::string& text, const SpecialPattern& pattern) {
  std::vector<std::string> out;
  for (const SpecialTextPiece& piece : splitAtSpecialTexts(text, pattern)) {
    const std::string bytes(piece.text);
    if (piece.special) {
      EXPECT_EQ(specialTextBytes(*piece.special), piece.text);
      out.push_back("[" + bytes + "]");
    } else {
      out.push_back(bytes);
    }
  }
  return out;
}

using Pieces = std::vector<std::string>;

TEST(SpecialPattern, HoldsTheTextsTheModelHasInTheirFixedOrder) {
  EXPECT_EQ(buildSpecialPattern(layoutOf(6), idsWith(1, 2, 0)).text(), "<s>|</s>|<pad>|<unk>");
  EXPECT_EQ(buildSpecialPattern(layoutOf(2), idsWith(1, 2, 0)).text(), "<s>|</s>|<pad>|<unk>|<mask>");
  // Whatever ids the model gives its pieces, only their presence counts.
  EXPECT_EQ(buildSpecialPattern(layoutOf(3), idsWith(-1, 1, 2, 0)).text(), "</s>|<pad>|<unk>");
  EXPECT_EQ(buildSpecialPattern(layoutOf(10), idsWith(-1, -1, 0)).text(), "<pad>|<unk>");
  EXPECT_EQ(buildSpecialPattern(layoutOf(2), idsWith(-1, -1, -1)).text(), "<pad>|<mask>");
  EXPECT_EQ(buildSpecialPattern(layoutOf(2), idsWith(0, 2, 3, 1)).ids().pad, 1);
}

TEST(SpecialPattern, CutsAtEveryMatchAndNeverEmitsAnEmptyGap) {
  const SpecialPattern all = buildSpecialPattern(layoutOf(2), idsWith(1, 2, 0));
  EXPECT_EQ(split("", all), Pieces{});
  EXPECT_EQ(split("plain text", all), Pieces{"plain text"});
  EXPECT_EQ(split("<s><s>", all), (Pieces{"[<s>]", "[<s>]"}));
  EXPECT_EQ(split("<s>Hi</s>", all), (Pieces{"[<s>]", "Hi", "[</s>]"}));
  // Searched anywhere, also inside a word, and around stray "<" and ">".
  EXPECT_EQ(split("ab<mask>cd", all), (Pieces{"ab", "[<mask>]", "cd"}));
  EXPECT_EQ(split("<<pad>>", all), (Pieces{"<", "[<pad>]", ">"}));
  EXPECT_EQ(split("a <unk <unk>", all), (Pieces{"a <unk ", "[<unk>]"}));
  // A text cut short at the end, or in other case, is no match.
  EXPECT_EQ(split("x</s", all), Pieces{"x</s"});
  EXPECT_EQ(split("<S><PAD>", all), Pieces{"<S><PAD>"});
  // Multi-byte text around a match stays whole.
  EXPECT_EQ(split("\xE6\x97\xA5<pad>\xE2\x96\x81", all),
            (Pieces{"\xE6\x97\xA5", "[<pad>]", "\xE2\x96\x81"}));
}

TEST(SpecialPattern, LeavesOutTextsTheModelLacks) {
  const SpecialPattern no_bos = buildSpecialPattern(layoutOf(6), idsWith(-1, 1, 2, 0));
  EXPECT_EQ(split("<s></s><mask>", no_bos), (Pieces{"<s>", "[</s>]", "<mask>"}));
}

TEST(SpecialPattern, FindsTheLeftmostMatchFromAPosition) {
  const SpecialPattern pattern = buildSpecialPattern(layoutOf(6), idsWith(1, 2, 0));
  const std::string text = "a</s>b<s>";
  auto match = pattern.find(text, 0);
  ASSERT_TRUE(match.has_value());
  EXPECT_EQ(match->start, 1u);
  EXPECT_EQ(match->end, 5u);
  EXPECT_EQ(match->text, SpecialText::kEos);
  match = pattern.find(text, 2);
  ASSERT_TRUE(match.has_value());
  EXPECT_EQ(match->start, 6u);
  EXPECT_EQ(match->text, SpecialText::kBos);
  EXPECT_FALSE(pattern.find(text, 7).has_value());
  EXPECT_FALSE(pattern.find(text, 100).has_value());
}

}  // namespace
}  // namespace nuvra::spm
