#include "interface/utf8.h"

#include <limits>

namespace nuvra {
namespace {

// Texts are measured as signed 32-bit lengths; anything longer is read only
// up to that limit, as the routines' callers define.
int32_t signedLength(std::string_view text) {
  return text.size() > size_t(std::numeric_limits<int32_t>::max())
             ? std::numeric_limits<int32_t>::max()
             : int32_t(text.size());
}

}  // namespace

std::vector<uint32_t> utf8ToCodepoints(std::string_view text) {
  std::vector<uint32_t> out;
  out.reserve(text.size());
  const int32_t length = signedLength(text);
  int32_t i = 0;
  while (i < length) {
    uint32_t cp = 0;
    const int n = utf8DecodeChar(text.data() + i, length - i, cp);
    if (n == 0) break;
    out.push_back(cp);
    i += n;
  }
  return out;
}

size_t utf8CountCodepoints(std::string_view text) {
  const int32_t length = signedLength(text);
  size_t count = 0;
  int32_t i = 0;
  while (i < length) {
    const auto lead = static_cast<unsigned char>(text[size_t(i)]);
    if (lead < 0x80) {  // ASCII needs no validation
      ++i;
      ++count;
      continue;
    }
    uint32_t cp = 0;
    const int n = utf8DecodeChar(text.data() + i, length - i, cp);
    if (n == 0) break;
    ++count;
    i += n;
  }
  return count;
}

std::string codepointsToUtf8(const std::vector<uint32_t>& codepoints) {
  std::string out;
  out.reserve(codepoints.size());
  for (uint32_t cp : codepoints) {
    if (cp == 0) break;
    appendUtf8(cp, out);
  }
  return out;
}

std::string utf8RoundTrip(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  const int32_t length = signedLength(text);
  int32_t i = 0;
  while (i < length) {
    uint32_t cp = 0;
    const int n = utf8DecodeChar(text.data() + i, length - i, cp);
    if (n == 0 || cp == 0) break;
    if (cp <= 0x10FFFF) out.append(text.data() + i, size_t(n));
    i += n;
  }
  return out;
}

}  // namespace nuvra
