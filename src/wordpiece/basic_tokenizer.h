#ifndef NUVRA_WORDPIECE_BASIC_TOKENIZER_H_
#define NUVRA_WORDPIECE_BASIC_TOKENIZER_H_

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "base/utf8.h"

namespace nuvra::wordpiece {

// U+4E00..U+9FFF, U+3400..U+4DBF, U+F900..U+FAFF; nothing above U+FFFF.
inline bool isChineseChar(uint32_t cp) {
  return (cp >= 0x4E00 && cp <= 0x9FFF) || (cp >= 0x3400 && cp <= 0x4DBF) ||
         (cp >= 0xF900 && cp <= 0xFAFF);
}

// ASCII marks and a fixed set of CJK and full-width marks. Not U+0020, not
// the general punctuation block (U+2014 stays inside words), not U+00BF.
bool isPunctuation(uint32_t cp);

// The words of `text`: every U+0020, punctuation mark and (when
// `tokenize_chinese_chars`) CJK ideograph alone, the runs between them as
// words. Decoding stops at the first invalid UTF-8 sequence.
std::vector<std::string> basicSplit(std::string_view text, bool tokenize_chinese_chars);

// A-Z to a-z only: U+00C4 and U+0130 stay.
std::string lowerCaseAscii(std::string_view word);

// Each code point replaced by its accent-table row: U+00E9 -> U+0065,
// U+00C9 -> U+0045 (case is not touched), U+0301 -> nothing.
std::string stripAccents(std::string_view word);

// Appends stripAccents(lowerCaseAscii(word)) to `out` in one pass.
void appendLowerCasedStripped(std::string_view word, std::string& out);

namespace detail {

// 0: word character, 1: a word of its own (space, punctuation), 2: U+0000.
extern const uint8_t kAsciiClass[128];

// The word a run of code points encodes to when it holds U+0000 (the
// encoding ends there) or values above U+10FFFF (skipped). Returns its
// length in code points.
uint32_t cleanRun(std::string_view run, std::string& out);

}  // namespace detail

// basicSplit without building the list: calls visit(word, codepoints) for
// each word in order. Words are views into `text`, except for the rare run
// that cleanRun rewrites.
template <typename Visit>
void forEachBasicWord(std::string_view text, bool tokenize_chinese_chars, Visit&& visit) {
  // The UTF-8 routines read at most INT32_MAX bytes of a text.
  const size_t n = std::min(text.size(), size_t(std::numeric_limits<int32_t>::max()));
  const char* p = text.data();
  size_t run_start = 0;
  uint32_t run_length = 0;
  bool run_unclean = false;
  std::string cleaned;
  auto flush = [&](size_t end) {
    if (run_length == 0) return;
    const std::string_view run = text.substr(run_start, end - run_start);
    if (run_unclean) {
      cleaned.clear();
      const uint32_t length = detail::cleanRun(run, cleaned);
      visit(std::string_view(cleaned), length);
    } else {
      visit(run, run_length);
    }
    run_length = 0;
    run_unclean = false;
  };
  size_t i = 0;
  while (i < n) {
    const auto b = static_cast<unsigned char>(p[i]);
    if (b < 0x80) {
      const uint8_t cls = detail::kAsciiClass[b];
      if (cls == 1) {
        flush(i);
        visit(text.substr(i, 1), 1u);
      } else {
        if (run_length == 0) run_start = i;
        ++run_length;
        run_unclean |= cls == 2;
      }
      ++i;
      continue;
    }
    uint32_t cp = 0;
    const int length = utf8DecodeChar(p + i, int32_t(n - i), cp);
    if (length == 0) break;
    if (isPunctuation(cp) || (tokenize_chinese_chars && isChineseChar(cp))) {
      flush(i);
      visit(text.substr(i, size_t(length)), 1u);
    } else {
      if (run_length == 0) run_start = i;
      ++run_length;
      run_unclean |= cp > 0x10FFFF;
    }
    i += size_t(length);
  }
  flush(i);
}

}  // namespace nuvra::wordpiece

#endif  // NUVRA_WORDPIECE_BASIC_TOKENIZER_H_
