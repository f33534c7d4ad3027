#ifndef NUVRA_BPE_BPE_DECODER_H_
#define NUVRA_BPE_BPE_DECODER_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/codec_modes.h"
#include "bpe/byte_symbols.h"
#include "bpe/vocab_index.h"

namespace nuvra::bpe {

// How decode finishes its text.
struct DecodeOptions {
  // Word-end BPE: "</w>" becomes a space and punctuation is tidied.
  bool word_end = false;
  // The text is cut at its first invalid UTF-8 sequence (or U+0000).
  bool utf8_safe = false;
};

// The text of `count` ids (a count above INT32_MAX decodes nothing): the
// bytes of symbolsToBytes over the joined entries of `index` (an id without
// an entry adds nothing). With DecodeSpecials::kSkip, ids outside the
// vocabulary and special tokens are left out; with kWrite an id outside the
// vocabulary gives nullopt. One trailing space is dropped.
std::optional<std::string> bpeDecode(const int32_t* ids, uint32_t count,
                                     const DecodeOptions& options, const VocabIndex& index,
                                     const ByteDecoder& byte_decoder, DecodeSpecials specials);

// The word-end decoder's punctuation clean-up: " ." -> ".", " n't" -> "n't",
// ... each rule over the whole text in turn. There is no rule for " 'll",
// " 'd" or " 't".
std::string cleanUpTokenization(std::string_view text);

}  // namespace nuvra::bpe

#endif  // NUVRA_BPE_BPE_DECODER_H_
