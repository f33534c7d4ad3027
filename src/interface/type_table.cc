#include "interface/type_table.h"

#include <initializer_list>

#include "bpe/bpe_family.h"
#include "nuvra_tokenizer.h"
#include "sentencepiece/sentencepiece_family.h"
#include "wordpiece/japanese_family.h"
#include "wordpiece/wordpiece_family.h"

namespace nuvra {
namespace {

using bpe::TagPattern;
using bpe::WordPattern;

constexpr uint32_t files(std::initializer_list<FileKind> kinds) {
  uint32_t bits = 0;
  for (FileKind kind : kinds) bits |= 1u << unsigned(kind);
  return bits;
}

constexpr TypeDescription bpeType(std::string_view name, uint32_t accepted, bool positions,
                                  const bpe::TypeOptions& options) {
  return {name, FamilyKind::kBpe, accepted, Status::kInvalidState, positions, options, {}, {}};
}

constexpr TypeDescription wordpieceType(std::string_view name, FamilyKind family,
                                        uint32_t accepted, bool positions,
                                        wordpiece::WordSplit split) {
  return {name, family, accepted, Status::kInvalidState, positions, {}, {split}, {}};
}

constexpr TypeDescription spmType(std::string_view name, const spm::TypeOptions& options) {
  return {name, FamilyKind::kSentencePiece, files({FileKind::kModel}), Status::kInvalidState,
          false, {}, {}, options};
}

// The framing ids of the BPE types are fixed numbers: the built-in
// vocabularies hold "<|startoftranscript|>" 50258 and "<|endoftext|>" 50257
// (type 0), "<|startoftext|>" 49406 and "<|endoftext|>" 49407 (type 1); the
// files of type 7 are expected to hold "<s>" 0, "</s>" 2 and "<unk>" 3.
constexpr TypeDescription kTypes[] = {
    bpeType("BPE_TRANSCRIPT", files({FileKind::kVocab, FileKind::kMerges, FileKind::kAddedTokens}),
            false,
            {50258, 50257, bpe::kNoId,
             {TagPattern::kPipeTag, WordPattern::kAsciiDigit, TagPattern::kPipeTag},
             false,
             bpe::BuiltinList::kTranscript}),
    bpeType("BPE_WORD_END", files({}), false,
            {49406, 49407, bpe::kNoId,
             {TagPattern::kPipeTag, WordPattern::kWordEnd, TagPattern::kPipeTag},
             true,
             bpe::BuiltinList::kWordEnd}),
    spmType("SPM_SHIFTED",
            {spm::IdLayout::kShifted, true, true, false, spm::SpecialSpacing::kNone}),
    spmType("SPM_PADDED",
            {spm::IdLayout::kPadAfterPieces, false, true, false,
             spm::SpecialSpacing::kAfterInnerSpecial}),
    wordpieceType("WORDPIECE_JA", FamilyKind::kJapaneseWordpiece,
                  files({FileKind::kDictionary, FileKind::kVocab}), false,
                  wordpiece::WordSplit::kAnalyzerWordpiece),
    wordpieceType("WORDPIECE_JA_CHAR", FamilyKind::kJapaneseWordpiece,
                  files({FileKind::kDictionary, FileKind::kVocab}), false,
                  wordpiece::WordSplit::kAnalyzerCharacters),
    spmType("SPM_EOS", {spm::IdLayout::kModel, false, true, true,
                        spm::SpecialSpacing::kBeforeWordAfterSpecial}),
    bpeType("BPE_FILES", files({FileKind::kVocab, FileKind::kMerges}), true,
            {0, 2, 3,
             {TagPattern::kAngleTag, WordPattern::kAsciiDigit, TagPattern::kAngleTag},
             false,
             bpe::BuiltinList::kNone}),
    wordpieceType("WORDPIECE", FamilyKind::kWordpiece,
                  files({FileKind::kVocab, FileKind::kTokenizerConfig}), true,
                  wordpiece::WordSplit::kBasicTokenizer),
    bpeType("BPE_FILES_BARE", files({FileKind::kVocab, FileKind::kMerges}), false,
            {bpe::kNoId, bpe::kNoId, bpe::kNoId,
             {TagPattern::kAngleTag, WordPattern::kUnicodeDigit, TagPattern::kAngleTag},
             false,
             bpe::BuiltinList::kNone}),
    spmType("SPM_BOS", {spm::IdLayout::kModel, true, false, false, spm::SpecialSpacing::kNone}),
};

static_assert(sizeof kTypes / sizeof kTypes[0] == NUVRA_TOKENIZER_TYPE_SPM_BOS + 1,
              "one row per type of the C interface");

}  // namespace

const TypeDescription* findType(uint32_t type) {
  return type < sizeof kTypes / sizeof kTypes[0] ? &kTypes[type] : nullptr;
}

std::unique_ptr<Family> createFamily(const TypeDescription& type, uint32_t flags) {
  switch (type.family) {
    case FamilyKind::kBpe:
      return std::make_unique<bpe::BpeFamily>(type.bpe,
                                              (flags & NUVRA_TOKENIZER_FLAG_UTF8_SAFE) != 0);
    case FamilyKind::kWordpiece: return std::make_unique<wordpiece::WordpieceFamily>();
    case FamilyKind::kJapaneseWordpiece:
      return std::make_unique<wordpiece::JapaneseFamily>(type.wordpiece);
    case FamilyKind::kSentencePiece: return std::make_unique<spm::SentencePieceFamily>(type.spm);
  }
  return nullptr;
}

}  // namespace nuvra
