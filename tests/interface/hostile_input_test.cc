#include <gtest/gtest.h>

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <random>
#include <string>
#include <vector>

#include "nuvra_tokenizer.h"
#include "support/published_resources.h"
#include "support/temp_files.h"
#include "support/text_lines.h"
#include "support/tokenizer.h"

// Inputs an attacker or a careless caller might hand over: what is no
// regular file, huge lines, ids at the ends of the integer range, damaged
// models. Every call must answer quickly with a status and keep the handle.
namespace nuvra {
namespace {

using testing::Tokenizer;

Tokenizer loaded(int32_t type) {
  Tokenizer t(type);
  EXPECT_TRUE(testing::openPublishedResources(t.get(), type)) << type;
  return t;
}

// What a caller can see of a handle: its vocabulary and how it encodes.
std::string snapshot(Tokenizer& t) {
  return std::to_string(t.vocabSize()) + testing::observe(t.get(), "Hello <s>[CLS] world");
}

struct FileKind {
  int32_t (*narrow)(NuvraTokenizer*, const char*);
  int32_t (*wide)(NuvraTokenizer*, const wchar_t*);
  std::vector<int32_t> types;
};

TEST(HostileInput, EveryOpenRefusesWhatIsNoRegularFileWithoutBlocking) {
  // An open that blocks on the FIFO would hang forever: end the process.
  alarm(60);
  testing::TempDir dir;
  const std::string fifo = dir.path() + "/fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::vector<std::string> paths = {fifo, dir.path(), "/dev/zero", dir.missing("absent")};
  const std::vector<FileKind> kinds = {
      {nuvraTokenizerOpenModelFileA, nuvraTokenizerOpenModelFileW, {2, 3, 6, 10}},
      {nuvraTokenizerOpenDictionaryFileA, nuvraTokenizerOpenDictionaryFileW, {4, 5}},
      {nuvraTokenizerOpenVocabFileA, nuvraTokenizerOpenVocabFileW, {0, 4, 5, 7, 8, 9}},
      {nuvraTokenizerOpenMergeFileA, nuvraTokenizerOpenMergeFileW, {0, 7, 9}},
      {nuvraTokenizerOpenAddedTokensFileA, nuvraTokenizerOpenAddedTokensFileW, {0}},
      {nuvraTokenizerOpenTokenizerConfigFileA, nuvraTokenizerOpenTokenizerConfigFileW, {8}},
  };
  for (const FileKind& kind : kinds) {
    // Arguments are checked first, then the type, and only then the file.
    EXPECT_EQ(kind.narrow(nullptr, fifo.c_str()), NUVRA_TOKENIZER_STATUS_INVALID_ARGUMENT);
    EXPECT_EQ(kind.wide(nullptr, testing::widen(fifo).c_str()), NUVRA_TOKENIZER_STATUS_INVALID_ARGUMENT);
    for (int32_t type = 0; type <= 10; ++type) {
      Tokenizer other(type);
      EXPECT_EQ(kind.narrow(other.get(), nullptr), NUVRA_TOKENIZER_STATUS_INVALID_ARGUMENT) << type;
      EXPECT_EQ(kind.wide(other.get(), nullptr), NUVRA_TOKENIZER_STATUS_INVALID_ARGUMENT) << type;
      if (std::count(kind.types.begin(), kind.types.end(), type) == 0) {
        EXPECT_EQ(kind.narrow(other.get(), fifo.c_str()), NUVRA_TOKENIZER_STATUS_INVALID_STATE) << type;
        EXPECT_EQ(kind.wide(other.get(), testing::widen(fifo).c_str()),
                  NUVRA_TOKENIZER_STATUS_INVALID_STATE) << type;
      }
    }
    for (int32_t type : kind.types) {
      Tokenizer t = loaded(type);
      const std::string before = snapshot(t);
      for (const std::string& path : paths) {
        EXPECT_EQ(kind.narrow(t.get(), path.c_str()), NUVRA_TOKENIZER_STATUS_ERROR_FILE_API)
            << type << " " << path;
        EXPECT_EQ(kind.wide(t.get(), testing::widen(path).c_str()),
                  NUVRA_TOKENIZER_STATUS_ERROR_FILE_API)
            << type << " " << path;
      }
      EXPECT_EQ(snapshot(t), before) << type;
    }
  }
  alarm(0);
}

TEST(HostileInput, AMergeFileOfOneTenMegabyteLine) {
  testing::TempDir dir;
  const std::string huge(10 << 20, 'b');
  for (const std::string& content : {huge, "a " + huge + "\n", "#" + huge}) {
    Tokenizer t(7);
    ASSERT_EQ(nuvraTokenizerOpenVocabFileA(t.get(), testing::publishedFile("gpt2/vocab.json").c_str()), 0);
    EXPECT_EQ(nuvraTokenizerOpenMergeFileA(t.get(), dir.write("m.txt", content).c_str()), 0);
    EXPECT_EQ(nuvraTokenizerEncode(t.get(), "ab ba"), 0);  // single bytes: b, a, Ġ
    EXPECT_EQ(t.tokens(), (std::vector<int32_t>{0, 64, 65, 220, 65, 64, 2}));
  }
}

// Ids at the ends of the integer range are skipped where the type skips
// unknown ids; BPE with special tokens refuses them and keeps its text.
TEST(HostileInput, IdsAtTheEndsOfTheIntegerRange) {
  const std::vector<int32_t> bad = {INT_MIN, INT_MAX, -1};
  for (int32_t type = 0; type <= 10; ++type) {
    Tokenizer t = loaded(type);
    std::vector<int32_t> good = {1000, 2000};
    if (nuvraTokenizerEncode(t.get(), "Hello world") == 0) good = t.tokens();
    ASSERT_EQ(nuvraTokenizerDecode(t.get(), good.data(), uint32_t(good.size())), 0);
    const std::string expected = t.decodedText();
    std::vector<int32_t> mixed = good;
    mixed.insert(mixed.begin() + 1, bad.begin(), bad.end());
    mixed.insert(mixed.end(), bad.begin(), bad.end());
    EXPECT_EQ(nuvraTokenizerDecode(t.get(), mixed.data(), uint32_t(mixed.size())), 0) << type;
    EXPECT_EQ(t.decodedText(), expected) << type;
    const bool bpe = type == 0 || type == 1 || type == 7 || type == 9;
    for (int32_t id : bad) {
      EXPECT_EQ(nuvraTokenizerDecode(t.get(), &id, 1), 0) << type;
      EXPECT_EQ(t.decodedText(), "") << type;
      ASSERT_EQ(nuvraTokenizerDecode(t.get(), good.data(), uint32_t(good.size())), 0);
      EXPECT_EQ(nuvraTokenizerDecodeWithSpecialTokens(t.get(), &id, 1),
                bpe ? NUVRA_TOKENIZER_STATUS_UNKNOWN : NUVRA_TOKENIZER_STATUS_SUCCESS)
          << type << " " << id;
      if (bpe) {
        EXPECT_EQ(t.decodedText(), expected) << type;
      }
    }
  }
}

// A damaged model is refused (-2, the loaded one kept) or loads and works.
TEST(HostileInput, TruncatedAndBitFlippedModels) {
  testing::TempDir dir;
  const std::string model = testing::readFile(testing::publishedFile("spm/llama-tokenizer.model"));
  ASSERT_GT(model.size(), 100000u);
  std::vector<std::string> damaged;
  for (size_t size : {size_t(1), size_t(2), size_t(7), size_t(100), model.size() / 2,
                      model.size() - 1}) {
    damaged.push_back(model.substr(0, size));
  }
  std::mt19937 rng(10);
  for (int i = 0; i < 16; ++i) {
    std::string flipped = model;
    // Half the flips in the first bytes, where lengths and field keys sit.
    const size_t at = i % 2 ? rng() % 64 : rng() % model.size();
    flipped[at] = char(flipped[at] ^ (1 << (rng() % 8)));
    damaged.push_back(flipped);
  }
  Tokenizer t = loaded(10);
  const std::string before = snapshot(t);
  for (const std::string& bytes : damaged) {
    const int32_t status = nuvraTokenizerOpenModelFileA(t.get(), dir.write("m", bytes).c_str());
    if (status == NUVRA_TOKENIZER_STATUS_ERROR_FILE_API) {
      EXPECT_EQ(snapshot(t), before);
      continue;
    }
    ASSERT_EQ(status, 0);
    ASSERT_EQ(nuvraTokenizerEncodeWithSpecialTokens(t.get(), "Hello <s> w\xC3\xB6rld"), 0);
    const std::vector<int32_t> ids = t.tokens();
    EXPECT_EQ(nuvraTokenizerDecode(t.get(), ids.data(), uint32_t(ids.size())), 0);
    EXPECT_EQ(nuvraTokenizerDecodeWithSpecialTokens(t.get(), ids.data(), uint32_t(ids.size())), 0);
    ASSERT_EQ(nuvraTokenizerOpenModelFileA(t.get(), testing::publishedFile("spm/llama-tokenizer.model").c_str()), 0);
  }
}

}  // namespace
}  // namespace nuvra
