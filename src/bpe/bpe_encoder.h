#ifndef NUVRA_BPE_BPE_ENCODER_H_
#define NUVRA_BPE_BPE_ENCODER_H_

#include <cstdint>
#include <string_view>

#include "base/codec_modes.h"
#include "base/token_record.h"
#include "bpe/merge_engine.h"
#include "bpe/merge_table.h"
#include "bpe/pre_tokenizer_patterns.h"
#include "bpe/type_options.h"
#include "readers/token_index.h"

namespace nuvra::bpe {

// Records of `text`: the type's start record, one or more records per
// pre-token, the end record. With EncodeSpecials::kRecognise, tags of the
// type's split pattern that are vocabulary keys become single special
// tokens; otherwise they are ordinary text. Every token of a
// pre-token carries the pre-token's word index and its code-point span
// [start, end) in the (for type 1: cleaned, lower-cased) text; a leading
// space is not part of the span: in "Hello world" the words span [0, 5) and
// [6, 11).
TokenRecords bpeEncode(const TypeOptions& type, std::string_view text,
                       const readers::TokenIndex& token_to_id, const MergeTable& merges,
                       EncodeSpecials specials);

// bpeEncode through a caller's engine (bound to `token_to_id` and the merge
// table), into `records`, which is cleared first.
void bpeEncodeWith(const TypeOptions& type, std::string_view text,
                   const readers::TokenIndex& token_to_id, MergeEngine& engine,
                   EncodeSpecials specials, TokenRecords& records);

// True when `piece` is a vocabulary key and, as a whole, a tag of `pattern`.
bool isSpecialToken(std::string_view piece, const readers::TokenIndex& token_to_id,
                    TagPattern pattern);

}  // namespace nuvra::bpe

#endif  // NUVRA_BPE_BPE_ENCODER_H_
