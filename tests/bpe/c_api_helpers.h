#ifndef NUVRA_TESTS_BPE_C_API_HELPERS_H_
#define NUVRA_TESTS_BPE_C_API_HELPERS_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "nuvra_tokenizer.h"
#include "support/temp_files.h"

namespace nuvra::testing {

using Ids = std::vector<int32_t>;

// A handle through the public interface, destroyed with the test.
class Tokenizer {
 public:
  explicit Tokenizer(int32_t type, int32_t flags = NUVRA_TOKENIZER_FLAG_NONE) {
    EXPECT_EQ(nuvraTokenizerCreate(&handle_, type, flags), NUVRA_TOKENIZER_STATUS_SUCCESS);
  }
  ~Tokenizer() { nuvraTokenizerDestroy(handle_); }
  Tokenizer(const Tokenizer&) = delete;
  Tokenizer& operator=(const Tokenizer&) = delete;

  NuvraTokenizer* get() const { return handle_; }

  int32_t openVocab(const std::string& path) {
    return nuvraTokenizerOpenVocabFileA(handle_, path.c_str());
  }
  int32_t openMerges(const std::string& path) {
    return nuvraTokenizerOpenMergeFileA(handle_, path.c_str());
  }

  // Status of the encode; the records are read with the queries below.
  int32_t encode(const std::string& text, bool with_special = false) {
    return with_special ? nuvraTokenizerEncodeWithSpecialTokens(handle_, text.c_str())
                        : nuvraTokenizerEncode(handle_, text.c_str());
  }
  // Ids of `text`, or {-999, status} when the encode fails.
  Ids ids(const std::string& text, bool with_special = false) {
    const int32_t status = encode(text, with_special);
    if (status != NUVRA_TOKENIZER_STATUS_SUCCESS) return {-999, status};
    return tokens();
  }

  Ids tokens() const { return field(nuvraTokenizerGetTokens); }
  Ids wordIds() const { return field(nuvraTokenizerGetWordIDs); }
  Ids charStarts() const { return field(nuvraTokenizerGetCharStarts); }
  Ids charEnds() const { return field(nuvraTokenizerGetCharEnds); }

  int32_t decode(const Ids& ids, bool with_special = false) {
    const int32_t* data = ids.empty() ? &empty_ : ids.data();
    const auto count = uint32_t(ids.size());
    return with_special ? nuvraTokenizerDecodeWithSpecialTokens(handle_, data, count)
                        : nuvraTokenizerDecode(handle_, data, count);
  }
  // The decoded text, or "<status N>" when the decode fails.
  std::string text(const Ids& ids, bool with_special = false) {
    const int32_t status = decode(ids, with_special);
    if (status != NUVRA_TOKENIZER_STATUS_SUCCESS) return "<status " + std::to_string(status) + ">";
    return decodedText();
  }
  std::string decodedText() const {
    uint32_t length = 0;
    EXPECT_EQ(nuvraTokenizerGetTextLength(handle_, &length), NUVRA_TOKENIZER_STATUS_SUCCESS);
    std::string out(length, '\0');
    EXPECT_EQ(nuvraTokenizerGetText(handle_, out.data(), length), NUVRA_TOKENIZER_STATUS_SUCCESS);
    out.pop_back();  // the terminator
    return out;
  }

  uint32_t vocabSize() const {
    uint32_t size = 0;
    EXPECT_EQ(nuvraTokenizerGetVocabSize(handle_, &size), NUVRA_TOKENIZER_STATUS_SUCCESS);
    return size;
  }
  std::string vocabEntry(int32_t id) const {
    const char* text = nullptr;
    EXPECT_EQ(nuvraTokenizerGetVocab(handle_, id, &text), NUVRA_TOKENIZER_STATUS_SUCCESS);
    return text != nullptr ? text : "";
  }
  // Id of the vocabulary entry `entry` (lowest id), or -1.
  int32_t idOf(const std::string& entry) const {
    const auto size = int32_t(vocabSize());
    for (int32_t id = 0; id < size; ++id) {
      if (vocabEntry(id) == entry) return id;
    }
    return -1;
  }

 private:
  Ids field(int32_t (*query)(NuvraTokenizer*, int32_t*, uint32_t)) const {
    uint32_t count = 0;
    EXPECT_EQ(nuvraTokenizerGetTokenCount(handle_, &count), NUVRA_TOKENIZER_STATUS_SUCCESS);
    Ids out(count + 1, -999);  // never a null array
    EXPECT_EQ(query(handle_, out.data(), count), NUVRA_TOKENIZER_STATUS_SUCCESS);
    out.pop_back();
    return out;
  }

  NuvraTokenizer* handle_ = nullptr;
  int32_t empty_ = 0;
};

// A JSON token-to-id object of the pairs, keys written as they are.
inline std::string jsonVocab(const std::vector<std::pair<std::string, int32_t>>& pairs) {
  std::string out = "{";
  for (const auto& [text, id] : pairs) {
    if (out.size() > 1) out += ", ";
    out += "\"" + text + "\": " + std::to_string(id);
  }
  return out + "}";
}

// A vocabulary and, if given, a merge list written to files of their own,
// opened into as many handles as a test needs.
class BpeFiles {
 public:
  explicit BpeFiles(const std::string& vocab_json,
                    const std::optional<std::string>& merges = std::nullopt)
      : vocab_(dir_.write("vocab.json", vocab_json)) {
    if (merges) merges_ = dir_.write("merges.txt", *merges);
  }

  void open(Tokenizer& tokenizer) const {
    ASSERT_EQ(tokenizer.openVocab(vocab_), NUVRA_TOKENIZER_STATUS_SUCCESS);
    if (merges_) {
      ASSERT_EQ(tokenizer.openMerges(*merges_), NUVRA_TOKENIZER_STATUS_SUCCESS);
    }
  }

 private:
  TempDir dir_;  // before the paths: they are written into it
  std::string vocab_;
  std::optional<std::string> merges_;
};

}  // namespace nuvra::testing

#endif  // NUVRA_TESTS_BPE_C_API_HELPERS_H_
