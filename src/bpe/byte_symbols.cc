#include "bpe/byte_symbols.h"

#include "base/utf8.h"

namespace nuvra::bpe {
namespace {

bool keepsOwnValue(int b) {
  return (b >= 33 && b <= 126) || (b >= 161 && b <= 172) || (b >= 174 && b <= 255);
}

ByteEncoder buildByteEncoder() {
  ByteEncoder encoder{};
  uint32_t moved = 0;
  for (int b = 0; b < 256; ++b) {
    // Bytes without a printable form of their own take U+0100 upwards, in order.
    const uint32_t cp = keepsOwnValue(b) ? uint32_t(b) : 256 + moved++;
    ByteEncoder::Symbol& symbol = encoder.symbols[size_t(b)];
    symbol.size = uint8_t(utf8EncodeChar(cp, symbol.bytes));
    encoder.codepoints[size_t(b)] = cp;
  }
  return encoder;
}

ByteDecoder buildByteDecoder(const ByteEncoder& encoder) {
  ByteDecoder decoder{};
  decoder.bytes.fill(-1);
  for (int b = 0; b < 256; ++b) decoder.bytes[encoder.codepoints[size_t(b)]] = int16_t(b);
  return decoder;
}

}  // namespace

const ByteEncoder& byteEncoder() {
  static const ByteEncoder encoder = buildByteEncoder();
  return encoder;
}

const ByteDecoder& byteDecoder() {
  static const ByteDecoder decoder = buildByteDecoder(byteEncoder());
  return decoder;
}

std::string bytesToSymbols(std::string_view bytes, const ByteEncoder& encoder) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char b : bytes) out.append(encoder.symbols[b].text());
  return out;
}

std::string symbolsToBytes(std::string_view symbols, const ByteDecoder& decoder) {
  std::string out;
  out.reserve(symbols.size());
  const auto length = int32_t(symbols.size());
  int32_t i = 0;
  while (i < length) {
    uint32_t cp = 0;
    const int n = utf8DecodeChar(symbols.data() + i, length - i, cp);
    if (n == 0) break;
    const int b = decoder.byteOf(cp);
    if (b > 0) out.push_back(char(b));
    i += n;
  }
  return out;
}

}  // namespace nuvra::bpe
