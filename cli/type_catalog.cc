#include "type_catalog.h"

#include "nuvra_tokenizer.h"

namespace nuvra::cli {
namespace {

// Indexed by type number; the names are the header's enumerators.
constexpr TypeInfo kTypes[] = {
    {"bpe-transcript", kVocab | kMerges | kAddedTokens, 0, false},
    {"bpe-word-end", 0, 0, false},
    {"spm-shifted", kModel, kModel, false},
    {"spm-padded", kModel, kModel, false},
    {"wordpiece-ja", kDictionary | kVocab, kDictionary | kVocab, false},
    {"wordpiece-ja-char", kDictionary | kVocab, kDictionary | kVocab, false},
    {"spm-eos", kModel, kModel, false},
    {"bpe-files", kVocab | kMerges, kVocab | kMerges, true},
    {"wordpiece", kVocab | kConfig, kVocab, true},
    {"bpe-files-bare", kVocab | kMerges, kVocab | kMerges, false},
    {"spm-bos", kModel, kModel, false},
};
static_assert(sizeof(kTypes) / sizeof(kTypes[0]) == NUVRA_TOKENIZER_TYPE_SPM_BOS + 1);

struct KindText {
  FileKind kind;
  const char* option;
  const char* description;
};
constexpr KindText kKinds[] = {
    {kVocab, "--vocab", "vocabulary"},
    {kMerges, "--merges", "merge list"},
    {kAddedTokens, "--added-tokens", "added-tokens file"},
    {kConfig, "--config", "tokenizer configuration"},
    {kModel, "--model", "SentencePiece model"},
    {kDictionary, "--dictionary", "MeCab dictionary"},
};

const KindText& kindText(FileKind kind) {
  for (const KindText& text : kKinds) {
    if (text.kind == kind) return text;
  }
  return kKinds[0];
}

}  // namespace

const TypeInfo& typeInfo(int type) { return kTypes[type]; }

const char* optionName(FileKind kind) { return kindText(kind).option; }

const char* fileDescription(FileKind kind) { return kindText(kind).description; }

std::string optionList(unsigned kinds) {
  std::string list;
  for (const KindText& text : kKinds) {
    if ((kinds & text.kind) == 0) continue;
    if (!list.empty()) list += ", ";
    list += text.option;
  }
  return list.empty() ? "no file" : list;
}

std::map<std::string, int> typeNames() {
  std::map<std::string, int> names;
  for (int type = 0; type <= NUVRA_TOKENIZER_TYPE_SPM_BOS; ++type) names[kTypes[type].name] = type;
  return names;
}

}  // namespace nuvra::cli
