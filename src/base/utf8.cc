#include "base/utf8.h"

#include <limits>

namespace nuvra {
namespace {

// Lengths are signed 32-bit numbers here; a longer text is read up to that limit.
int32_t signedLength(std::string_view text) {
  return text.size() > size_t(std::numeric_limits<int32_t>::max())
             ? std::numeric_limits<int32_t>::max()
             : int32_t(text.size());
}

// Calls visit(codepoint, bytes) for each character up to the first invalid
// sequence, or until visit returns false.
template <typename Visit>
void forEachCodepoint(std::string_view text, Visit&& visit) {
  const int32_t length = signedLength(text);
  int32_t i = 0;
  while (i < length) {
    uint32_t cp = 0;
    const int n = utf8DecodeChar(text.data() + i, length - i, cp);
    if (n == 0 || !visit(cp, text.substr(size_t(i), size_t(n)))) break;
    i += n;
  }
}

}  // namespace

std::vector<uint32_t> utf8ToCodepoints(std::string_view text) {
  std::vector<uint32_t> out;
  out.reserve(text.size());
  forEachCodepoint(text, [&](uint32_t cp, std::string_view) {
    out.push_back(cp);
    return true;
  });
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
  forEachCodepoint(text, [&](uint32_t cp, std::string_view bytes) {
    if (cp == 0) return false;
    if (cp <= 0x10FFFF) out.append(bytes);
    return true;
  });
  return out;
}

}  // namespace nuvra
