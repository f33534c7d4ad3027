#include "bpe/byte_symbols.h"

#include <gtest/gtest.h>

#include <string>

namespace nuvra::bpe {
namespace {

TEST(ByteSymbolsTest, EncoderMovesUnprintableBytesAboveU0100) {
  const ByteEncoder& encoder = byteEncoder();
  struct Case {
    uint8_t byte;
    uint32_t codepoint;
    const char* symbol;
  };
  // Space, line feed, tab, NUL, DEL, NBSP, soft hyphen move; printable bytes stay.
  for (const Case& c :
       {Case{0x20, 0x120, "\xC4\xA0"}, Case{0x0A, 0x10A, "\xC4\x8A"}, Case{0x09, 0x109, "\xC4\x89"},
        Case{0x00, 0x100, "\xC4\x80"}, Case{0x7F, 0x121, "\xC4\xA1"}, Case{0xA0, 0x142, "\xC5\x82"},
        Case{0xAD, 0x143, "\xC5\x83"}, Case{0x41, 0x41, "A"}, Case{0xFF, 0xFF, "\xC3\xBF"}}) {
    EXPECT_EQ(encoder.codepoints[c.byte], c.codepoint) << int(c.byte);
    EXPECT_EQ(encoder.symbols[c.byte].text(), c.symbol) << int(c.byte);
  }
  uint32_t largest = 0;
  for (uint32_t cp : encoder.codepoints) largest = std::max(largest, cp);
  EXPECT_EQ(largest, 0x143u);
}

TEST(ByteSymbolsTest, SymbolsOfBytes) {
  EXPECT_EQ(bytesToSymbols(" ", byteEncoder()), "\xC4\xA0");
  EXPECT_EQ(bytesToSymbols("A", byteEncoder()), "A");
  // U+00E9 as two bytes becomes two symbols, U+00C3 U+00A9.
  EXPECT_EQ(bytesToSymbols("\xC3\xA9", byteEncoder()), "\xC3\x83\xC2\xA9");
  EXPECT_EQ(bytesToSymbols(std::string("a\0b", 3), byteEncoder()), "a\u0100b");
  EXPECT_EQ(bytesToSymbols("", byteEncoder()), "");
}

TEST(ByteSymbolsTest, EveryByteButNulComesBack) {
  for (int b = 0; b < 256; ++b) {
    const std::string byte(1, char(b));
    const std::string back = symbolsToBytes(bytesToSymbols(byte, byteEncoder()), byteDecoder());
    EXPECT_EQ(back, b == 0 ? "" : byte) << b;
  }
}

TEST(ByteSymbolsTest, DecodingSkipsForeignSymbolsAndStopsAtBadUtf8) {
  const ByteDecoder& decoder = byteDecoder();
  EXPECT_EQ(symbolsToBytes("\xE2\x82\xAC", decoder), "");  // U+20AC has no byte
  EXPECT_EQ(symbolsToBytes("a\u20ACb", decoder), "ab");
  EXPECT_EQ(symbolsToBytes("ab\xFF\x63", decoder), "ab");  // stops at FF, drops the c behind it
  EXPECT_EQ(symbolsToBytes("ab\xC4", decoder), "ab");      // truncated sequence
  EXPECT_EQ(symbolsToBytes("</w>", decoder), "</w>");
  EXPECT_EQ(symbolsToBytes("\xC4\xA0hi\xC4\x8A", decoder), " hi\n");
}

}  // namespace
}  // namespace nuvra::bpe
