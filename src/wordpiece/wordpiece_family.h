#ifndef NUVRA_WORDPIECE_WORDPIECE_FAMILY_H_
#define NUVRA_WORDPIECE_WORDPIECE_FAMILY_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/family.h"
#include "wordpiece/encoder.h"
#include "wordpiece/vocabulary.h"

namespace nuvra::wordpiece {

// The WordPiece type with the basic tokenizer; also the vocabulary, decode
// and queries that the Japanese types share.
class WordpieceFamily : public Family {
 public:
  WordpieceFamily();

  Status encode(std::string_view text, EncodeSpecials specials, TokenRecords& out) override;
  Status decode(const int32_t* ids, uint32_t count, DecodeSpecials specials,
                std::string& out) const override;
  Status open(FileKind kind, const FilePath& path) override;
  uint32_t vocabSize() const override { return uint32_t(vocab_->entries.size()); }
  std::string vocabEntry(uint32_t id) const override { return vocab_->entries[id]; }

 protected:
  const VocabIndex& index() const { return vocab_->index; }

 private:
  // Entries and their index, replaced together by a vocabulary file.
  struct Vocabulary {
    explicit Vocabulary(std::vector<std::string> list)
        : entries(std::move(list)), index(entries) {}
    std::vector<std::string> entries;
    VocabIndex index;
  };

  std::unique_ptr<const Vocabulary> vocab_;
  BasicOptions options_;
};

}  // namespace nuvra::wordpiece

#endif  // NUVRA_WORDPIECE_WORDPIECE_FAMILY_H_
