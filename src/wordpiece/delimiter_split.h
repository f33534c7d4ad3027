#ifndef NUVRA_WORDPIECE_DELIMITER_SPLIT_H_
#define NUVRA_WORDPIECE_DELIMITER_SPLIT_H_

#include <string_view>
#include <vector>

namespace nuvra::wordpiece {

// The parts of `text` around each non-overlapping occurrence of `delimiter`
// (not empty), left to right; empty parts stay: "a,,b" by "," -> a, "", b.
std::vector<std::string_view> splitByDelimiter(std::string_view text, std::string_view delimiter);

// `text` cut at each special text, one special after the other, with the
// special itself kept as a piece between the parts: "a[SEP]b" -> a, [SEP], b.
// Pieces view `text` or `specials`; they concatenate to `text`.
template <typename Specials>
std::vector<std::string_view> splitOnSpecialTokens(std::string_view text,
                                                   const Specials& specials) {
  std::vector<std::string_view> pieces{text};
  std::vector<std::string_view> next;
  for (std::string_view special : specials) {
    next.clear();
    for (std::string_view piece : pieces) {
      bool first = true;
      for (std::string_view part : splitByDelimiter(piece, special)) {
        if (!first) next.push_back(special);
        next.push_back(part);
        first = false;
      }
    }
    pieces.swap(next);
  }
  return pieces;
}

}  // namespace nuvra::wordpiece

#endif  // NUVRA_WORDPIECE_DELIMITER_SPLIT_H_
