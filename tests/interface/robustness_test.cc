#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "support/tokenizer.h"

namespace nuvra::testing {
namespace {

const std::string kData = NUVRA_DATA_DIR;

// Text that is mostly not valid UTF-8: random bytes, stray tags and
// specials, long runs; never a NUL, which would only end the text early.
std::string randomText(std::mt19937& rng) {
  static const std::vector<std::string> pieces = {
      "<|endoftext|>", "<s>", "</s>", "<pad>", "<mask>", "[CLS]", "[SEP]", "</w>", "<|", "##",
      " ", "\t\n", "\xE2\x80\xA8", "\xEF\xBB\xBF", "\xF0\x9F\x98\x80", "\xED\xA0\x80", "'s",
      "\xC3", "\xF4\x90\x80\x80", "\xE3\x80\x82", "123", "\xC2\xB2"};
  std::string text;
  for (int parts = int(rng() % 41); parts > 0; --parts) {
    if (rng() % 3 == 0) {
      text += pieces[rng() % pieces.size()];
    } else {
      for (int k = 1 + int(rng() % 12); k > 0; --k) text.push_back(char(1 + rng() % 255));
    }
  }
  if (rng() % 50 == 0) text += std::string(5000, char('a' + rng() % 26));
  return text;
}

// Whatever the input, every call returns a status of the interface, encode
// reports only ids of the type's id space, and a failed call leaves the last
// result readable.
TEST(Robustness, ArbitraryInputNeverBreaksAHandle) {
  const std::set<int32_t> statuses = {0, -1, -2, -5, -7, -128};
  std::mt19937 rng(20261206);
  for (int32_t type = 0; type <= 10; ++type) {
    Tokenizer t(type);
    if (type == 7 || type == 9) {
      t.openVocab(kData + "/gpt2/vocab.json");
      t.openMerges(kData + "/gpt2/merges.txt");
    } else if (type == 8) {
      t.openVocab(kData + "/bert/bert-base-uncased-vocab.txt");
    } else if (type == 2 || type == 3 || type == 6 || type == 10) {
      t.openModel(kData + "/spm/sentencepiece-test_model.model");
    }
    const uint32_t size = t.vocabSize();
    for (int round = 0; round < 60; ++round) {
      const std::string text = randomText(rng);
      EXPECT_TRUE(statuses.count(t.encode(text))) << type;
      EXPECT_TRUE(statuses.count(t.encode(text, kWithSpecials))) << type;
      for (int32_t id : t.tokens()) {
        // Types 0, 1 and 7 have fixed framing ids beyond an opened vocabulary.
        EXPECT_TRUE((id >= 0 && uint32_t(id) < size) || type == 0 || type == 1 || type == 7)
            << "type " << type << " id " << id;
      }
      Ids ids(1 + rng() % 61);
      for (int32_t& id : ids) {
        const uint32_t pick = rng() % 6;
        id = pick == 0   ? int32_t(rng())                          // anything, negative included
             : pick == 1 ? int32_t(size) + int32_t(rng() % 3) - 1  // around the end
                         : int32_t(rng() % (size != 0 ? size : 8));
      }
      // Left-out specials and ids outside the vocabulary are skipped, never fatal.
      EXPECT_EQ(t.decode(ids), 0) << type;
      EXPECT_TRUE(statuses.count(t.decode(ids, kWithSpecials))) << type;
      t.decodedText();
      if (size > 0) {
        EXPECT_NE(t.vocabEntry(int32_t(rng() % size)).rfind("<status", 0), 0u);
      }
    }
  }
}

}  // namespace
}  // namespace nuvra::testing
