#ifndef NUVRA_BASE_CODEC_MODES_H_
#define NUVRA_BASE_CODEC_MODES_H_

#include <cstdint>

namespace nuvra {

// Whether encode turns special-token texts in the input ("<|endoftext|>",
// "[SEP]", "</s>") into their single tokens or reads them as ordinary text.
enum class EncodeSpecials : uint8_t { kAsText, kRecognise };

// Whether decode writes special tokens into the text or leaves them out.
enum class DecodeSpecials : uint8_t { kSkip, kWrite };

}  // namespace nuvra

#endif  // NUVRA_BASE_CODEC_MODES_H_
