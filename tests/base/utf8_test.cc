#include "base/utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "nuvra_tokenizer.h"

namespace nuvra {
namespace {

TEST(Utf8ToUtf32, DecodesTheFirstCharacterOrRejectsWithoutWriting) {
  const struct {
    std::string bytes;
    uint32_t available, codepoint, consumed;
  } cases[] = {
      {"A", 1, 0x41, 1},
      {"\xE2\x82\xAC" "abc", 6, 0x20AC, 3},
      // Surrogates and values above Unicode decode.
      {"\xED\xA0\x80", 3, 0xD800, 3},
      {"\xF7\xBF\xBF\xBF", 4, 0x1FFFFF, 4},
      // Rejected: cut by the count, overlong, continuation or five-byte
      // leads, bad continuation, nothing available, a count of 2^31 or more.
      {"\xC3\xA9", 1, 0xDEADBEEF, 0},
      {"\xC0\x80", 2, 0xDEADBEEF, 0},
      {"\xE0\x80\x80", 3, 0xDEADBEEF, 0},
      {"\xF0\x80\x80\x80", 4, 0xDEADBEEF, 0},
      {"\x80", 1, 0xDEADBEEF, 0},
      {"\xF8\x88\x80\x80\x80", 5, 0xDEADBEEF, 0},
      {"\xC3\x41", 2, 0xDEADBEEF, 0},
      {"a", 0, 0xDEADBEEF, 0},
      {"a", 0x80000000u, 0xDEADBEEF, 0},
  };
  for (const auto& c : cases) {
    uint32_t codepoint = 0xDEADBEEF, consumed = 99;
    EXPECT_EQ(nuvraTokenizerUtf8ToUtf32(&codepoint, &consumed, c.bytes.data(), c.available), 0);
    EXPECT_EQ(codepoint, c.codepoint) << ::testing::PrintToString(c.bytes);
    EXPECT_EQ(consumed, c.consumed) << ::testing::PrintToString(c.bytes);
  }
}

TEST(Utf32ToUtf8, EncodesUpToU10FFFFWithoutATerminator) {
  const std::pair<uint32_t, std::string> cases[] = {
      {0x20AC, "\xE2\x82\xAC"}, {0xD800, "\xED\xA0\x80"}, {0x10FFFF, "\xF4\x8F\xBF\xBF"}, {0x110000, ""}};
  for (const auto& [codepoint, bytes] : cases) {
    char buffer[4] = {'x', 'x', 'x', 'x'};
    uint32_t written = 99;
    ASSERT_EQ(nuvraTokenizerUtf32ToUtf8(buffer, &written, codepoint), 0);
    EXPECT_EQ(std::string(buffer, written), bytes);
    EXPECT_EQ(std::string(buffer + written, 4 - written), std::string(4 - written, 'x'));
  }
}

// The UTF-8 cut: decoding stops at the first invalid sequence, encoding
// skips values above U+10FFFF and ends at U+0000.
TEST(Utf8Routines, ConversionsStopAtTheFirstInvalidSequenceOrNul) {
  EXPECT_EQ(utf8ToCodepoints("ab\xFF" "c"), (std::vector<uint32_t>{'a', 'b'}));
  EXPECT_EQ(utf8CountCodepoints("\xC3\xA9t\xC3\xA9\xE2\x82"), 3u);
  EXPECT_EQ(codepointsToUtf8({'a', 0x110000, 'b', 0, 'c'}), "ab");
  const std::pair<std::string, std::string> cases[] = {
      {"caf\xC3\xA9", "caf\xC3\xA9"}, {"cut\xC3", "cut"}, {"stop\xFFhere", "stop"},
      {std::string("nul\0after", 9), "nul"}, {"big\xF4\x90\x80\x80tail", "bigtail"},
      {"\xED\xA0\x80surrogate", "\xED\xA0\x80surrogate"}, {"", ""}};
  for (const auto& [text, cut] : cases) {
    EXPECT_EQ(utf8RoundTrip(text), cut) << ::testing::PrintToString(text);
    EXPECT_EQ(codepointsToUtf8(utf8ToCodepoints(text)), cut) << ::testing::PrintToString(text);
  }
}

}  // namespace
}  // namespace nuvra
