#include "sentencepiece/encoder.h"

#include <algorithm>
#include <vector>

#include "sentencepiece/id_mapping.h"

namespace nuvra::spm {
namespace {

bool addsBos(uint32_t type) { return type == 2 || type == 10; }
bool addsEos(uint32_t type) { return type == 2 || type == 3 || type == 6; }

constexpr size_t kMaxReserved = size_t(1) << 16;

// "<pad>" of a type that has no entry for it: the text is dropped.
constexpr int32_t kNothing = -2;

// The piece id a matched special text stands for; false when the match is
// to be encoded as text after all.
bool specialId(uint32_t type, const ModelIds& ids, SpecialText text, int32_t& id) {
  switch (text) {
    case SpecialText::kBos: id = ids.bos; return ids.bos != -1;
    case SpecialText::kEos: id = ids.eos; return ids.eos != -1;
    case SpecialText::kPad:
      // Without a pad piece type 2 has its own entry (-1), type 3 the one
      // after the last piece, and the others drop the text.
      if (ids.pad != -1) {
        id = ids.pad;
      } else {
        id = type == 2 ? -1 : type == 3 ? ids.piece_count : kNothing;
      }
      return true;
    case SpecialText::kUnk: id = ids.unk; return ids.unk != -1;
    case SpecialText::kMask: id = ids.piece_count; return type == 2;
  }
  return false;
}

}  // namespace

TokenRecords spmEncode(uint32_t type, const sentencepiece::SentencePieceProcessor& model,
                       const SpecialPattern& pattern, std::string_view text, bool encode_flag) {
  const ModelIds& ids = pattern.ids();
  // Seldom more ids than bytes. Both buffers are taken before the library
  // runs: a large allocation right after it merges the small blocks it just
  // freed, and its next call pays for that (a few percent on long lines).
  // Huge texts grow as usual rather than claim 16 bytes per byte up front.
  const size_t expected = std::min(text.size(), kMaxReserved);
  TokenRecords out;
  out.reserve(expected + 2);
  std::vector<int> piece_ids;
  piece_ids.reserve(expected + 1);
  const auto add = [&out](int32_t id) { out.push_back(TokenRecord{id, -1, -1, -1}); };

  if (addsBos(type) && ids.bos != -1) add(ids.bos);
  if (encode_flag) {
    model.Encode(text, &piece_ids).IgnoreError();
    for (int id : piece_ids) add(id);
  } else {
    for (const SpecialSplitPiece& piece : splitAtSpecials(text, pattern)) {
      int32_t id = kNothing;
      if (piece.special && specialId(type, ids, *piece.special, id)) {
        if (id != kNothing) add(id);
        continue;
      }
      model.Encode(piece.text, &piece_ids).IgnoreError();
      size_t first = 0;
      // Type 6 drops a leading id 5 of every piece after the first record.
      if (type == 6 && !piece_ids.empty() && piece_ids.front() == 5 && !out.empty()) first = 1;
      for (size_t i = first; i < piece_ids.size(); ++i) add(piece_ids[i]);
    }
  }
  if (addsEos(type) && ids.eos != -1) add(ids.eos);

  if (type == 2) {
    for (TokenRecord& record : out) record.id = spmToModelId(2, record.id);
  }
  return out;
}

}  // namespace nuvra::spm
