#include "readers/tokenizer_config_reader.h"

#include <string>

namespace nuvra::readers {
namespace {

bool isConfigBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

void applyBoolean(std::string_view value, bool& target) {
  if (value == "true") target = true;
  if (value == "false") target = false;
}

}  // namespace

TokenizerConfig parseTokenizerConfig(std::string_view content, TokenizerConfig config) {
  const size_t n = content.size();
  size_t p = 0;
  for (;;) {
    while (p < n && content[p] != '"') ++p;
    if (p >= n) break;
    ++p;
    std::string key;
    bool closed = false;
    while (p < n) {
      if (content[p] == '\\') {
        if (p + 1 >= n) break;
        key.push_back(content[p + 1]);
        p += 2;
        continue;
      }
      if (content[p] == '"') {
        closed = true;
        break;
      }
      key.push_back(content[p++]);
    }
    if (!closed) break;
    ++p;
    // Blanks then a colon, or else up to and including a colon or space.
    bool skipped_space = false;
    while (p < n && isConfigBlank(content[p])) {
      skipped_space |= content[p] == ' ';
      ++p;
    }
    if (p >= n) break;
    if (content[p] == ':') {
      ++p;
    } else if (!skipped_space) {
      while (p < n && content[p] != ':' && content[p] != ' ') ++p;
      if (p >= n) break;
      ++p;
    }
    // The value up to a comma or closing brace, without its spaces.
    std::string value;
    while (p < n && content[p] != ',' && content[p] != '}') {
      if (content[p] != ' ') value.push_back(content[p]);
      ++p;
    }
    if (p >= n) break;
    ++p;
    // A pretty-printed last pair ends in a line break before its brace.
    std::string_view trimmed(value);
    while (!trimmed.empty() && isConfigBlank(trimmed.front())) trimmed.remove_prefix(1);
    while (!trimmed.empty() && isConfigBlank(trimmed.back())) trimmed.remove_suffix(1);
    if (key == "tokenize_chinese_chars") applyBoolean(trimmed, config.tokenize_chinese_chars);
    if (key == "do_lower_case") applyBoolean(trimmed, config.do_lower_case);
  }
  return config;
}

std::optional<TokenizerConfig> readTokenizerConfig(const FilePath& path,
                                                   TokenizerConfig current) {
  const std::optional<std::string> content = readTextFile(path);
  if (!content) return std::nullopt;
  return parseTokenizerConfig(*content, current);
}

}  // namespace nuvra::readers
