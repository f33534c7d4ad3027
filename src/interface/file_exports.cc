#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bpe/vocab_index.h"
#include "interface/family_bridge.h"
#include "interface/handle.h"
#include "interface/status_guard.h"
#include "interface/tokenizer_types.h"
#include "nuvra_tokenizer.h"
#include "readers/json_vocab_reader.h"
#include "readers/merge_file_reader.h"
#include "readers/tokenizer_config_reader.h"
#include "wordpiece/vocabulary.h"

namespace nuvra {
namespace {

using readers::FilePath;

enum class FileKind { kModel, kDictionary, kVocab, kMerges, kAddedTokens, kTokenizerConfig };

constexpr uint32_t kFileBpeTypes = (1u << 0) | (1u << 7) | (1u << 9);

uint32_t typesAccepting(FileKind kind) {
  switch (kind) {
    case FileKind::kModel: return kSentencePieceTypes;
    case FileKind::kDictionary: return kJapaneseWordpieceTypes;
    case FileKind::kVocab: return kFileBpeTypes | kWordpieceTypes | kJapaneseWordpieceTypes;
    case FileKind::kMerges: return kFileBpeTypes;
    case FileKind::kAddedTokens: return 1u << 0;
    case FileKind::kTokenizerConfig: return kWordpieceTypes;
  }
  return 0;
}

// Every table below is built aside and swapped in whole, so a file that
// cannot be opened or read leaves the handle exactly as it was.

// A vocabulary file starts a new list; added tokens extend the current one.
int32_t openJsonVocab(NuvraTokenizer& handle, const FilePath& path, bool extend) {
  std::optional<std::vector<readers::VocabPair>> pairs = readers::readJsonVocab(path);
  if (!pairs) return NUVRA_TOKENIZER_STATUS_ERROR_FILE_API;
  auto vocab = extend ? std::make_shared<std::vector<std::string>>(*handle.vocab)
                      : std::make_shared<std::vector<std::string>>();
  readers::storeVocabPairs(*pairs, *vocab);
  auto index = std::make_shared<const bpe::VocabIndex>(
      *vocab, handle.pre_tokenizer.special_pattern, *handle.byte_decoder);
  handle.vocab = std::move(vocab);
  handle.token_to_id.bpe = std::move(index);
  return NUVRA_TOKENIZER_STATUS_SUCCESS;
}

int32_t openWordpieceVocab(NuvraTokenizer& handle, const FilePath& path) {
  std::optional<std::vector<std::string>> entries = wordpiece::readWordpieceVocab(path);
  if (!entries) return NUVRA_TOKENIZER_STATUS_ERROR_FILE_API;
  auto vocab = std::make_shared<const std::vector<std::string>>(std::move(*entries));
  auto index = std::make_shared<const wordpiece::VocabIndex>(*vocab);
  handle.vocab = std::move(vocab);
  handle.token_to_id.wordpiece = std::move(index);
  return NUVRA_TOKENIZER_STATUS_SUCCESS;
}

int32_t openMerges(NuvraTokenizer& handle, const FilePath& path) {
  std::optional<readers::MergeList> rules = readers::readMergeFile(path);
  if (!rules) return NUVRA_TOKENIZER_STATUS_ERROR_FILE_API;
  handle.merges = std::make_shared<const bpe::MergeTable>(std::move(*rules));
  return NUVRA_TOKENIZER_STATUS_SUCCESS;
}

int32_t openTokenizerConfig(NuvraTokenizer& handle, const FilePath& path) {
  const std::optional<readers::TokenizerConfig> config = readers::readTokenizerConfig(
      path, {handle.tokenize_chinese_chars, handle.do_lower_case});
  if (!config) return NUVRA_TOKENIZER_STATUS_ERROR_FILE_API;
  handle.tokenize_chinese_chars = config->tokenize_chinese_chars;
  handle.do_lower_case = config->do_lower_case;
  return NUVRA_TOKENIZER_STATUS_SUCCESS;
}

int32_t openFile(NuvraTokenizer* handle, const FilePath& path, bool has_path, FileKind kind) {
  if (handle == nullptr || !has_path) return NUVRA_TOKENIZER_STATUS_INVALID_ARGUMENT;
  if (!typeIn(handle->type, typesAccepting(kind))) return NUVRA_TOKENIZER_STATUS_INVALID_STATE;
  return guardStatus([&] {
    switch (kind) {
      case FileKind::kModel: return loadSpmModel(*handle, path);
      case FileKind::kDictionary: return openJapaneseDictionary(*handle, path);
      case FileKind::kVocab:
        return typeIn(handle->type, kFileBpeTypes) ? openJsonVocab(*handle, path, false)
                                                   : openWordpieceVocab(*handle, path);
      case FileKind::kMerges: return openMerges(*handle, path);
      case FileKind::kAddedTokens: return openJsonVocab(*handle, path, true);
      case FileKind::kTokenizerConfig: return openTokenizerConfig(*handle, path);
    }
    return NUVRA_TOKENIZER_STATUS_INVALID_STATE;
  });
}

int32_t openNarrow(NuvraTokenizer* handle, const char* path, FileKind kind) {
  return openFile(handle, FilePath{path, nullptr}, path != nullptr, kind);
}

int32_t openWide(NuvraTokenizer* handle, const wchar_t* path, FileKind kind) {
  return openFile(handle, FilePath{nullptr, path}, path != nullptr, kind);
}

}  // namespace
}  // namespace nuvra

