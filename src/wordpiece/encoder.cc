#include "wordpiece/encoder.h"

#include <string>

#include "base/utf8.h"
#include "wordpiece/basic_tokenizer.h"
#include "wordpiece/delimiter_split.h"
#include "wordpiece/matcher.h"

namespace nuvra::wordpiece {
namespace {

// Ids the encoder needs on every call.
struct FixedIds {
  int32_t unknown, cls, sep;
  explicit FixedIds(const VocabIndex& index)
      : unknown(index.lookupTokenId(kUnknownToken)),
        cls(index.lookupTokenId("[CLS]")),
        sep(index.lookupTokenId("[SEP]")) {}
};

bool needsLowerCasing(std::string_view word) {
  for (const char c : word) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 0x80 || (b >= 'A' && b <= 'Z') || b == 0) return true;
  }
  return false;
}

// Holds the scratch buffer so that a whole encode allocates for records only.
class SegmentEncoder {
 public:
  SegmentEncoder(const VocabIndex& index, const BasicOptions& options, int32_t unknown_id,
                 TokenRecords& out)
      : index_(index), options_(options), unknown_id_(unknown_id), out_(out) {}

  void encode(std::string_view piece, EncodeCounters& counters) {
    forEachBasicWord(piece, options_.tokenize_chinese_chars,
                     [&](std::string_view word, uint32_t length) {
                       if (word.size() == 1 && word[0] == ' ') {
                         ++counters.character;
                         return;
                       }
                       encodeWord(word, length, counters);
                     });
  }

 private:
  void encodeWord(std::string_view word, uint32_t length, EncodeCounters& counters) {
    std::string_view matched = word;
    if (options_.do_lower_case && needsLowerCasing(word)) {
      scratch_.clear();
      appendLowerCasedStripped(word, scratch_);
      matched = scratch_;
    }
    const auto word_id = int32_t(counters.word);
    const auto start = int32_t(counters.character);
    const auto end = int32_t(counters.character + length);
    forEachWordpieceId(matched, index_, unknown_id_, [&](int32_t id) {
      out_.push_back({id, word_id, start, end});
    });
    ++counters.word;
    counters.character += length;
  }

  const VocabIndex& index_;
  const BasicOptions& options_;
  const int32_t unknown_id_;
  TokenRecords& out_;
  std::string scratch_;
};

}  // namespace

void wordpieceEncodeSegment(const VocabIndex& index, std::string_view piece,
                            const BasicOptions& options, EncodeCounters& counters,
                            TokenRecords& out) {
  SegmentEncoder(index, options, index.lookupTokenId(kUnknownToken), out).encode(piece, counters);
}

TokenRecords wordpieceEncode(const VocabIndex& index, std::string_view text,
                             const BasicOptions& options, EncodeSpecials specials) {
  const FixedIds ids(index);
  TokenRecords out;
  // English averages about one token per five bytes.
  out.reserve(text.size() / 4 + 2);
  out.push_back({ids.cls, -1, -1, -1});
  SegmentEncoder segments(index, options, ids.unknown, out);
  EncodeCounters counters;
  if (specials == EncodeSpecials::kAsText) {
    segments.encode(text, counters);
  } else {
    for (std::string_view piece : splitOnSpecialTokens(text, kWordpieceSpecialTokens)) {
      if (!isSpecialText(piece)) {
        segments.encode(piece, counters);
        continue;
      }
      const auto length = uint32_t(utf8CountCodepoints(piece));
      out.push_back({index.lookupTokenId(piece), int32_t(counters.word),
                     int32_t(counters.character), int32_t(counters.character + length)});
      counters.character += length;
      ++counters.word;
    }
  }
  out.push_back({ids.sep, -1, -1, -1});
  return out;
}

}  // namespace nuvra::wordpiece
