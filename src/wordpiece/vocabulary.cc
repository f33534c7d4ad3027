#include "wordpiece/vocabulary.h"

namespace nuvra::wordpiece {

std::vector<std::string> parseWordpieceVocab(std::string_view content) {
  std::vector<std::string> entries;
  size_t p = 0;
  while (p < content.size()) {
    size_t end = content.find('\n', p);
    if (end == std::string_view::npos) end = content.size();
    std::string_view line = content.substr(p, end - p);
    entries.emplace_back(line.substr(0, line.find('\0')));
    p = end + 1;
  }
  return entries;
}

std::optional<std::vector<std::string>> readWordpieceVocab(const readers::FilePath& path) {
  const std::optional<std::string> content = readers::readTextFile(path);
  if (!content) return std::nullopt;
  return parseWordpieceVocab(*content);
}

VocabIndex::VocabIndex(const std::vector<std::string>& entries)
    : lowest_(entries, readers::TokenIndex::Duplicates::kLowestId) {}

}  // namespace nuvra::wordpiece
