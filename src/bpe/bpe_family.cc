#include "bpe/bpe_family.h"

#include <optional>
#include <utility>

#include "base/table_image.h"
#include "bpe/bpe_decoder.h"
#include "bpe/bpe_encoder.h"
#include "bpe/builtin_tables.h"
#include "bpe/byte_symbols.h"
#include "readers/json_vocab_reader.h"
#include "readers/merge_file_reader.h"
#include "readers/token_list.h"

namespace nuvra::bpe {

BpeFamily::BpeFamily(const TypeOptions& type, bool utf8_safe) : type_(type), utf8_safe_(utf8_safe) {
  const BuiltinTables& builtin = builtinTables(type.builtin);
  index_ = builtin.token_to_id;
  merges_ = builtin.merges;
}

Status BpeFamily::encode(std::string_view text, EncodeSpecials specials, TokenRecords& out) {
  session_.encode(type_, text, index_, merges_, specials, out);
  return Status::kSuccess;
}

Status BpeFamily::decode(const int32_t* ids, uint32_t count, DecodeSpecials specials,
                         std::string& out) const {
  std::optional<std::string> text =
      bpeDecode(ids, count, {type_.word_end, utf8_safe_}, *index_, byteDecoder(), specials);
  if (!text) return Status::kUnknown;  // an id outside the vocabulary
  out = std::move(*text);
  return Status::kSuccess;
}

Status BpeFamily::open(FileKind kind, const FilePath& path) {
  switch (kind) {
    case FileKind::kVocab: return openJsonVocab(path, false);
    case FileKind::kAddedTokens: return openJsonVocab(path, true);
    case FileKind::kMerges: return openMerges(path);
    default: return Status::kInvalidState;
  }
}

// Every table is built aside and swapped in whole, so a file that cannot be
// opened or read leaves the family exactly as it was.
Status BpeFamily::openJsonVocab(const FilePath& path, bool extend) {
  std::optional<readers::VocabEntries> pairs = readers::readJsonVocabEntries(path);
  if (!pairs) return Status::kFileError;
  readers::TokenList entries(extend ? index_->entries() : readers::TokenList(), std::move(*pairs));
  index_ = compactTable(
      VocabIndex(std::move(entries), type_.patterns.special_pattern, byteDecoder()));
  return Status::kSuccess;
}

Status BpeFamily::openMerges(const FilePath& path) {
  const std::optional<LargeString> content = readers::readTextFile(path);
  if (!content) return Status::kFileError;
  auto merges = std::make_shared<const MergeTable>(readers::MergePairScanner(*content));
  merges_ = merges->fitsImage() ? compactTable(*merges) : std::move(merges);
  return Status::kSuccess;
}

}  // namespace nuvra::bpe
