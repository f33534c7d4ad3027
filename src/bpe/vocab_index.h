#ifndef NUVRA_BPE_VOCAB_INDEX_H_
#define NUVRA_BPE_VOCAB_INDEX_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/table_array.h"
#include "base/table_image.h"
#include "bpe/byte_symbols.h"
#include "bpe/pre_tokenizer_patterns.h"
#include "readers/token_index.h"
#include "readers/token_list.h"

namespace nuvra::bpe {

// A byte-level or word-end vocabulary with its lookup structures, built once
// per vocabulary change: the entries, the text-to-id map encode searches, and
// for decode every entry's bytes up front, so that decoding an id is a copy
// rather than a walk over its symbols. Per-entry arrays follow the entries,
// not the largest id, and end with one more slot, empty and without flags,
// that every id without an entry maps to. Of a text at several ids the
// highest wins, as a JSON vocabulary read in order leaves it (the WordPiece
// index keeps the lowest).
class VocabIndex {
 public:
  // Per-id flags; an id with neither decodes by copying its bytes.
  static constexpr uint8_t kNeedsJoining = 1;  // a character of it is malformed or cut
  static constexpr uint8_t kSpecial = 2;       // a whole tag of the special pattern
  // Bytes readable past the end of every entry's bytes, so short entries can
  // be copied with one fixed-size move.
  static constexpr size_t kPadding = 16;

  VocabIndex();
  // `seed`: of the text-to-id map.
  VocabIndex(const std::vector<std::string>& entries, TagPattern special_pattern,
             const ByteDecoder& byte_decoder, uint64_t seed = readers::processHashSeed());
  VocabIndex(readers::TokenList entries, TagPattern special_pattern,
             const ByteDecoder& byte_decoder, uint64_t seed = readers::processHashSeed());
  // An index saved with save(), borrowed from the image.
  explicit VocabIndex(TableImageReader& image);
  void save(TableImageWriter& image) const;
  VocabIndex(const VocabIndex&) = delete;
  VocabIndex& operator=(const VocabIndex&) = delete;

  // Text to id; of a text at several ids the highest wins.
  const readers::TokenIndex& tokens() const { return *tokens_; }
  const readers::TokenList& entries() const { return entries_; }

  // Size of the id space: the largest id + 1.
  size_t entryCount() const { return entries_.size(); }
  // The text of `id` < entryCount(); empty for an id without an entry.
  std::string_view text(uint32_t id) const { return entries_.text(id); }
  uint8_t flags(uint32_t id) const { return flags_[entries_.slotOf(id)]; }
  // symbolsToBytes of the entry alone. Exact within a joined text only for
  // entries without kNeedsJoining: there a character may continue into the
  // next entry, or a malformed one stop decoding altogether.
  std::string_view bytesOf(uint32_t id) const {
    const size_t slot = entries_.slotOf(id);
    return {bytes_.data() + offsets_[slot], size_t(offsets_[slot + 1] - offsets_[slot])};
  }

  // Raw views by slot for the decode loop.
  const uint8_t* flagData() const { return flags_.data(); }
  const uint32_t* offsetData() const { return offsets_.data(); }
  const char* byteData() const { return bytes_.data(); }

 private:
  readers::TokenList entries_;
  std::shared_ptr<const readers::TokenIndex> tokens_;  // reads its texts in entries_
  TableArray<uint8_t> flags_;     // slotCount() + 1
  TableArray<uint32_t> offsets_;  // slotCount() + 2 offsets into bytes_
  TableArray<char, LargeString> bytes_;  // followed by kPadding zero bytes
};

}  // namespace nuvra::bpe

#endif  // NUVRA_BPE_VOCAB_INDEX_H_
