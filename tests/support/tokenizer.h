#ifndef NUVRA_TESTS_SUPPORT_TOKENIZER_H_
#define NUVRA_TESTS_SUPPORT_TOKENIZER_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "nuvra_tokenizer.h"
#include "support/temp_files.h"

namespace nuvra::testing {

using Ids = std::vector<int32_t>;
constexpr bool kWithSpecials = true;

inline std::string statusText(int32_t status) {
  return "<status " + std::to_string(status) + ">";
}

// Reads of any handle, one a test owns or one it only looks at.
inline Ids recordField(NuvraTokenizer* t, int32_t (*query)(NuvraTokenizer*, int32_t*, uint32_t)) {
  uint32_t count = 0;
  EXPECT_EQ(nuvraTokenizerGetTokenCount(t, &count), NUVRA_TOKENIZER_STATUS_SUCCESS);
  Ids out(count + 1, -999);
  EXPECT_EQ(query(t, out.data(), count), NUVRA_TOKENIZER_STATUS_SUCCESS);
  out.pop_back();
  return out;
}
inline Ids tokens(NuvraTokenizer* t) { return recordField(t, nuvraTokenizerGetTokens); }
inline std::string text(NuvraTokenizer* t) {
  uint32_t length = 0;
  EXPECT_EQ(nuvraTokenizerGetTextLength(t, &length), NUVRA_TOKENIZER_STATUS_SUCCESS);
  std::string out(length, '\x7F');
  EXPECT_EQ(nuvraTokenizerGetText(t, out.data(), length), NUVRA_TOKENIZER_STATUS_SUCCESS);
  EXPECT_EQ(out.back(), '\0');
  out.pop_back();
  return out;
}
inline uint32_t vocabSize(NuvraTokenizer* t) {
  uint32_t size = 0;
  EXPECT_EQ(nuvraTokenizerGetVocabSize(t, &size), NUVRA_TOKENIZER_STATUS_SUCCESS);
  return size;
}
// The entry, or "<status N>" when the query fails.
inline std::string vocabEntry(NuvraTokenizer* t, int32_t id) {
  const char* entry = nullptr;
  const int32_t status = nuvraTokenizerGetVocab(t, id, &entry);
  return status == NUVRA_TOKENIZER_STATUS_SUCCESS ? entry : statusText(status);
}
inline std::vector<std::string> vocabEntries(NuvraTokenizer* t) {
  std::vector<std::string> out(vocabSize(t));
  for (size_t id = 0; id < out.size(); ++id) out[id] = vocabEntry(t, int32_t(id));
  return out;
}

// What a caller sees of `t` on encoding `input` each way and decoding the
// ids each way: statuses, ids and texts in one string. Replaces the results.
inline std::string observe(NuvraTokenizer* t, const std::string& input) {
  std::string out;
  for (bool specials : {false, true}) {
    out += std::to_string(specials ? nuvraTokenizerEncodeWithSpecialTokens(t, input.c_str())
                                   : nuvraTokenizerEncode(t, input.c_str())) + ":";
    const Ids ids = tokens(t);
    for (int32_t id : ids) out += " " + std::to_string(id);
    const int32_t none = 0;
    const int32_t* data = ids.empty() ? &none : ids.data();
    // One statement a call: the operands of + are unsequenced.
    out += "|" + std::to_string(nuvraTokenizerDecode(t, data, uint32_t(ids.size())));
    out += text(t);
    out += "|" + std::to_string(nuvraTokenizerDecodeWithSpecialTokens(t, data, uint32_t(ids.size())));
    out += text(t) + "\n";
  }
  return out;
}

// A handle through the public interface, destroyed with the test. Reads
// never pass a null array, even for no records.
class Tokenizer {
 public:
  explicit Tokenizer(int32_t type, int32_t flags = NUVRA_TOKENIZER_FLAG_NONE) {
    EXPECT_EQ(nuvraTokenizerCreate(&handle_, type, flags), NUVRA_TOKENIZER_STATUS_SUCCESS);
  }
  // Takes over a handle made elsewhere (null is allowed).
  explicit Tokenizer(NuvraTokenizer* adopted) : handle_(adopted) {}
  ~Tokenizer() { nuvraTokenizerDestroy(handle_); }
  Tokenizer(Tokenizer&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
  Tokenizer(const Tokenizer&) = delete;
  Tokenizer& operator=(const Tokenizer&) = delete;
  NuvraTokenizer* get() const { return handle_; }

  int32_t openVocab(const std::string& path) {
    return nuvraTokenizerOpenVocabFileA(handle_, path.c_str());
  }
  int32_t openMerges(const std::string& path) {
    return nuvraTokenizerOpenMergeFileA(handle_, path.c_str());
  }
  int32_t openModel(const std::string& path) {
    return nuvraTokenizerOpenModelFileA(handle_, path.c_str());
  }
  int32_t openConfig(const std::string& path) {
    return nuvraTokenizerOpenTokenizerConfigFileA(handle_, path.c_str());
  }

  int32_t encode(const std::string& text, bool specials = false) {
    return specials ? nuvraTokenizerEncodeWithSpecialTokens(handle_, text.c_str())
                    : nuvraTokenizerEncode(handle_, text.c_str());
  }
  // Ids of `text`, or {-999, status} when the encode fails.
  Ids ids(const std::string& text, bool specials = false) {
    const int32_t status = encode(text, specials);
    return status == NUVRA_TOKENIZER_STATUS_SUCCESS ? tokens() : Ids{-999, status};
  }
  Ids tokens() const { return recordField(handle_, nuvraTokenizerGetTokens); }
  Ids wordIds() const { return recordField(handle_, nuvraTokenizerGetWordIDs); }
  Ids charStarts() const { return recordField(handle_, nuvraTokenizerGetCharStarts); }
  Ids charEnds() const { return recordField(handle_, nuvraTokenizerGetCharEnds); }

  int32_t decode(const Ids& ids, bool specials = false) {
    static const int32_t kNone = 0;
    const int32_t* data = ids.empty() ? &kNone : ids.data();
    return specials ? nuvraTokenizerDecodeWithSpecialTokens(handle_, data, uint32_t(ids.size()))
                    : nuvraTokenizerDecode(handle_, data, uint32_t(ids.size()));
  }
  // The decoded text, or "<status N>" when the decode fails.
  std::string text(const Ids& ids, bool specials = false) {
    const int32_t status = decode(ids, specials);
    return status == NUVRA_TOKENIZER_STATUS_SUCCESS ? decodedText() : testing::statusText(status);
  }
  std::string decodedText() const { return testing::text(handle_); }

  uint32_t vocabSize() const { return testing::vocabSize(handle_); }
  std::string vocabEntry(int32_t id) const { return testing::vocabEntry(handle_, id); }
  std::vector<std::string> vocabEntries() const { return testing::vocabEntries(handle_); }

 private:
  NuvraTokenizer* handle_ = nullptr;
};

// A JSON token-to-id object of the pairs, keys written as they are.
inline std::string jsonVocab(const std::vector<std::pair<std::string, int32_t>>& pairs) {
  std::string out = "{";
  for (const auto& [text, id] : pairs) {
    out += (out.size() > 1 ? ", \"" : "\"") + text + "\": " + std::to_string(id);
  }
  return out + "}";
}

// Vocabulary and merge files written once, opened into as many handles as a
// test needs.
class BpeFiles {
 public:
  BpeFiles(const std::string& vocab_json, const std::string& merges)
      : vocab_(dir_.write("vocab.json", vocab_json)), merges_(dir_.write("merges.txt", merges)) {}
  void open(Tokenizer& t) const {
    ASSERT_EQ(t.openVocab(vocab_), NUVRA_TOKENIZER_STATUS_SUCCESS);
    ASSERT_EQ(t.openMerges(merges_), NUVRA_TOKENIZER_STATUS_SUCCESS);
  }

 private:
  TempDir dir_;  // before the paths: they are written into it
  std::string vocab_, merges_;
};

}  // namespace nuvra::testing

#endif  // NUVRA_TESTS_SUPPORT_TOKENIZER_H_
