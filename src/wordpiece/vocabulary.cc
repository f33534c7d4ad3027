#include "wordpiece/vocabulary.h"

#include "base/table_image.h"

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

std::optional<std::vector<std::string>> readWordpieceVocab(const FilePath& path) {
  const std::optional<LargeString> content = readers::readTextFile(path);
  if (!content) return std::nullopt;
  return parseWordpieceVocab(*content);
}

namespace {

std::vector<WordpieceTrie::Key> trieKeys(const std::vector<std::string>& entries,
                                         std::string_view prefix) {
  std::vector<WordpieceTrie::Key> keys;
  for (size_t id = 0; id < entries.size(); ++id) {
    std::string_view text = entries[id];
    if (text.substr(0, prefix.size()) != prefix) continue;
    text.remove_prefix(prefix.size());
    if (text.empty() || text.size() > kWordLengthLimit) continue;
    keys.push_back({text, int32_t(id)});
  }
  return keys;
}

}  // namespace

VocabIndex::VocabIndex(const std::vector<std::string>& entries)
    : lowest_(compactTable(
          readers::TokenIndex(entries, readers::TokenIndex::Duplicates::kLowestId))),
      word_starts_(trieKeys(entries, "")),
      continuations_(trieKeys(entries, "##")) {}

}  // namespace nuvra::wordpiece
