// What the PCRE2 comparison (pre_tokenizer_differential_test.cc) cannot
// reach: invalid UTF-8, the empty patterns and megabyte inputs.
#include "bpe/pre_tokenizer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace nuvra::bpe {
namespace {

std::vector<std::string> words(std::string_view text, WordPattern pattern) {
  std::vector<std::string> out;
  WordScanner scanner(text, pattern);
  for (std::string_view word; scanner.next(word);) out.emplace_back(word);
  return out;
}

size_t pieceCount(std::string_view text, TagPattern pattern) {
  std::vector<TagSplitPiece> split{{1, 2, true}};  // cleared first
  splitAtTags(text, pattern, split);
  return split.size();
}

TEST(PreTokenizerTest, InvalidUtf8CountsByteByByteAsOther) {
  using Words = std::vector<std::string>;
  EXPECT_EQ(words("ab\xFF" "cd", WordPattern::kAsciiDigit), (Words{"ab", "\xFF", "cd"}));
  EXPECT_EQ(words(" \xC3", WordPattern::kAsciiDigit), (Words{" \xC3"}));
  EXPECT_EQ(words("\xED\xA0\x80x", WordPattern::kWordEnd), (Words{"\xED\xA0\x80", "x"}));
  EXPECT_EQ(cleanWhitespace("a \xFF b"), "a \xFF b");
  EXPECT_EQ(words("x", WordPattern::kNone), Words{});
  EXPECT_EQ(pieceCount("", TagPattern::kAngleTag), 0u);
  EXPECT_FALSE(matchesTagPattern("<s>", TagPattern::kNone));
}

// Huge inputs stay linear: one long word, one long run, many unclosed tags.
TEST(PreTokenizerTest, MegabyteInputs) {
  const std::string spaces = std::string(1 << 20, ' ') + "x";
  const std::vector<std::string> split = words(spaces, WordPattern::kUnicodeDigit);
  ASSERT_EQ(split.size(), 2u);
  EXPECT_EQ(split[1], " x");
  EXPECT_EQ(cleanWhitespace(spaces), "x");
  EXPECT_EQ(words(std::string(1 << 20, 'x'), WordPattern::kWordEnd).size(), 1u);
  std::string tags;
  for (int i = 0; i < (1 << 18); ++i) tags += "<|a>";
  EXPECT_EQ(pieceCount(tags, TagPattern::kPipeTag), 1u);
  EXPECT_EQ(pieceCount(std::string(1 << 20, '<'), TagPattern::kAngleTag), 1u);
  EXPECT_EQ(pieceCount(std::string(1 << 20, '<') + ">", TagPattern::kAngleTag), 1u);
}

}  // namespace
}  // namespace nuvra::bpe
