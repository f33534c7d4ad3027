#include "wordpiece/delimiter_split.h"

namespace nuvra::wordpiece {

std::vector<std::string_view> splitByDelimiter(std::string_view text, std::string_view delimiter) {
  if (delimiter.empty()) return {text};
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (size_t hit = text.find(delimiter); hit != std::string_view::npos;
       hit = text.find(delimiter, start)) {
    parts.push_back(text.substr(start, hit - start));
    start = hit + delimiter.size();
  }
  parts.push_back(text.substr(start));
  return parts;
}

}  // namespace nuvra::wordpiece
