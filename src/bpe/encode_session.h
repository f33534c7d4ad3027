#ifndef NUVRA_BPE_ENCODE_SESSION_H_
#define NUVRA_BPE_ENCODE_SESSION_H_

#include <memory>
#include <string_view>

#include "base/codec_modes.h"
#include "base/token_record.h"
#include "bpe/merge_engine.h"
#include "bpe/merge_table.h"
#include "bpe/type_options.h"
#include "bpe/vocab_index.h"

namespace nuvra::bpe {

// The merge engine of one handle, kept from one encode call to the next so
// that its memo of merged words and token ids stays warm: a document
// tokenized line by line repeats the same few thousand words. The memo
// belongs to the exact tables it was filled from; the session holds them,
// so a table swapped in by a file open (even one that reuses the old
// address) always starts a fresh engine. One thread at a time, like its
// handle.
class EncodeSession {
 public:
  // bpeEncode of `text` against these tables, into `records` (cleared first).
  void encode(const TypeOptions& type, std::string_view text,
              const std::shared_ptr<const VocabIndex>& vocab,
              const std::shared_ptr<const MergeTable>& merges, EncodeSpecials specials,
              TokenRecords& records);

 private:
  std::shared_ptr<const VocabIndex> vocab_;
  std::shared_ptr<const MergeTable> merges_;
  std::unique_ptr<MergeEngine> engine_;
};

}  // namespace nuvra::bpe

#endif  // NUVRA_BPE_ENCODE_SESSION_H_
