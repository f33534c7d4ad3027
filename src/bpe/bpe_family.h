#ifndef NUVRA_BPE_BPE_FAMILY_H_
#define NUVRA_BPE_BPE_FAMILY_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/family.h"
#include "bpe/encode_session.h"
#include "bpe/merge_table.h"
#include "bpe/type_options.h"
#include "bpe/vocab_index.h"

namespace nuvra::bpe {

// Byte-level and word-end BPE. The tables sit behind shared pointers to
// const: the built-in ones are shared by every handle of their type, and a
// file replaces a table by swapping one pointer, so a failed open leaves the
// old one in place.
class BpeFamily final : public Family {
 public:
  // `utf8_safe`: decode cuts its text at the first invalid UTF-8 sequence.
  BpeFamily(const TypeOptions& type, bool utf8_safe);

  Status encode(std::string_view text, EncodeSpecials specials, TokenRecords& out) override;
  Status decode(const int32_t* ids, uint32_t count, DecodeSpecials specials,
                std::string& out) const override;
  Status open(FileKind kind, const FilePath& path) override;
  uint32_t vocabSize() const override { return uint32_t(index_->entryCount()); }
  std::string vocabEntry(uint32_t id) const override { return std::string(index_->text(id)); }

 private:
  // A vocabulary file starts a new list; added tokens extend the current one.
  Status openJsonVocab(const FilePath& path, bool extend);
  Status openMerges(const FilePath& path);

  TypeOptions type_;
  bool utf8_safe_;
  std::shared_ptr<const VocabIndex> index_;
  std::shared_ptr<const MergeTable> merges_;
  EncodeSession session_;  // kept warm between encode calls
};

}  // namespace nuvra::bpe

#endif  // NUVRA_BPE_BPE_FAMILY_H_
