// Our byte-level types against ids a peer tokenizer gave for our own test
// lines (tests/bpe/parity/*.jsonl, written by tools/peers/bpe_parity.js),
// with the published vocabulary and merge files of NUVRA_DATA_DIR.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "support/json_lines.h"
#include "support/tokenizer.h"

namespace nuvra::testing {
namespace {

const std::string kDataDir = NUVRA_DATA_DIR;

// Every line: the peer's ids inside the type's framing, and decode gives the
// line back less one trailing space.
void expectParity(Tokenizer& t, const std::string& expectations, const Ids& head,
                  const Ids& tail) {
  const auto lines = readJsonLines(std::string(NUVRA_SOURCE_DIR) + "/tests/bpe/parity/" + expectations);
  ASSERT_GT(lines.size(), 150u);
  size_t same = 0;
  for (const auto& line : lines) {
    const auto text = line.at("text").get<std::string>();
    Ids expected = head;
    const auto ids = line.at("ids").get<Ids>();
    expected.insert(expected.end(), ids.begin(), ids.end());
    expected.insert(expected.end(), tail.begin(), tail.end());
    const Ids ours = t.ids(text);
    EXPECT_EQ(ours, expected) << "text: " << text;
    same += ours == expected;
    std::string back = text;
    if (!back.empty() && back.back() == ' ') back.pop_back();
    EXPECT_EQ(t.text(ours), back);
  }
  EXPECT_EQ(same, lines.size()) << expectations;
}

TEST(BpeParityTest, PeerIdsOfEveryByteLevelType) {
  const struct {
    int32_t type;
    const char* files;  // nullptr: the built-in tables
    const char* expectations;
    Ids head, tail;
  } cases[] = {
      {NUVRA_TOKENIZER_TYPE_BPE_FILES_BARE, "gpt2", "gpt2.jsonl", {}, {}},
      {NUVRA_TOKENIZER_TYPE_BPE_TRANSCRIPT, nullptr, "whisper.jsonl", {50258}, {50257}},
      {NUVRA_TOKENIZER_TYPE_BPE_TRANSCRIPT, "whisper-multilingual", "whisper.jsonl", {50258}, {50257}},
      {NUVRA_TOKENIZER_TYPE_BPE_FILES, "roberta", "roberta.jsonl", {0}, {2}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.files != nullptr ? c.files : "built-in");
    Tokenizer t(c.type);
    if (c.files != nullptr) {
      const std::string dir = kDataDir + "/" + c.files + "/";
      ASSERT_EQ(t.openVocab(dir + "vocab.json"), NUVRA_TOKENIZER_STATUS_SUCCESS);
      ASSERT_EQ(t.openMerges(dir + "merges.txt"), NUVRA_TOKENIZER_STATUS_SUCCESS);
    }
    expectParity(t, c.expectations, c.head, c.tail);
  }
}

TEST(BpeParityTest, WordEndTypeGivesPublishedIds) {
  // Common lower-case words, each its own "</w>" token, at the ids of the
  // published vocabulary.
  const std::pair<const char*, Ids> samples[] = {
      {"a photo of a cat", {320, 1125, 539, 320, 2368}},
      {"A picture of a red car", {320, 1674, 539, 320, 736, 1615}},
      {"the quick brown fox jumps over the lazy dog",
       {518, 3712, 2866, 3240, 18911, 962, 518, 10753, 1929}},
      {"it's a cat!", {585, 568, 320, 2368, 256}},
      {"a photo of 2 cats", {320, 1125, 539, 273, 3989}},
  };
  Tokenizer t(NUVRA_TOKENIZER_TYPE_BPE_WORD_END);
  for (const auto& [text, ids] : samples) {
    Ids framed{49406};
    framed.insert(framed.end(), ids.begin(), ids.end());
    framed.push_back(49407);
    EXPECT_EQ(t.ids(text), framed) << text;
  }
}

}  // namespace
}  // namespace nuvra::testing