using nuvra::FileKind;
using nuvra::openNarrow;
using nuvra::openWide;

extern "C" {

NUVRA_TOKENIZER_API int32_t nuvraTokenizerOpenModelFileA(NuvraTokenizer* tokenizer,
                                                         const char* path) {
  return openNarrow(tokenizer, path, FileKind::kModel);
}

NUVRA_TOKENIZER_API int32_t nuvraTokenizerOpenModelFileW(NuvraTokenizer* tokenizer,
                                                         const wchar_t* path) {
  return openWide(tokenizer, path, FileKind::kModel);
}

NUVRA_TOKENIZER_API int32_t nuvraTokenizerOpenDictionaryFileA(NuvraTokenizer* tokenizer,
                                                              const char* path) {
  return openNarrow(tokenizer, path, FileKind::kDictionary);
}

NUVRA_TOKENIZER_API int32_t nuvraTokenizerOpenDictionaryFileW(NuvraTokenizer* tokenizer,
                                                              const wchar_t* path) {
  return openWide(tokenizer, path, FileKind::kDictionary);
}

NUVRA_TOKENIZER_API int32_t nuvraTokenizerOpenVocabFileA(NuvraTokenizer* tokenizer,
                                                         const char* path) {
  return openNarrow(tokenizer, path, FileKind::kVocab);
}

NUVRA_TOKENIZER_API int32_t nuvraTokenizerOpenVocabFileW(NuvraTokenizer* tokenizer,
                                                         const wchar_t* path) {
  return openWide(tokenizer, path, FileKind::kVocab);
}

NUVRA_TOKENIZER_API int32_t nuvraTokenizerOpenMergeFileA(NuvraTokenizer* tokenizer,
                                                         const char* path) {
  return openNarrow(tokenizer, path, FileKind::kMerges);
}

NUVRA_TOKENIZER_API int32_t nuvraTokenizerOpenMergeFileW(NuvraTokenizer* tokenizer,
                                                         const wchar_t* path) {
  return openWide(tokenizer, path, FileKind::kMerges);
}

NUVRA_TOKENIZER_API int32_t nuvraTokenizerOpenAddedTokensFileA(NuvraTokenizer* tokenizer,
                                                               const char* path) {
  return openNarrow(tokenizer, path, FileKind::kAddedTokens);
}

NUVRA_TOKENIZER_API int32_t nuvraTokenizerOpenAddedTokensFileW(NuvraTokenizer* tokenizer,
                                                               const wchar_t* path) {
  return openWide(tokenizer, path, FileKind::kAddedTokens);
}

NUVRA_TOKENIZER_API int32_t nuvraTokenizerOpenTokenizerConfigFileA(NuvraTokenizer* tokenizer,
                                                                   const char* path) {
  return openNarrow(tokenizer, path, FileKind::kTokenizerConfig);
}

NUVRA_TOKENIZER_API int32_t nuvraTokenizerOpenTokenizerConfigFileW(NuvraTokenizer* tokenizer,
                                                                   const wchar_t* path) {
  return openWide(tokenizer, path, FileKind::kTokenizerConfig);
}

}  // extern "C"
