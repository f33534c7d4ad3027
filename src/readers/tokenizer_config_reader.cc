#include "readers/tokenizer_config_reader.h"

#include <string>

#include "readers/key_value_scanner.h"

namespace nuvra::readers {
namespace {

void applyBoolean(std::string_view value, bool& target) {
  if (value == "true") target = true;
  if (value == "false") target = false;
}

}  // namespace

TokenizerConfig parseTokenizerConfig(std::string_view content, TokenizerConfig config) {
  KeyValueScanner scanner(content, ValueEnd::kJsonAware);
  RawPair raw;
  while (scanner.next(raw)) {
    // No escapes here beyond a backslash taking the next character literally.
    std::string key;
    for (size_t i = 0; i < raw.key.size(); ++i) {
      if (raw.key[i] == '\\' && i + 1 < raw.key.size()) ++i;
      key.push_back(raw.key[i]);
    }
    std::string value;
    for (char c : raw.value) {
      if (c != ' ') value.push_back(c);
    }
    // A pretty-printed last pair ends in a line break before its brace.
    std::string_view trimmed(value);
    while (!trimmed.empty() && isBlank(trimmed.front())) trimmed.remove_prefix(1);
    while (!trimmed.empty() && isBlank(trimmed.back())) trimmed.remove_suffix(1);
    if (key == "tokenize_chinese_chars") applyBoolean(trimmed, config.tokenize_chinese_chars);
    if (key == "do_lower_case") applyBoolean(trimmed, config.do_lower_case);
  }
  return config;
}

std::optional<TokenizerConfig> readTokenizerConfig(const FilePath& path,
                                                   TokenizerConfig current) {
  const std::optional<LargeString> content = readTextFile(path);
  if (!content) return std::nullopt;
  return parseTokenizerConfig(*content, current);
}

}  // namespace nuvra::readers
