#include "base/family.h"
#include "interface/handle.h"
#include "interface/status_guard.h"
#include "nuvra_tokenizer.h"

namespace nuvra {
namespace {

int32_t openFile(NuvraTokenizer* handle, const FilePath& path, bool has_path, FileKind kind) {
  if (handle == nullptr || !has_path) return NUVRA_TOKENIZER_STATUS_INVALID_ARGUMENT;
  if (!handle->type->accepts(kind)) return int32_t(handle->type->refused_file_status);
  return guardStatus([&] { return handle->family->open(kind, path); });
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
