#include "sentencepiece/control_texts.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace nuvra::spm {

std::string_view specialTextBytes(SpecialText text) {
  switch (text) {
    case SpecialText::kBos: return "<s>";
    case SpecialText::kEos: return "</s>";
    case SpecialText::kPad: return "<pad>";
    case SpecialText::kUnk: return "<unk>";
    case SpecialText::kMask: return "<mask>";
  }
  return {};
}

SpecialPattern::SpecialPattern(std::vector<SpecialText> alternatives, const ModelIds& ids)
    : alternatives_(std::move(alternatives)), ids_(ids) {}

std::optional<SpecialPattern::Match> SpecialPattern::find(std::string_view text,
                                                          size_t from) const {
  const char* const begin = text.data();
  const char* const end = begin + text.size();
  // Every fixed text starts with "<", so only those bytes are tried.
  for (const char* p = begin + std::min(from, text.size()); p < end; ++p) {
    p = static_cast<const char*>(std::memchr(p, '<', size_t(end - p)));
    if (p == nullptr) break;
    const std::string_view rest(p, size_t(end - p));
    for (SpecialText alternative : alternatives_) {
      const std::string_view literal = specialTextBytes(alternative);
      if (rest.substr(0, literal.size()) == literal) {
        const size_t start = size_t(p - begin);
        return Match{start, start + literal.size(), alternative};
      }
    }
  }
  return std::nullopt;
}

std::string SpecialPattern::text() const {
  std::string out;
  for (SpecialText alternative : alternatives_) {
    if (!out.empty()) out += '|';
    out += specialTextBytes(alternative);
  }
  return out;
}

SpecialPattern buildSpecialPattern(IdLayout layout, const ModelIds& ids) {
  std::vector<SpecialText> alternatives;
  if (ids.bos != -1) alternatives.push_back(SpecialText::kBos);
  if (ids.eos != -1) alternatives.push_back(SpecialText::kEos);
  alternatives.push_back(SpecialText::kPad);
  if (ids.unk != -1) alternatives.push_back(SpecialText::kUnk);
  if (layout == IdLayout::kShifted) alternatives.push_back(SpecialText::kMask);
  return SpecialPattern(std::move(alternatives), ids);
}

std::vector<SpecialTextPiece> splitAtSpecialTexts(std::string_view text,
                                                  const SpecialPattern& pattern) {
  std::vector<SpecialTextPiece> pieces;
  size_t p = 0;
  while (const std::optional<SpecialPattern::Match> match = pattern.find(text, p)) {
    if (match->start > p) pieces.push_back({text.substr(p, match->start - p), std::nullopt});
    pieces.push_back({text.substr(match->start, match->end - match->start), match->text});
    p = match->end;
  }
  if (p < text.size()) pieces.push_back({text.substr(p), std::nullopt});
  return pieces;
}

}  // namespace nuvra::spm
