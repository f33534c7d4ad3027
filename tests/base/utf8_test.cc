#include "base/utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "nuvra_tokenizer.h"

namespace nuvra {
namespace {

struct Decoded {
  int32_t status;
  uint32_t codepoint;
  uint32_t consumed;
};

Decoded decode(const std::string& bytes, uint32_t available) {
  Decoded d{0, 0xDEADBEEF, 99};
  d.status = nuvraTokenizerUtf8ToUtf32(&d.codepoint, &d.consumed, bytes.data(), available);
  return d;
}

TEST(Utf8ToUtf32, DecodesOneCharacterAndReportsItsLength) {
  Decoded d = decode("A", 1);
  EXPECT_EQ(d.status, 0);
  EXPECT_EQ(d.codepoint, 0x41u);
  EXPECT_EQ(d.consumed, 1u);

  d = decode("\xC3\xA9", 2);
  EXPECT_EQ(d.codepoint, 0xE9u);
  EXPECT_EQ(d.consumed, 2u);

  // Only the first character of a longer text is read.
  d = decode("\xE2\x82\xAC" "abc", 6);
  EXPECT_EQ(d.codepoint, 0x20ACu);
  EXPECT_EQ(d.consumed, 3u);
}

TEST(Utf8ToUtf32, RejectsWithoutTouchingTheCodePoint) {
  const std::vector<std::pair<std::string, uint32_t>> rejected = {
      {"\xC3\xA9", 1},                 // truncated by the count
      {"\xC0\x80", 2},                 // overlong lead bytes
      {"\xC1\xBF", 2},
      {"\xE0\x80\x80", 3},             // overlong three-byte form
      {"\xF0\x80\x80\x80", 4},         // overlong four-byte form
      {"\x80", 1},                     // continuation byte as lead
      {"\xF8\x88\x80\x80\x80", 5},     // five- and six-byte leads
      {"\xFF", 1},
      {"\xC3\x41", 2},                 // bad continuation
      {"a", 0},                        // nothing available
      {"a", 0x80000000u},              // 2^31 reads as negative
      {"a", 0xFFFFFFFFu},
  };
  for (const auto& [bytes, available] : rejected) {
    const Decoded d = decode(bytes, available);
    EXPECT_EQ(d.status, 0) << testing::PrintToString(bytes);
    EXPECT_EQ(d.consumed, 0u) << testing::PrintToString(bytes);
    EXPECT_EQ(d.codepoint, 0xDEADBEEFu) << testing::PrintToString(bytes);
  }
}

TEST(Utf8ToUtf32, AcceptsSurrogatesAndValuesAboveUnicode) {
  Decoded d = decode("\xED\xA0\x80", 3);
  EXPECT_EQ(d.codepoint, 0xD800u);
  EXPECT_EQ(d.consumed, 3u);
  d = decode("\xF4\x90\x80\x80", 4);
  EXPECT_EQ(d.codepoint, 0x110000u);
  EXPECT_EQ(d.consumed, 4u);
  d = decode("\xF7\xBF\xBF\xBF", 4);
  EXPECT_EQ(d.codepoint, 0x1FFFFFu);
}

TEST(Utf32ToUtf8, EncodesUpToU10FFFF) {
  char buffer[4] = {'x', 'x', 'x', 'x'};
  uint32_t written = 99;
  ASSERT_EQ(nuvraTokenizerUtf32ToUtf8(buffer, &written, 0x20AC), 0);
  EXPECT_EQ(written, 3u);
  EXPECT_EQ(std::string(buffer, 3), "\xE2\x82\xAC");
  EXPECT_EQ(buffer[3], 'x');  // no terminator

  ASSERT_EQ(nuvraTokenizerUtf32ToUtf8(buffer, &written, 0xD800), 0);
  EXPECT_EQ(std::string(buffer, written), "\xED\xA0\x80");
  ASSERT_EQ(nuvraTokenizerUtf32ToUtf8(buffer, &written, 0x10FFFF), 0);
  EXPECT_EQ(std::string(buffer, written), "\xF4\x8F\xBF\xBF");

  std::fill(buffer, buffer + 4, 'x');
  ASSERT_EQ(nuvraTokenizerUtf32ToUtf8(buffer, &written, 0x110000), 0);
  EXPECT_EQ(written, 0u);
  EXPECT_EQ(std::string(buffer, 4), "xxxx");
}

TEST(Utf8Exports, NullPointersAreInvalidArguments) {
  uint32_t cp = 0;
  uint32_t count = 0;
  char buffer[4];
  EXPECT_EQ(nuvraTokenizerUtf8ToUtf32(nullptr, &count, "a", 1), -1);
  EXPECT_EQ(nuvraTokenizerUtf8ToUtf32(&cp, nullptr, "a", 1), -1);
  EXPECT_EQ(nuvraTokenizerUtf8ToUtf32(&cp, &count, nullptr, 1), -1);
  EXPECT_EQ(nuvraTokenizerUtf32ToUtf8(nullptr, &count, 0x41), -1);
  EXPECT_EQ(nuvraTokenizerUtf32ToUtf8(buffer, nullptr, 0x41), -1);
}

TEST(Utf8Routines, EveryCodePointRoundTrips) {
  for (uint32_t cp = 0; cp <= 0x10FFFF; ++cp) {
    char buffer[4];
    const int n = utf8EncodeChar(cp, buffer);
    uint32_t back = 0;
    ASSERT_EQ(utf8DecodeChar(buffer, n, back), n) << cp;
    ASSERT_EQ(back, cp);
  }
}

TEST(Utf8Routines, ConversionStopsAtTheFirstInvalidSequence) {
  EXPECT_EQ(utf8ToCodepoints("ab\xFF" "c"), (std::vector<uint32_t>{'a', 'b'}));
  EXPECT_EQ(utf8ToCodepoints("a\xE2\x82"), (std::vector<uint32_t>{'a'}));  // truncated tail
  EXPECT_EQ(utf8CountCodepoints("ab\xFF" "c"), 2u);
  EXPECT_EQ(utf8CountCodepoints("\xC3\xA9t\xC3\xA9"), 3u);
  EXPECT_EQ(utf8ToCodepoints(""), std::vector<uint32_t>{});
}

TEST(Utf8Routines, EncodingSkipsOutOfRangeValuesAndEndsAtNul) {
  EXPECT_EQ(codepointsToUtf8({'a', 0, 'b'}), "a");
  EXPECT_EQ(codepointsToUtf8({'a', 0x110000, 'b'}), "ab");
  EXPECT_EQ(codepointsToUtf8({0xE9, 0x1F600}), "\xC3\xA9\xF0\x9F\x98\x80");
}

TEST(Utf8Routines, RoundTripEqualsConversionThereAndBack) {
  const std::vector<std::string> texts = {
      "plain", "caf\xC3\xA9", "cut\xC3", "stop\xFFhere", "nul\0after",
      "big\xF4\x90\x80\x80tail", "\xED\xA0\x80surrogate", "",
  };
  for (const std::string& t : texts) {
    EXPECT_EQ(utf8RoundTrip(t), codepointsToUtf8(utf8ToCodepoints(t))) << testing::PrintToString(t);
  }
  const std::string with_nul("a\0b", 3);
  EXPECT_EQ(utf8RoundTrip(with_nul), "a");
}

}  // namespace
}  // namespace nuvra
