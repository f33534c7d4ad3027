#ifndef NUVRA_BPE_BYTE_SYMBOLS_H_
#define NUVRA_BPE_BYTE_SYMBOLS_H_

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace nuvra::bpe {

// Closes every word of the word-end type: "a" + "</w>" is the symbol of a
// word-final "a", distinct from an "a" inside a word.
inline constexpr std::string_view kWordEndMarker = "</w>";

// Every byte as one printable character, so that any byte string can be
// named by a vocabulary: 0x20 is "Ġ" (U+0120), 0x0A is "Ċ" (U+010A).
struct ByteEncoder {
  struct Symbol {
    char bytes[2];
    uint8_t size;
    std::string_view text() const { return {bytes, size}; }
  };
  std::array<Symbol, 256> symbols;
  // Code point of each byte's symbol.
  std::array<uint32_t, 256> codepoints;
};

// The inverse: code points U+0000 to U+0143 to their byte, -1 elsewhere.
struct ByteDecoder {
  static constexpr uint32_t kLimit = 0x144;
  std::array<int16_t, kLimit> bytes;
  int byteOf(uint32_t codepoint) const { return codepoint < kLimit ? bytes[codepoint] : -1; }
};

// The constant tables, built once and shared by every handle.
const ByteEncoder& byteEncoder();
const ByteDecoder& byteDecoder();

// Each byte replaced by its symbol.
std::string bytesToSymbols(std::string_view bytes, const ByteEncoder& encoder);

// Symbols back to bytes; decoding stops at the first malformed sequence,
// characters outside the table and the symbol of byte 0x00 give nothing.
std::string symbolsToBytes(std::string_view symbols, const ByteDecoder& decoder);

}  // namespace nuvra::bpe

#endif  // NUVRA_BPE_BYTE_SYMBOLS_H_
