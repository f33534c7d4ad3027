#ifndef NUVRA_TESTS_INTERFACE_TOKENIZER_HANDLE_H_
#define NUVRA_TESTS_INTERFACE_TOKENIZER_HANDLE_H_

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "nuvra_tokenizer.h"

namespace nuvra::testing {

struct TokenizerDeleter {
  void operator()(NuvraTokenizer* t) const { nuvraTokenizerDestroy(t); }
};
using Tokenizer = std::unique_ptr<NuvraTokenizer, TokenizerDeleter>;

inline Tokenizer makeTokenizer(int32_t type, int32_t flags = 0) {
  NuvraTokenizer* raw = nullptr;
  EXPECT_EQ(nuvraTokenizerCreate(&raw, type, flags), NUVRA_TOKENIZER_STATUS_SUCCESS);
  return Tokenizer(raw);
}

inline uint32_t vocabSize(NuvraTokenizer* t) {
  uint32_t size = 0xFFFFFFFF;
  EXPECT_EQ(nuvraTokenizerGetVocabSize(t, &size), 0);
  return size;
}

inline std::string vocabEntry(NuvraTokenizer* t, int32_t index) {
  const char* text = nullptr;
  const int32_t status = nuvraTokenizerGetVocab(t, index, &text);
  return status == 0 ? std::string(text) : "<status " + std::to_string(status) + ">";
}

// Every entry by id, holes as "".
inline std::vector<std::string> vocabEntries(NuvraTokenizer* t) {
  const uint32_t size = vocabSize(t);
  if (size == 0xFFFFFFFF) return {"<no size>"};
  std::vector<std::string> entries(size);
  for (size_t id = 0; id < entries.size(); ++id) entries[id] = vocabEntry(t, int32_t(id));
  return entries;
}

inline std::vector<int32_t> tokens(NuvraTokenizer* t) {
  uint32_t count = 0;
  EXPECT_EQ(nuvraTokenizerGetTokenCount(t, &count), 0);
  std::vector<int32_t> ids(count + 1);  // never a null array, even for no records
  EXPECT_EQ(nuvraTokenizerGetTokens(t, ids.data(), count), 0);
  ids.resize(count);
  return ids;
}

inline std::string text(NuvraTokenizer* t) {
  uint32_t length = 0;
  EXPECT_EQ(nuvraTokenizerGetTextLength(t, &length), 0);
  std::string buffer(length, '\x7F');
  EXPECT_EQ(nuvraTokenizerGetText(t, buffer.data(), length), 0);
  EXPECT_EQ(buffer.back(), '\0');
  buffer.pop_back();
  return buffer;
}

}  // namespace nuvra::testing

#endif  // NUVRA_TESTS_INTERFACE_TOKENIZER_HANDLE_H_
