#include "sentencepiece/model_settings.h"

#include <cstdint>

namespace nuvra::spm {
namespace {

constexpr std::string_view kWordStart = "\xE2\x96\x81";  // U+2581

// Field numbers of the package's model description (sentencepiece_model.proto).
enum : uint32_t {
  kModelPieces = 1, kModelTrainerSpec = 2, kModelNormalizerSpec = 3,
  kPieceText = 1, kPieceType = 3,
  kTrainerModelType = 3, kTrainerSplitByWhitespace = 22, kTrainerWhitespaceAsSuffix = 24,
  kNormalizerName = 1, kNormalizerCharsmap = 2, kNormalizerDummyPrefix = 3,
  kNormalizerRemoveExtraWhitespaces = 4, kNormalizerEscapeWhitespaces = 5,
};

enum : uint64_t { kUnigram = 1, kBpe = 2, kWord = 3, kChar = 4 };
enum : uint64_t { kNormalPiece = 1, kUserDefinedPiece = 4 };

// One field of a protobuf message on the wire: varints and length-delimited
// values are kept, fixed-size ones skipped. Groups do not occur in a model.
class WireReader {
 public:
  explicit WireReader(std::string_view bytes) : rest_(bytes) {}

  // The next field; false at the end or on malformed input (then `failed`).
  bool next(uint32_t& field, uint64_t& number, std::string_view& bytes) {
    if (rest_.empty()) return false;
    uint64_t key = 0;
    if (!varint(key)) return fail();
    field = uint32_t(key >> 3);
    switch (key & 7) {
      case 0: return varint(number) || fail();
      case 1: return skip(8);
      case 5: return skip(4);
      case 2: {
        uint64_t length = 0;
        if (!varint(length) || length > rest_.size()) return fail();
        bytes = rest_.substr(0, size_t(length));
        rest_.remove_prefix(size_t(length));
        return true;
      }
      default: return fail();
    }
  }
  bool failed() const { return failed_; }

 private:
  bool varint(uint64_t& value) {
    value = 0;
    for (int shift = 0; shift < 64 && !rest_.empty(); shift += 7) {
      const auto byte = static_cast<uint8_t>(rest_.front());
      rest_.remove_prefix(1);
      value |= uint64_t(byte & 0x7F) << shift;
      if ((byte & 0x80) == 0) return true;
    }
    return false;
  }
  bool skip(size_t n) {
    if (n > rest_.size()) return fail();
    rest_.remove_prefix(n);
    return true;
  }
  bool fail() {
    failed_ = true;
    return false;
  }

  std::string_view rest_;
  bool failed_ = false;
};

// Message defaults; a field given twice keeps its last value, as when the
// library merges repeated messages.
struct Settings {
  uint64_t model_type = kUnigram;
  bool split_by_whitespace = true;
  bool whitespace_as_suffix = false;
  std::string_view normalizer_name;
  bool has_charsmap = false;
  bool dummy_prefix = true;
  bool remove_extra_whitespaces = true;
  bool escape_whitespaces = true;
};

// Whether `piece` could stand across a cut: "a▁b" always; "▁▁a" only when
// marks end words, "a▁▁" only when they start them.
bool spansWords(std::string_view piece, bool suffix) {
  if (piece.find(' ') != std::string_view::npos) return true;
  size_t p = 0;
  if (!suffix) {
    while (piece.substr(p, kWordStart.size()) == kWordStart) p += kWordStart.size();
    return piece.find(kWordStart, p) != std::string_view::npos;
  }
  size_t end = piece.size();
  while (end >= kWordStart.size() &&
         piece.substr(end - kWordStart.size(), kWordStart.size()) == kWordStart) {
    end -= kWordStart.size();
  }
  return piece.substr(0, end).find(kWordStart) != std::string_view::npos;
}

bool readSpec(std::string_view bytes, Settings& s, bool trainer) {
  WireReader message(bytes);
  uint32_t field = 0;
  uint64_t number = 0;
  std::string_view value;
  while (message.next(field, number, value)) {
    if (trainer) {
      if (field == kTrainerModelType) s.model_type = number;
      if (field == kTrainerSplitByWhitespace) s.split_by_whitespace = number != 0;
      if (field == kTrainerWhitespaceAsSuffix) s.whitespace_as_suffix = number != 0;
      continue;
    }
    switch (field) {
      case kNormalizerName: s.normalizer_name = value; break;
      case kNormalizerCharsmap: s.has_charsmap = !value.empty(); break;
      case kNormalizerDummyPrefix: s.dummy_prefix = number != 0; break;
      case kNormalizerRemoveExtraWhitespaces: s.remove_extra_whitespaces = number != 0; break;
      case kNormalizerEscapeWhitespaces: s.escape_whitespaces = number != 0; break;
      default: break;
    }
  }
  return !message.failed();
}

// The built-in rules map ASCII printable characters to themselves and
// change nothing around a space that the space's own position does not
// show (a space and a combining mark after it stay as they are); custom
// rules might do anything.
bool normalisationKeepsSpaces(const Settings& s) {
  if (!s.has_charsmap) return true;
  const std::string_view n = s.normalizer_name;
  return n == "nfkc" || n == "nmt_nfkc" || n == "nfkc_cf" || n == "nmt_nfkc_cf";
}

}  // namespace

CutRule cutRuleOf(std::string_view serialized_model) {
  Settings s;
  // The mark's side is known only after the pieces, which come first.
  bool spans_as_prefix = false;
  bool spans_as_suffix = false;
  bool mark_is_piece = false;
  WireReader model(serialized_model);
  uint32_t field = 0;
  uint64_t number = 0;
  std::string_view value;
  while (model.next(field, number, value)) {
    if (field == kModelTrainerSpec && !readSpec(value, s, true)) return {};
    if (field == kModelNormalizerSpec && !readSpec(value, s, false)) return {};
    if (field != kModelPieces) continue;
    WireReader piece(value);
    std::string_view text;
    uint64_t type = kNormalPiece;
    while (piece.next(field, number, value)) {
      if (field == kPieceText) text = value;
      if (field == kPieceType) type = number;
    }
    if (piece.failed()) return {};
    spans_as_prefix |= spansWords(text, false);
    spans_as_suffix |= spansWords(text, true);
    mark_is_piece |= text == kWordStart && (type == kNormalPiece || type == kUserDefinedPiece);
  }
  if (model.failed()) return {};
  if (s.whitespace_as_suffix ? spans_as_suffix : spans_as_prefix) return {};
  // A unigram model's best path sums float scores from the start of the
  // text, so ties between equal-score paths ("-" "---" or "---" "-") fall
  // by rounding that depends on the text before them: no cut reproduces
  // one call exactly. BPE and character models decide within each word.
  // The library joins adjacent unknown pieces into one, so the mark that
  // starts (or ends) each piece of the cut must be known: a word model's
  // unknown words join across spaces.
  const bool words_apart = (s.model_type == kBpe || s.model_type == kChar) && mark_is_piece;
  CutRule rule;
  rule.at_spaces = words_apart && s.split_by_whitespace && s.dummy_prefix &&
                   s.escape_whitespaces && normalisationKeepsSpaces(s);
  // Without a normaliser nothing changes; with extra white space removed
  // a byte that becomes a space or nothing merges into the cut's space.
  rule.after_any_byte = rule.at_spaces && (!s.has_charsmap || s.remove_extra_whitespaces);
  rule.marks_end_words = s.whitespace_as_suffix;
  return rule;
}

}  // namespace nuvra::spm
