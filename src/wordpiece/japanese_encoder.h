#ifndef NUVRA_WORDPIECE_JAPANESE_ENCODER_H_
#define NUVRA_WORDPIECE_JAPANESE_ENCODER_H_

#include <string_view>

#include "base/codec_modes.h"
#include "base/token_record.h"
#include "wordpiece/analyzer.h"
#include "wordpiece/type_options.h"
#include "wordpiece/vocabulary.h"

namespace nuvra::wordpiece {

// "[CLS]", the tokens of `text` after the nfkc normaliser, "[SEP]"; every
// record carries -1 as word id and span. `split` is kAnalyzerWordpiece or
// kAnalyzerCharacters. Recognised specials are found in the normalised text
// (so "［ＭＡＳＫ］" is "[MASK]"), and the analyzer sees each piece between
// them on its own.
TokenRecords japaneseEncode(const VocabIndex& index, Analyzer& analyzer, std::string_view text,
                            WordSplit split, EncodeSpecials specials);

}  // namespace nuvra::wordpiece

#endif  // NUVRA_WORDPIECE_JAPANESE_ENCODER_H_
