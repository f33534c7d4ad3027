#ifndef NUVRA_WORDPIECE_ENCODER_H_
#define NUVRA_WORDPIECE_ENCODER_H_

#include <cstdint>
#include <string_view>

#include "base/codec_modes.h"
#include "base/token_record.h"
#include "wordpiece/vocabulary.h"

namespace nuvra::wordpiece {

// The two switches of the tokenizer configuration.
struct BasicOptions {
  bool do_lower_case = true;
  bool tokenize_chinese_chars = true;
};

// Word and character positions carried from one piece of the input to the next.
struct EncodeCounters {
  uint32_t word = 0;
  uint32_t character = 0;
};

// "[CLS]", the tokens of `text`, "[SEP]". With EncodeSpecials::kRecognise
// the texts of kWordpieceSpecialTokens in the input become those tokens.
// Every token but the framing two carries its word's index and code-point
// span.
TokenRecords wordpieceEncode(const VocabIndex& index, std::string_view text,
                             const BasicOptions& options, EncodeSpecials specials);

// Appends the records of one piece (no special tokens in it) and advances the
// counters over it: single spaces count as characters but not as words.
void wordpieceEncodeSegment(const VocabIndex& index, std::string_view piece,
                            const BasicOptions& options, EncodeCounters& counters,
                            TokenRecords& out);

}  // namespace nuvra::wordpiece

#endif  // NUVRA_WORDPIECE_ENCODER_H_
