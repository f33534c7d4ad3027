#include "wordpiece/wordpiece_family.h"

#include <optional>
#include <utility>

#include "readers/tokenizer_config_reader.h"
#include "wordpiece/decoder.h"

namespace nuvra::wordpiece {

WordpieceFamily::WordpieceFamily()
    : vocab_(std::make_unique<const Vocabulary>(std::vector<std::string>())) {}

Status WordpieceFamily::encode(std::string_view text, EncodeSpecials specials,
                               TokenRecords& out) {
  out = wordpieceEncode(vocab_->index, text, options_, specials);
  return Status::kSuccess;
}

Status WordpieceFamily::decode(const int32_t* ids, uint32_t count, DecodeSpecials specials,
                               std::string& out) const {
  out = wordpieceDecode(vocab_->entries, ids, count, specials);
  return Status::kSuccess;
}

// A file that cannot be opened leaves the vocabulary or the switches as they were.
Status WordpieceFamily::open(FileKind kind, const FilePath& path) {
  switch (kind) {
    case FileKind::kVocab: {
      std::optional<std::vector<std::string>> entries = readWordpieceVocab(path);
      if (!entries) return Status::kFileError;
      vocab_ = std::make_unique<const Vocabulary>(std::move(*entries));
      return Status::kSuccess;
    }
    case FileKind::kTokenizerConfig: {
      const std::optional<readers::TokenizerConfig> config = readers::readTokenizerConfig(
          path, {options_.tokenize_chinese_chars, options_.do_lower_case});
      if (!config) return Status::kFileError;
      options_.tokenize_chinese_chars = config->tokenize_chinese_chars;
      options_.do_lower_case = config->do_lower_case;
      return Status::kSuccess;
    }
    default: return Status::kInvalidState;
  }
}

}  // namespace nuvra::wordpiece
