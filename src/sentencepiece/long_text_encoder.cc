#include "sentencepiece/long_text_encoder.h"

#include <algorithm>
#include <cstring>

namespace nuvra::spm {
namespace {

bool isPrintableAscii(unsigned char c) { return c > 0x20 && c < 0x7F; }

// "x y" cut before the space gives "x" and "y"; the dummy prefix of "y"
// stands for the space. The byte before it must not end a word-start mark
// ("x▁" + "▁y" would hide a piece "▁▁y") nor, where white space is kept and
// normalised, become one. With marks ending words the same holds for the
// byte after it.
bool allowsCut(std::string_view text, size_t p, const CutRule& rule) {
  if (p == 0 || p + 1 >= text.size()) return false;
  const auto before = static_cast<unsigned char>(text[p - 1]);
  const auto after = static_cast<unsigned char>(text[p + 1]);
  if (after == ' ' || (rule.marks_end_words && !isPrintableAscii(after))) return false;
  if (isPrintableAscii(before)) return true;
  if (!rule.after_any_byte || before == ' ') return false;
  return !(p >= 3 && text.compare(p - 3, 3, "\xE2\x96\x81") == 0);
}

}  // namespace

size_t nextCut(std::string_view text, size_t from, const CutRule& rule) {
  if (!rule.at_spaces) return std::string_view::npos;
  const char* const begin = text.data();
  const char* const end = begin + text.size();
  for (const char* p = begin + std::min(from, text.size()); p < end; ++p) {
    p = static_cast<const char*>(std::memchr(p, ' ', size_t(end - p)));
    if (p == nullptr) break;
    if (allowsCut(text, size_t(p - begin), rule)) return size_t(p - begin);
  }
  return std::string_view::npos;
}

void encodeText(const sentencepiece::SentencePieceProcessor& model, const CutRule& rule,
                std::string_view text, std::vector<int>& ids, size_t piece_bytes) {
  size_t cut =
      text.size() > piece_bytes ? nextCut(text, piece_bytes, rule) : std::string_view::npos;
  if (cut == std::string_view::npos) {
    model.Encode(text, &ids).IgnoreError();
    return;
  }
  ids.clear();
  std::vector<int> piece_ids;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = cut == std::string_view::npos ? text.size() : cut;
    model.Encode(text.substr(start, end - start), &piece_ids).IgnoreError();
    ids.insert(ids.end(), piece_ids.begin(), piece_ids.end());
    if (end == text.size()) break;
    start = end + 1;  // the space, restored by the next piece's dummy prefix
    cut = text.size() - start > piece_bytes ? nextCut(text, start + piece_bytes, rule)
                                            : std::string_view::npos;
  }
}

}  // namespace nuvra::spm
