#ifndef NUVRA_WORDPIECE_DECODER_H_
#define NUVRA_WORDPIECE_DECODER_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/codec_modes.h"

namespace nuvra::wordpiece {

// True for a text of exactly one code point among the printable ASCII marks
// (0x21..0x2F, 0x3A..0x40, 0x5B..0x60, 0x7B..0x7E); U+3002 is not one.
bool isAsciiPunctuationToken(std::string_view token);

// Text of `count` ids of `vocab`: "##" pieces join the previous token, ASCII
// marks attach to the left, everything else follows one space:
// hello , world -> "hello, world"; un ##able -> "unable"; hello ( world ->
// "hello( world". Ids outside the vocabulary are skipped, and so are the
// special texts with DecodeSpecials::kSkip. Shared by every WordPiece type.
std::string wordpieceDecode(const std::vector<std::string>& vocab, const int32_t* ids,
                            size_t count, DecodeSpecials specials);

}  // namespace nuvra::wordpiece

#endif  // NUVRA_WORDPIECE_DECODER_H_
