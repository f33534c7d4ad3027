#include "wordpiece/japanese_family.h"

namespace nuvra::wordpiece {

// The analyzer arrives with the dictionary loader; until then no handle has one.
Status JapaneseFamily::encode(std::string_view, EncodeSpecials, TokenRecords&) {
  if (!analyzer_) return Status::kInvalidState;
  return Status::kInvalidState;
}

Status JapaneseFamily::open(FileKind kind, const FilePath& path) {
  if (kind == FileKind::kDictionary) return Status::kFileError;
  return WordpieceFamily::open(kind, path);
}

}  // namespace nuvra::wordpiece
