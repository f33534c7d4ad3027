#ifndef NUVRA_FUZZ_FUZZ_SUPPORT_H_
#define NUVRA_FUZZ_FUZZ_SUPPORT_H_

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "nuvra_tokenizer.h"
#include "support/published_resources.h"

// Shared by the fuzz targets: they reach the library only through its exports.
namespace nuvra::fuzz {

// A status the call cannot return is a finding like a crash.
inline void require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "broken promise: %s\n", what);
  std::abort();
}

inline bool isStatus(int32_t s) { return s == 0 || s == -1 || s == -2 || s == -5 || s == -7 || s == -128; }

// This process's own directory, so that parallel fuzzing jobs never share files.
inline const std::string& tempDir() {
  static const std::string dir = [] {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr ? base : "/tmp") + "/nuvra_fuzz_XXXXXX";
    require(mkdtemp(pattern.data()) != nullptr, "mkdtemp");
    static const std::string removed = pattern;
    std::atexit([] { std::system(("rm -rf '" + removed + "'").c_str()); });
    return pattern;
  }();
  return dir;
}

inline std::string writeFile(const char* name, const uint8_t* data, size_t size) {
  const std::string path = tempDir() + "/" + name;
  FILE* file = std::fopen(path.c_str(), "wb");
  require(file != nullptr && std::fwrite(data, 1, size, file) == size, "write temp file");
  std::fclose(file);
  return path;
}

inline NuvraTokenizer* create(int32_t type, int32_t flags = 0) {
  NuvraTokenizer* t = nullptr;
  require(nuvraTokenizerCreate(&t, type, flags) == 0 && t != nullptr, "create");
  return t;
}

// A handle of `type` with the published resources a caller would give it.
inline NuvraTokenizer* loadedHandle(int32_t type, int32_t flags = 0) {
  NuvraTokenizer* t = create(type, flags);
  require(testing::openPublishedResources(t, type), "open a published resource");
  return t;
}

// Reads every result and vocabulary query back, checking what always holds.
inline void queryAll(NuvraTokenizer* t, int32_t type, uint32_t probe) {
  uint32_t count = 0;
  require(nuvraTokenizerGetTokenCount(t, &count) == 0, "token count");
  std::vector<int32_t> ids(count + 1), words(count + 1), starts(count + 1), ends(count + 1);
  require(nuvraTokenizerGetTokens(t, ids.data(), count) == 0, "tokens");
  const bool positions = type == 7 || type == 8;
  const int32_t expected = positions ? 0 : -7;
  require(nuvraTokenizerGetWordIDs(t, words.data(), count) == expected, "word ids");
  require(nuvraTokenizerGetCharStarts(t, starts.data(), count) == expected, "char starts");
  require(nuvraTokenizerGetCharEnds(t, ends.data(), count) == expected, "char ends");
  if (count > 0) require(nuvraTokenizerGetTokens(t, ids.data(), count - 1) == -1, "small array");
  for (uint32_t i = 0; positions && i < count; ++i) {
    require(starts[i] <= ends[i], "span start after its end");
  }
  uint32_t length = 0;
  require(nuvraTokenizerGetTextLength(t, &length) == 0 && length > 0, "text length");
  std::string text(length, '\x7F');
  require(nuvraTokenizerGetText(t, text.data(), length - 1) == -1, "small buffer");
  require(nuvraTokenizerGetText(t, text.data(), length) == 0 && text.back() == '\0', "text");
  uint32_t size = 0;
  require(nuvraTokenizerGetVocabSize(t, &size) == 0, "vocab size");
  const char* entry = nullptr;
  require(nuvraTokenizerGetVocab(t, -1, &entry) == -1, "negative vocab index");
  require(size > INT32_MAX || nuvraTokenizerGetVocab(t, int32_t(size), &entry) == -1, "index past the end");
  for (uint32_t index : {0u, size - 1, probe % (size + 1)}) {
    if (index >= size || index > INT32_MAX) continue;
    const int32_t status = nuvraTokenizerGetVocab(t, int32_t(index), &entry);
    require(status == 0 || status == -5, "vocab entry");
    if (status == 0) require(std::strlen(entry) < (size_t(1) << 31), "vocab text");
  }
}

// Both encode calls on `text`, then both decode calls on the ids and the
// queries after each step.
inline void exercise(NuvraTokenizer* t, int32_t type, const char* text, uint32_t probe) {
  for (bool specials : {false, true}) {
    const int32_t status = specials ? nuvraTokenizerEncodeWithSpecialTokens(t, text) : nuvraTokenizerEncode(t, text);
    require(status == 0 || status == -7, "encode status");
    queryAll(t, type, probe);
  }
  uint32_t count = 0;
  nuvraTokenizerGetTokenCount(t, &count);
  std::vector<int32_t> ids(count + 1);
  nuvraTokenizerGetTokens(t, ids.data(), count);
  for (bool specials : {false, true}) {
    const int32_t status = specials ? nuvraTokenizerDecodeWithSpecialTokens(t, ids.data(), count)
                                    : nuvraTokenizerDecode(t, ids.data(), count);
    require(status == 0 || status == -7 || (specials && status == -128), "decode status");
    queryAll(t, type, probe);
  }
}

}  // namespace nuvra::fuzz

#endif  // NUVRA_FUZZ_FUZZ_SUPPORT_H_
