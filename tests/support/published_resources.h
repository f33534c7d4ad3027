#ifndef NUVRA_TESTS_SUPPORT_PUBLISHED_RESOURCES_H_
#define NUVRA_TESTS_SUPPORT_PUBLISHED_RESOURCES_H_

#include <string>

#include "nuvra_tokenizer.h"

namespace nuvra::testing {

inline std::string publishedFile(const std::string& name) { return std::string(NUVRA_DATA_DIR) + "/" + name; }

// Opens the published files a caller would give a handle of `type`; false
// when one fails. The dictionary of types 4 and 5 may be missing (then they
// encode nothing), so it does not count.
inline bool openPublishedResources(NuvraTokenizer* t, int32_t type) {
  static const char* const kFiles[11][2] = {
      {"whisper-multilingual/added_tokens.json", nullptr}, {nullptr, nullptr},
      {"spm/barthez-sentencepiece.bpe.model", nullptr}, {"spm/opus-mt-en-mg-source.spm", nullptr},
      {"bert/bert-base-japanese-v3-vocab.txt", nullptr}, {"bert/bert-base-japanese-v3-vocab.txt", nullptr},
      {"spm/t5-spiece.model", nullptr}, {"gpt2/vocab.json", "gpt2/merges.txt"},
      {"bert/bert-base-cased-vocab.txt", nullptr}, {"roberta/vocab.json", "roberta/merges.txt"},
      {"spm/llama-tokenizer.model", nullptr}};
  using Open = int32_t (*)(NuvraTokenizer*, const char*);
  const Open first = type == 0 ? nuvraTokenizerOpenAddedTokensFileA
                     : (type == 2 || type == 3 || type == 6 || type == 10) ? nuvraTokenizerOpenModelFileA
                                                                           : nuvraTokenizerOpenVocabFileA;
  if (type == 4 || type == 5) nuvraTokenizerOpenDictionaryFileA(t, NUVRA_MECAB_DICTIONARY);
  bool ok = kFiles[type][0] == nullptr || first(t, publishedFile(kFiles[type][0]).c_str()) == 0;
  if (kFiles[type][1] != nullptr) ok = nuvraTokenizerOpenMergeFileA(t, publishedFile(kFiles[type][1]).c_str()) == 0 && ok;
  return ok;
}

}  // namespace nuvra::testing

#endif  // NUVRA_TESTS_SUPPORT_PUBLISHED_RESOURCES_H_
