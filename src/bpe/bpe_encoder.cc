#include "bpe/bpe_encoder.h"

#include <string>
#include <vector>

#include "base/utf8.h"
#include "bpe/merge_engine.h"
#include "bpe/pre_tokenizer.h"

namespace nuvra::bpe {
namespace {

void lowerAsciiInPlace(std::string& text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = char(c + ('a' - 'A'));
  }
}

// Word index and code-point position of the next pre-token. Counted in
// unsigned arithmetic so that a text beyond 2^31 code points wraps instead
// of overflowing.
class Cursor {
 public:
  int32_t wordId() const { return int32_t(word_id_); }
  int32_t position() const { return int32_t(position_); }
  int32_t positionAfter(size_t codepoints) const {
    return int32_t(position_ + uint32_t(codepoints));
  }
  void advance(size_t codepoints) {
    ++word_id_;
    position_ += uint32_t(codepoints);
  }

 private:
  uint32_t word_id_ = 0;
  uint32_t position_ = 0;
};

// Cuts one piece of ordinary text into pre-tokens and merges each.
void encodeOrdinaryText(std::string_view piece, WordPattern pattern, MergeEngine& engine,
                        Cursor& cursor, TokenRecords& records) {
  WordScanner scanner(piece, pattern);
  std::string_view word;
  while (scanner.next(word)) {
    const size_t length = utf8CountCodepoints(word);
    // Only a leading 0x20 moves the start: " world" spans "world".
    const bool leading_space = !word.empty() && word[0] == ' ';
    const int32_t start = leading_space ? cursor.positionAfter(1) : cursor.position();
    engine.encodeWord(word, cursor.wordId(), start, cursor.positionAfter(length), records);
    cursor.advance(length);
  }
}

}  // namespace

bool isSpecialToken(std::string_view piece, const readers::TokenIndex& token_to_id,
                    TagPattern pattern) {
  return token_to_id.contains(piece) && matchesTagPattern(piece, pattern);
}

TokenRecords bpeEncode(const TypeOptions& type, std::string_view text,
                       const readers::TokenIndex& token_to_id, const MergeTable& merges,
                       EncodeSpecials specials) {
  MergeEngine engine(merges, token_to_id, type.word_end, type.unknown_id);
  TokenRecords records;
  bpeEncodeWith(type, text, token_to_id, engine, specials, records);
  return records;
}

void bpeEncodeWith(const TypeOptions& type, std::string_view text,
                   const readers::TokenIndex& token_to_id, MergeEngine& engine,
                   EncodeSpecials specials, TokenRecords& records) {
  const PreTokenizerPatternSet& pre_tokenizer = type.patterns;
  std::string prepared;
  if (type.word_end) {
    prepared = cleanWhitespace(text);
    lowerAsciiInPlace(prepared);
    text = prepared;
  }

  records.clear();
  // About one token per four bytes of prose; one allocation in the common case.
  records.reserve(text.size() / 4 + 2);
  if (type.start_id != kNoId) records.push_back({type.start_id, -1, -1, -1});

  Cursor cursor;
  if (specials == EncodeSpecials::kAsText) {
    encodeOrdinaryText(text, pre_tokenizer.word_pattern, engine, cursor, records);
  } else {
    std::vector<TagSplitPiece> pieces;
    splitAtTags(text, pre_tokenizer.split_pattern, pieces);
    for (const TagSplitPiece& piece : pieces) {
      const std::string_view part = text.substr(piece.begin, piece.end - piece.begin);
      // A gap holds no tag, so only matches can be special tokens.
      if (piece.is_match && isSpecialToken(part, token_to_id, pre_tokenizer.special_pattern)) {
        const size_t length = utf8CountCodepoints(part);
        appendTokenRecord(part, token_to_id, type.unknown_id, cursor.wordId(),
                          cursor.position(), cursor.positionAfter(length), records);
        cursor.advance(length);
      } else {
        encodeOrdinaryText(part, pre_tokenizer.word_pattern, engine, cursor, records);
      }
    }
  }

  if (type.end_id != kNoId) records.push_back({type.end_id, -1, -1, -1});
}

}  // namespace nuvra::bpe
