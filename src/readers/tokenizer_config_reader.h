#ifndef NUVRA_READERS_TOKENIZER_CONFIG_READER_H_
#define NUVRA_READERS_TOKENIZER_CONFIG_READER_H_

#include <optional>
#include <string_view>

#include "readers/text_file.h"

namespace nuvra::readers {

// The two switches of the WordPiece basic tokenizer.
struct TokenizerConfig {
  bool tokenize_chinese_chars = true;
  bool do_lower_case = true;
};

// Applies the recognised "do_lower_case" and "tokenize_chinese_chars" pairs of
// `content` on top of `current`. Only the literal values true and false count.
TokenizerConfig parseTokenizerConfig(std::string_view content, TokenizerConfig current);

// The same for the file at `path`; nullopt when it cannot be opened.
std::optional<TokenizerConfig> readTokenizerConfig(const FilePath& path, TokenizerConfig current);

}  // namespace nuvra::readers

#endif  // NUVRA_READERS_TOKENIZER_CONFIG_READER_H_
