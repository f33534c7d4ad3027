#include "sentencepiece/encoder.h"

#include <algorithm>
#include <vector>

#include "sentencepiece/id_mapping.h"
#include "sentencepiece/long_text_encoder.h"

namespace nuvra::spm {
namespace {

constexpr size_t kMaxReserved = size_t(1) << 16;

// "<pad>" of a type that has no entry for it: the text is dropped.
constexpr int32_t kNothing = -2;

// The piece id a matched special text stands for; false when the match is
// to be encoded as text after all.
bool specialId(IdLayout layout, const ModelIds& ids, SpecialText text, int32_t& id) {
  switch (text) {
    case SpecialText::kBos: id = ids.bos; return ids.bos != -1;
    case SpecialText::kEos: id = ids.eos; return ids.eos != -1;
    case SpecialText::kPad:
      // Without a pad piece the shifted layout has its own entry (-1),
      // kPadAfterPieces the one after the last piece, and kModel drops the text.
      if (ids.pad != -1) {
        id = ids.pad;
      } else {
        id = layout == IdLayout::kShifted          ? -1
             : layout == IdLayout::kPadAfterPieces ? ids.piece_count
                                                   : kNothing;
      }
      return true;
    case SpecialText::kUnk: id = ids.unk; return ids.unk != -1;
    case SpecialText::kMask: id = ids.piece_count; return layout == IdLayout::kShifted;
  }
  return false;
}

}  // namespace

TokenRecords spmEncode(const TypeOptions& type, const sentencepiece::SentencePieceProcessor& model,
                       const SpecialPattern& pattern, std::string_view text,
                       EncodeSpecials specials) {
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

  if (type.adds_bos && ids.bos != -1) add(ids.bos);
  if (specials == EncodeSpecials::kAsText) {
    encodeText(model, ids.cut, text, piece_ids);
    for (int id : piece_ids) add(id);
  } else {
    for (const SpecialTextPiece& piece : splitAtSpecialTexts(text, pattern)) {
      int32_t id = kNothing;
      if (piece.special && specialId(type.layout, ids, *piece.special, id)) {
        if (id != kNothing) add(id);
        continue;
      }
      encodeText(model, ids.cut, piece.text, piece_ids);
      size_t first = 0;
      if (type.drops_leading_id5 && !piece_ids.empty() && piece_ids.front() == 5 && !out.empty()) {
        first = 1;
      }
      for (size_t i = first; i < piece_ids.size(); ++i) add(piece_ids[i]);
    }
  }
  if (type.adds_eos && ids.eos != -1) add(ids.eos);

  if (type.layout == IdLayout::kShifted) {
    for (TokenRecord& record : out) record.id = pieceToTokenId(type.layout, record.id);
  }
  return out;
}

}  // namespace nuvra::spm
