#ifndef NUVRA_BPE_TYPE_OPTIONS_H_
#define NUVRA_BPE_TYPE_OPTIONS_H_

#include <cstdint>

#include "bpe/pre_tokenizer_patterns.h"

namespace nuvra::bpe {

// No such record, or (as unknown id) a token missing from the vocabulary is dropped.
inline constexpr int32_t kNoId = -1;

// The tables a type starts with before any file is opened.
enum class BuiltinList : uint8_t { kNone, kTranscript, kWordEnd };

// What distinguishes one BPE type from another; the type table holds one per type.
struct TypeOptions {
  int32_t start_id = kNoId;  // record before the text's tokens
  int32_t end_id = kNoId;    // record after them
  int32_t unknown_id = kNoId;
  PreTokenizerPatternSet patterns;
  // Word-end BPE: white space is cleaned and ASCII lower-cased before
  // cutting, "</w>" closes every word, and decode turns it back into spaces.
  bool word_end = false;
  BuiltinList builtin = BuiltinList::kNone;
};

}  // namespace nuvra::bpe

#endif  // NUVRA_BPE_TYPE_OPTIONS_H_
