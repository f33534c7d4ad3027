#include "wordpiece/japanese_encoder.h"

#include <string>
#include <vector>

#include "base/utf8.h"
#include "wordpiece/delimiter_split.h"
#include "wordpiece/matcher.h"
#include "wordpiece/nfkc_normalizer.h"

namespace nuvra::wordpiece {
namespace {

// One id per code point of `word`, up to its first invalid sequence: the
// character's own when it is an entry, `unknown_id` when not. No "##", no
// length limit.
template <typename Emit>
void splitCharacters(std::string_view word, const VocabIndex& index, int32_t unknown_id,
                     Emit&& emit) {
  size_t i = 0;
  uint32_t codepoint = 0;
  while (i < word.size()) {
    const int length = utf8DecodeChar(word.data() + i, int32_t(word.size() - i), codepoint);
    if (length == 0 || codepoint == 0) return;
    const int32_t id = index.findEntry(word.substr(i, size_t(length)));
    emit(id < 0 ? unknown_id : id);
    i += size_t(length);
  }
}

// Keeps the word list between pieces, so that a whole encode allocates for
// records only once it has warmed up.
class PieceEncoder {
 public:
  PieceEncoder(const VocabIndex& index, Analyzer& analyzer, WordSplit split,
               TokenRecords& out)
      : index_(index),
        analyzer_(analyzer),
        split_(split),
        unknown_id_(index.lookupTokenId(kUnknownToken)),
        out_(out) {}

  // Appends the records of one normalised piece without special texts. A
  // piece MeCab fails on gives none.
  void analyzeAndSplit(std::string_view piece) {
    // An empty piece gives MeCab's sentence ends only.
    if (piece.empty() || !analyzer_.analyze(piece, words_)) return;
    const auto emit = [this](int32_t id) { out_.push_back({id, -1, -1, -1}); };
    for (std::string_view word : words_) {
      if (split_ == WordSplit::kAnalyzerWordpiece) {
        forEachWordpieceId(word, index_, unknown_id_, emit);
      } else {
        splitCharacters(word, index_, unknown_id_, emit);
      }
    }
  }

 private:
  const VocabIndex& index_;
  Analyzer& analyzer_;
  const WordSplit split_;
  const int32_t unknown_id_;
  TokenRecords& out_;
  std::vector<std::string_view> words_;
};

}  // namespace

TokenRecords japaneseEncode(const VocabIndex& index, Analyzer& analyzer, std::string_view text,
                            WordSplit split, EncodeSpecials specials) {
  std::string normalized;
  normalizeNfkc(text, normalized);
  TokenRecords out;
  // Type 5 gives one token per character of three bytes, type 4 fewer.
  out.reserve(normalized.size() / 3 + 2);
  out.push_back({index.lookupTokenId("[CLS]"), -1, -1, -1});
  PieceEncoder pieces(index, analyzer, split, out);
  if (specials == EncodeSpecials::kAsText) {
    pieces.analyzeAndSplit(normalized);
  } else {
    for (std::string_view piece : splitOnSpecialTokens(normalized, kWordpieceSpecialTokens)) {
      if (isSpecialText(piece)) {
        out.push_back({index.lookupTokenId(piece), -1, -1, -1});
      } else {
        pieces.analyzeAndSplit(piece);
      }
    }
  }
  out.push_back({index.lookupTokenId("[SEP]"), -1, -1, -1});
  return out;
}

}  // namespace nuvra::wordpiece
