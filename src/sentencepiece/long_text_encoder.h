#ifndef NUVRA_SENTENCEPIECE_LONG_TEXT_ENCODER_H_
#define NUVRA_SENTENCEPIECE_LONG_TEXT_ENCODER_H_

#include <sentencepiece_processor.h>

#include <cstddef>
#include <string_view>
#include <vector>

#include "sentencepiece/model_settings.h"

namespace nuvra::spm {

// Texts up to this size go to the library whole. The library holds about
// 100 to 180 bytes per input byte, and a BPE model's time per byte grows
// with the text: 2 MB of prose in 8 KB pieces takes a tenth of one call's
// time, in 64 KB pieces a seventh.
constexpr size_t kLongTextBytes = size_t(8) << 10;

// The first space at or after `from` where `rule` allows a cut, or npos.
size_t nextCut(std::string_view text, size_t from, const CutRule& rule);

// Replaces `ids` with the library's ids of `text`, the same as one call. A
// text longer than `piece_bytes` goes to the library in pieces of about that
// size, each cut space left to the next piece's dummy prefix; an unbroken
// run stays whole.
void encodeText(const sentencepiece::SentencePieceProcessor& model, const CutRule& rule,
                std::string_view text, std::vector<int>& ids,
                size_t piece_bytes = kLongTextBytes);

}  // namespace nuvra::spm

#endif  // NUVRA_SENTENCEPIECE_LONG_TEXT_ENCODER_H_
