#ifndef NUVRA_WORDPIECE_JAPANESE_FAMILY_H_
#define NUVRA_WORDPIECE_JAPANESE_FAMILY_H_

#include <memory>
#include <string_view>

#include "wordpiece/analyzer.h"
#include "wordpiece/type_options.h"
#include "wordpiece/wordpiece_family.h"

namespace nuvra::wordpiece {

// The Japanese WordPiece types: words come from the morphological analyzer
// that a dictionary directory sets up, so encode needs one; vocabulary,
// decode and queries are WordPiece's own.
class JapaneseFamily final : public WordpieceFamily {
 public:
  explicit JapaneseFamily(const TypeOptions& type) : type_(type) {}

  Status encode(std::string_view text, EncodeSpecials specials, TokenRecords& out) override;
  Status open(FileKind kind, const FilePath& path) override;

 private:
  TypeOptions type_;
  std::unique_ptr<Analyzer> analyzer_;
};

}  // namespace nuvra::wordpiece

#endif  // NUVRA_WORDPIECE_JAPANESE_FAMILY_H_
