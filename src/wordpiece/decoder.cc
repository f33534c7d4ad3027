#include "wordpiece/decoder.h"

#include <algorithm>

#include "base/utf8.h"
#include "wordpiece/vocabulary.h"

namespace nuvra::wordpiece {
namespace {

bool isAsciiMark(uint32_t cp) {
  return (cp >= 0x21 && cp <= 0x2F) || (cp >= 0x3A && cp <= 0x40) || (cp >= 0x5B && cp <= 0x60) ||
         (cp >= 0x7B && cp <= 0x7E);
}

}  // namespace

bool isAsciiPunctuationToken(std::string_view token) {
  if (token.empty() || !isAsciiMark(static_cast<unsigned char>(token[0]))) return false;
  // Only the first code point counts when the rest does not decode.
  uint32_t next = 0;
  return token.size() == 1 ||
         utf8DecodeChar(token.data() + 1, int32_t(std::min<size_t>(token.size() - 1, 4)), next) ==
             0;
}

std::string wordpieceDecode(const std::vector<std::string>& vocab, const int32_t* ids,
                            size_t count, DecodeSpecials specials) {
  const bool skip_special = specials == DecodeSpecials::kSkip;
  std::string out;
  // About six bytes per token; the cap keeps a huge run of skipped ids cheap.
  out.reserve(std::min<size_t>(count, size_t(1) << 20) * 6);
  for (size_t k = 0; k < count; ++k) {
    const int32_t id = ids[k];
    if (id < 0 || size_t(id) >= vocab.size()) continue;
    const std::string_view token = vocab[size_t(id)];
    if (skip_special && isSpecialText(token)) continue;
    const size_t mark = token.find("##");
    if (mark != std::string_view::npos) {
      out.append(token.substr(0, mark));
      out.append(token.substr(mark + 2));
      continue;
    }
    if (!out.empty() && !isAsciiPunctuationToken(token)) out.push_back(' ');
    out.append(token);
  }
  return out;
}

}  // namespace nuvra::wordpiece
