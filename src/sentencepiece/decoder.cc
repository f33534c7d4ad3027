#include "sentencepiece/decoder.h"

#include <string_view>
#include <vector>

#include "sentencepiece/id_mapping.h"
#include "sentencepiece/vocabulary.h"

namespace nuvra::spm {
namespace {

constexpr std::string_view kWordStart = "\xE2\x96\x81";  // U+2581

bool isSpecialPiece(std::string_view piece) {
  return piece == "<s>" || piece == "</s>" || piece == "<pad>" || piece == "<unk>";
}

std::string decodeSkippingSpecials(IdLayout layout,
                                   const sentencepiece::SentencePieceProcessor& model,
                                   const ModelIds& ids, const int32_t* token_ids,
                                   uint32_t count) {
  std::vector<int> pieces;
  pieces.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    const int32_t s = tokenToPieceId(layout, token_ids[i]);
    // Out-of-range ids (the shifted layout's mask among them) would fail the whole text.
    if (s == ids.unk || s == ids.pad || s < 0 || s >= ids.piece_count) continue;
    pieces.push_back(s);
  }
  std::string text;
  model.Decode(pieces, &text).IgnoreError();
  return text;
}

std::string decodeWritingSpecials(const TypeOptions& type,
                                  const sentencepiece::SentencePieceProcessor& model,
                                  const ModelIds& ids, const int32_t* token_ids,
                                  uint32_t count) {
  const int32_t n = ids.piece_count;
  std::vector<int32_t> pieces;
  pieces.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    const int32_t s = tokenToPieceId(type.layout, token_ids[i]);
    if (type.layout == IdLayout::kPadAfterPieces && s > n) continue;
    pieces.push_back(s);
  }

  std::string text;
  bool previous_special = false;
  bool suppress_space = false;
  for (size_t i = 0; i < pieces.size(); ++i) {
    const int32_t s = pieces[i];
    if (s < -1 || s > n) continue;
    std::string_view piece = spmPieceText(type.layout, model, s, n);
    const bool special = isSpecialPiece(piece);
    bool space_before = false;
    if (piece.substr(0, kWordStart.size()) == kWordStart) {
      piece.remove_prefix(kWordStart.size());
      space_before = !text.empty() && !suppress_space;
    } else {
      space_before = type.spacing == SpecialSpacing::kBeforeWordAfterSpecial &&
                     previous_special && !special;
    }
    suppress_space = false;
    const bool space_after = type.spacing == SpecialSpacing::kAfterInnerSpecial && special &&
                             i > 0 && i + 1 < pieces.size();
    if (space_after) suppress_space = true;
    previous_special = special;
    if (space_before) text += ' ';
    text += piece;
    if (space_after) text += ' ';
  }
  return text;
}

}  // namespace

std::string spmDecode(const TypeOptions& type, const sentencepiece::SentencePieceProcessor& model,
                      const ModelIds& ids, const int32_t* token_ids, uint32_t count,
                      DecodeSpecials specials) {
  return specials == DecodeSpecials::kSkip
             ? decodeSkippingSpecials(type.layout, model, ids, token_ids, count)
             : decodeWritingSpecials(type, model, ids, token_ids, count);
}

}  // namespace nuvra::spm
