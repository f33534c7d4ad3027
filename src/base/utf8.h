#ifndef NUVRA_BASE_UTF8_H_
#define NUVRA_BASE_UTF8_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nuvra {

// The library's one set of UTF-8 routines. Decoding is lenient: surrogates
// (ED A0 80 .. ED BF BF) and four-byte values up to U+1FFFFF are accepted;
// overlong forms and stray continuation bytes are not.

// Length announced by a lead byte, or 0 when the byte cannot start a sequence.
inline int utf8CharLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead < 0xC2) return 0;
  if (lead < 0xE0) return 2;
  if (lead < 0xF0) return 3;
  if (lead < 0xF8) return 4;
  return 0;
}

// Decodes one sequence at `bytes`, reading at most `available` bytes. Returns
// the bytes consumed (1 to 4), or 0 with `codepoint` untouched.
inline int utf8DecodeChar(const char* bytes, int32_t available, uint32_t& codepoint) {
  if (available <= 0) return 0;
  const auto* b = reinterpret_cast<const unsigned char*>(bytes);
  const int n = utf8CharLength(b[0]);
  if (n == 0 || available < n) return 0;
  for (int k = 1; k < n; ++k) {
    if ((b[k] & 0xC0) != 0x80) return 0;
  }
  uint32_t cp;
  switch (n) {
    case 1:
      cp = b[0];
      break;
    case 2:
      cp = (uint32_t(b[0] & 0x1F) << 6) | (b[1] & 0x3F);
      break;
    case 3:
      if ((b[0] & 0x0F) == 0 && (b[1] & 0x20) == 0) return 0;  // overlong E0 80..9F
      cp = (uint32_t(b[0] & 0x0F) << 12) | (uint32_t(b[1] & 0x3F) << 6) | (b[2] & 0x3F);
      break;
    default:
      if ((b[0] & 0x07) == 0 && (b[1] & 0x30) == 0) return 0;  // overlong F0 80..8F
      cp = (uint32_t(b[0] & 0x07) << 18) | (uint32_t(b[1] & 0x3F) << 12) |
           (uint32_t(b[2] & 0x3F) << 6) | (b[3] & 0x3F);
      break;
  }
  codepoint = cp;
  return n;
}

// Writes 1 to 4 bytes (no terminator; `out` needs room for 4) and returns
// their number, or 0 for a code point above U+10FFFF.
inline int utf8EncodeChar(uint32_t cp, char* out) {
  if (cp > 0x10FFFF) return 0;
  if (cp < 0x80) {
    out[0] = char(cp);
    return 1;
  }
  if (cp < 0x800) {
    out[0] = char(0xC0 | (cp >> 6));
    out[1] = char(0x80 | (cp & 0x3F));
    return 2;
  }
  if (cp < 0x10000) {
    out[0] = char(0xE0 | (cp >> 12));
    out[1] = char(0x80 | ((cp >> 6) & 0x3F));
    out[2] = char(0x80 | (cp & 0x3F));
    return 3;
  }
  out[0] = char(0xF0 | (cp >> 18));
  out[1] = char(0x80 | ((cp >> 12) & 0x3F));
  out[2] = char(0x80 | ((cp >> 6) & 0x3F));
  out[3] = char(0x80 | (cp & 0x3F));
  return 4;
}

// Appends the encoding of `cp` (nothing above U+10FFFF).
inline void appendUtf8(uint32_t cp, std::string& out) {
  char buf[4];
  out.append(buf, size_t(utf8EncodeChar(cp, buf)));
}

// Code points of `text` up to its first invalid or incomplete sequence.
std::vector<uint32_t> utf8ToCodepoints(std::string_view text);

// Number of code points utf8ToCodepoints would return, without building them.
size_t utf8CountCodepoints(std::string_view text);

// UTF-8 of `codepoints`, skipping values above U+10FFFF and ending at the first U+0000.
std::string codepointsToUtf8(const std::vector<uint32_t>& codepoints);

// codepointsToUtf8(utf8ToCodepoints(text)) without the intermediate list:
// the text up to its first invalid sequence or U+0000, less values above U+10FFFF.
std::string utf8RoundTrip(std::string_view text);

}  // namespace nuvra

#endif  // NUVRA_BASE_UTF8_H_
