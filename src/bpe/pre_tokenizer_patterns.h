#ifndef NUVRA_BPE_PRE_TOKENIZER_PATTERNS_H_
#define NUVRA_BPE_PRE_TOKENIZER_PATTERNS_H_

#include <cstdint>

namespace nuvra::bpe {

// Special-tag patterns: "<\|[^>]+\|>" and "<[^>]+>".
enum class TagPattern : uint8_t { kNone, kPipeTag, kAngleTag };

// Word patterns of the byte-level and word-end types.
enum class WordPattern : uint8_t {
  kNone,
  // 's|'t|'re|'ve|'m|'ll|'d| ?\p{L}+| ?\p{N}+| ?[^\s\p{L}\d]+|\s+(?!\S)|\s+
  kAsciiDigit,
  // 's|'t|'re|'ve|'m|'ll|'d| ?\p{L}+| ?\p{N}+| ?[^\s\p{L}\p{N}]+|\s+(?!\S)|\s+
  kUnicodeDigit,
  // 's|'t|'re|'ve|'m|'ll|'d|[\p{L}]+|[\p{N}]|[^\s\p{L}\p{N}]+
  kWordEnd,
};

// The patterns a handle cuts text with. The patterns are fixed, so the set is
// a choice of hand-written scanners rather than compiled expressions.
struct PreTokenizerPatternSet {
  TagPattern split_pattern = TagPattern::kNone;
  WordPattern word_pattern = WordPattern::kNone;
  TagPattern special_pattern = TagPattern::kNone;
};

}  // namespace nuvra::bpe

#endif  // NUVRA_BPE_PRE_TOKENIZER_PATTERNS_H_
