#ifndef NUVRA_BPE_BPE_DECODER_H_
#define NUVRA_BPE_BPE_DECODER_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "bpe/byte_symbols.h"
#include "bpe/vocab_index.h"

namespace nuvra::bpe {

// Create flag bit that makes decode cut its text at the first invalid UTF-8.
constexpr uint32_t kUtf8SafeFlag = 1;

// The text of `count` ids (a count above INT32_MAX decodes nothing): the
// bytes of symbolsToBytes over the joined entries of `vocab`, which `index`
// was built from. With `skip_special`, ids outside `vocab` and special tokens
// are left out;
// without it an id outside `vocab` throws std::out_of_range("token range
// overflow"). Type 1 turns "</w>" into spaces and tidies punctuation; one
// trailing space is dropped for every type.
std::string bpeDecode(const int32_t* ids, uint32_t count, uint32_t type, uint32_t flags,
                      const VocabIndex& index, const std::vector<std::string>& vocab,
                      const ByteDecoder& byte_decoder, bool skip_special);

// The word-end decoder's punctuation clean-up: " ." -> ".", " n't" -> "n't",
// ... each rule over the whole text in turn. There is no rule for " 'll",
// " 'd" or " 't".
std::string cleanUpTokenization(std::string_view text);

}  // namespace nuvra::bpe

#endif  // NUVRA_BPE_BPE_DECODER_H_
