#include "wordpiece/japanese_family.h"

#include <optional>
#include <string>
#include <utility>

#include "readers/text_file.h"
#include "wordpiece/japanese_encoder.h"

namespace nuvra::wordpiece {

Status JapaneseFamily::encode(std::string_view text, EncodeSpecials specials, TokenRecords& out) {
  if (!analyzer_) return Status::kInvalidState;
  out = japaneseEncode(index(), *analyzer_, text, type_.split, specials);
  return Status::kSuccess;
}

// A dictionary that cannot be opened keeps the analyzer the handle had.
Status JapaneseFamily::open(FileKind kind, const FilePath& path) {
  if (kind != FileKind::kDictionary) return WordpieceFamily::open(kind, path);
  const std::optional<std::string> directory = readers::nativePath(path);
  if (!directory) return Status::kFileError;
  std::unique_ptr<Analyzer> analyzer = Analyzer::open(*directory);
  if (!analyzer) return Status::kFileError;
  analyzer_ = std::move(analyzer);
  return Status::kSuccess;
}

}  // namespace nuvra::wordpiece
