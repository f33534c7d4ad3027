#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "interface/tokenizer_handle.h"
#include "nuvra_tokenizer.h"

namespace nuvra {
namespace {

using testing::makeTokenizer;

const std::string kData = NUVRA_DATA_DIR;

// Every type with the resources a caller would give it, where the data has them.
testing::Tokenizer loadedTokenizer(int32_t type) {
  auto t = makeTokenizer(type);
  switch (type) {
    case 7:
    case 9:
      nuvraTokenizerOpenVocabFileA(t.get(), (kData + "/gpt2/vocab.json").c_str());
      nuvraTokenizerOpenMergeFileA(t.get(), (kData + "/gpt2/merges.txt").c_str());
      break;
    case 8:
      nuvraTokenizerOpenVocabFileA(t.get(), (kData + "/bert/bert-base-uncased-vocab.txt").c_str());
      break;
    case 2:
    case 3:
    case 6:
    case 10:
      nuvraTokenizerOpenModelFileA(t.get(), (kData + "/spm/sentencepiece-test_model.model").c_str());
      break;
    default:
      break;
  }
  return t;
}

// Text that is mostly not valid UTF-8: random bytes, stray tags and
// specials, long runs; never a NUL, which would only end the text early.
std::string randomText(std::mt19937& rng) {
  static const std::vector<std::string> pieces = {
      "<|endoftext|>", "<s>", "</s>", "<pad>", "<mask>", "[CLS]", "[SEP]", "</w>", "<|", "##",
      " ", "\t\n", "\xE2\x80\xA8", "\xEF\xBB\xBF", "\xF0\x9F\x98\x80", "\xED\xA0\x80", "'s",
      "\xC3", "\xF4\x90\x80\x80", "\xE3\x80\x82", "123", "\xC2\xB2"};
  std::string text;
  const int parts = std::uniform_int_distribution<int>(0, 40)(rng);
  for (int i = 0; i < parts; ++i) {
    if (rng() % 3 == 0) {
      text += pieces[rng() % pieces.size()];
    } else {
      const int n = std::uniform_int_distribution<int>(1, 12)(rng);
      for (int k = 0; k < n; ++k) text.push_back(char(std::uniform_int_distribution<int>(1, 255)(rng)));
    }
  }
  if (rng() % 50 == 0) text += std::string(5000, 'a' + char(rng() % 26));
  return text;
}

std::vector<int32_t> randomIds(std::mt19937& rng, uint32_t vocab_size) {
  std::vector<int32_t> ids(std::uniform_int_distribution<size_t>(0, 60)(rng) + 1);
  for (int32_t& id : ids) {
    switch (rng() % 6) {
      case 0: id = int32_t(rng()); break;                 // anything, negative included
      case 1: id = int32_t(vocab_size) + int32_t(rng() % 3) - 1; break;  // around the end
      default: id = vocab_size ? int32_t(rng() % vocab_size) : int32_t(rng() % 8); break;
    }
  }
  return ids;
}

// Whatever the input, every call returns a status of the interface and a
// failed call leaves the last result readable.
TEST(Robustness, ArbitraryInputNeverBreaksAHandle) {
  const std::set<int32_t> statuses = {0, -1, -2, -5, -7, -128};
  std::mt19937 rng(20261206);
  for (int32_t type = 0; type <= 10; ++type) {
    auto t = loadedTokenizer(type);
    const uint32_t size = testing::vocabSize(t.get());
    for (int round = 0; round < 60; ++round) {
      const std::string text = randomText(rng);
      EXPECT_TRUE(statuses.count(nuvraTokenizerEncode(t.get(), text.c_str()))) << type;
      EXPECT_TRUE(statuses.count(nuvraTokenizerEncodeWithSpecialTokens(t.get(), text.c_str())));
      for (int32_t id : testing::tokens(t.get())) {
        // Encode only ever reports ids of the type's id space (or fixed framing ids).
        EXPECT_TRUE((id >= 0 && uint32_t(id) < size) || type == 0 || type == 1 || type == 7)
            << "type " << type << " id " << id;
      }
      const std::vector<int32_t> ids = randomIds(rng, size);
      const auto count = uint32_t(ids.size());
      // Left-out specials and ids outside the vocabulary are skipped, never fatal.
      EXPECT_EQ(nuvraTokenizerDecode(t.get(), ids.data(), count), 0) << type;
      EXPECT_TRUE(statuses.count(nuvraTokenizerDecodeWithSpecialTokens(t.get(), ids.data(), count)));
      testing::text(t.get());
      const char* entry = nullptr;
      if (size > 0) {
        EXPECT_EQ(nuvraTokenizerGetVocab(t.get(), int32_t(rng() % size), &entry), 0);
      }
    }
  }
}

}  // namespace
}  // namespace nuvra
