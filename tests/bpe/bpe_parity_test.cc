// Our byte-level types against ids a peer tokenizer gave for our own test
// lines (tests/bpe/parity/*.jsonl, written by tools/peers/bpe_parity.js),
// with the published vocabulary and merge files of NUVRA_DATA_DIR.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/utf8.h"
#include "bpe/c_api_helpers.h"
#include "readers/json_vocab_reader.h"

namespace nuvra::bpe {
namespace {

using nuvra::testing::Ids;
using nuvra::testing::Tokenizer;

const std::string kDataDir = NUVRA_DATA_DIR;
const std::string kParityDir = std::string(NUVRA_SOURCE_DIR) + "/tests/bpe/parity/";

struct ParityLine {
  std::string text;
  Ids ids;
};

// Reads the one JSON string at `at` (on its opening quote); the writer
// escapes only quotes, backslashes and control characters.
std::string readJsonString(const std::string& line, size_t& at) {
  std::string out;
  for (++at; at < line.size() && line[at] != '"'; ++at) {
    if (line[at] != '\\') {
      out.push_back(line[at]);
      continue;
    }
    const char escape = line[++at];
    switch (escape) {
      case 'n': out.push_back('\n'); break;
      case 't': out.push_back('\t'); break;
      case 'r': out.push_back('\r'); break;
      case 'b': out.push_back('\b'); break;
      case 'f': out.push_back('\f'); break;
      case 'u': {
        uint32_t cp = uint32_t(std::stoul(line.substr(at + 1, 4), nullptr, 16));
        at += 4;
        if (cp >= 0xD800 && cp < 0xDC00 && line.compare(at + 1, 2, "\\u") == 0) {
          const auto low = uint32_t(std::stoul(line.substr(at + 3, 4), nullptr, 16));
          cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
          at += 6;
        }
        appendUtf8(cp, out);
        break;
      }
      default: out.push_back(escape); break;
    }
  }
  ++at;
  return out;
}

std::vector<ParityLine> readParityLines(const std::string& name) {
  std::ifstream in(kParityDir + name, std::ios::binary);
  EXPECT_TRUE(in) << name;
  std::vector<ParityLine> lines;
  std::string line;
  while (std::getline(in, line)) {
    ParityLine entry;
    size_t at = line.find("\"text\":") + 7;
    entry.text = readJsonString(line, at);
    std::istringstream ids(line.substr(line.find('[', at) + 1));
    for (int64_t id = 0; ids >> id;) {
      entry.ids.push_back(int32_t(id));
      if (ids.peek() == ',') ids.ignore();
    }
    lines.push_back(std::move(entry));
  }
  return lines;
}

bool haveFiles(const std::string& dir) {
  return std::ifstream(kDataDir + "/" + dir + "/vocab.json").good();
}

// Every line: the peer's ids inside the type's framing, and decode gives the
// line back less one trailing space.
void expectParity(Tokenizer& t, const std::string& expectations, const Ids& head,
                  const Ids& tail) {
  const std::vector<ParityLine> lines = readParityLines(expectations);
  ASSERT_GT(lines.size(), 150u);
  size_t same = 0;
  for (const ParityLine& line : lines) {
    Ids expected = head;
    expected.insert(expected.end(), line.ids.begin(), line.ids.end());
    expected.insert(expected.end(), tail.begin(), tail.end());
    const Ids ids = t.ids(line.text);
    EXPECT_EQ(ids, expected) << "text: " << line.text;
    same += ids == expected;
    std::string back = line.text;
    if (!back.empty() && back.back() == ' ') back.pop_back();
    EXPECT_EQ(t.text(ids), back);
  }
  EXPECT_EQ(same, lines.size()) << expectations;
}

TEST(BpeParityTest, Type9MatchesPeerWithGpt2Files) {
  if (!haveFiles("gpt2")) GTEST_SKIP() << "no gpt2 files in " << kDataDir;
  Tokenizer t(NUVRA_TOKENIZER_TYPE_BPE_FILES_BARE);
  ASSERT_EQ(t.openVocab(kDataDir + "/gpt2/vocab.json"), NUVRA_TOKENIZER_STATUS_SUCCESS);
  ASSERT_EQ(t.openMerges(kDataDir + "/gpt2/merges.txt"), NUVRA_TOKENIZER_STATUS_SUCCESS);
  expectParity(t, "gpt2.jsonl", {}, {});
}

TEST(BpeParityTest, Type0BuiltinTablesMatchPeerWithWhisperFiles) {
  Tokenizer t(NUVRA_TOKENIZER_TYPE_BPE_TRANSCRIPT);
  expectParity(t, "whisper.jsonl", {50258}, {50257});
}

TEST(BpeParityTest, Type0WithWhisperFilesMatchesItsBuiltinTables) {
  if (!haveFiles("whisper-multilingual")) GTEST_SKIP() << "no whisper files in " << kDataDir;
  Tokenizer t(NUVRA_TOKENIZER_TYPE_BPE_TRANSCRIPT);
  const std::string dir = kDataDir + "/whisper-multilingual/";
  ASSERT_EQ(t.openVocab(dir + "vocab.json"), NUVRA_TOKENIZER_STATUS_SUCCESS);
  ASSERT_EQ(t.openMerges(dir + "merges.txt"), NUVRA_TOKENIZER_STATUS_SUCCESS);
  expectParity(t, "whisper.jsonl", {50258}, {50257});
}

TEST(BpeParityTest, Type7MatchesPeerWithRobertaFiles) {
  if (!haveFiles("roberta")) GTEST_SKIP() << "no roberta files in " << kDataDir;
  Tokenizer t(NUVRA_TOKENIZER_TYPE_BPE_FILES);
  ASSERT_EQ(t.openVocab(kDataDir + "/roberta/vocab.json"), NUVRA_TOKENIZER_STATUS_SUCCESS);
  ASSERT_EQ(t.openMerges(kDataDir + "/roberta/merges.txt"), NUVRA_TOKENIZER_STATUS_SUCCESS);
  ASSERT_EQ(t.vocabEntry(0), "<s>");
  ASSERT_EQ(t.vocabEntry(2), "</s>");
  ASSERT_EQ(t.vocabEntry(3), "<unk>");
  expectParity(t, "roberta.jsonl", {0}, {2});
}

TEST(BpeParityTest, WordEndTypeGivesPublishedIds) {
  Tokenizer t(NUVRA_TOKENIZER_TYPE_BPE_WORD_END);
  EXPECT_EQ(t.ids("a photo of a cat"), (Ids{49406, 320, 1125, 539, 320, 2368, 49407}));

  // Lower-case English of common words: every word is its own "</w>" token,
  // and the built-in vocabulary agrees with the published one at those ids.
  const std::vector<std::pair<std::string, std::vector<std::string>>> samples = {
      {"a photo of a dog", {"a", "photo", "of", "a", "dog"}},
      {"A picture of a red car", {"a", "picture", "of", "a", "red", "car"}},
      {"the quick brown fox jumps over the lazy dog",
       {"the", "quick", "brown", "fox", "jumps", "over", "the", "lazy", "dog"}},
      {"an astronaut riding a horse", {"an", "astronaut", "riding", "a", "horse"}},
      {"two people playing football on the beach",
       {"two", "people", "playing", "football", "on", "the", "beach"}},
      {"it's a cat!", {"it", "'s", "a", "cat", "!"}},
      {"a photo of 2 cats", {"a", "photo", "of", "2", "cats"}},
  };
  const bool published = haveFiles("clip");
  std::vector<std::string> clip;
  if (published) {
    const std::string path = kDataDir + "/clip/vocab.json";
    readers::storeVocabPairs(*readers::readJsonVocab({path.c_str(), nullptr}), clip);
    ASSERT_EQ(clip.size(), 49408u);
  }
  const std::vector<Ids> expected = {
      {320, 1125, 539, 320, 1929},
      {320, 1674, 539, 320, 736, 1615},
      {518, 3712, 2866, 3240, 18911, 962, 518, 10753, 1929},
      {550, 18376, 6765, 320, 4558},
      {1237, 1047, 1629, 1882, 525, 518, 2117},
      {585, 568, 320, 2368, 256},
      {320, 1125, 539, 273, 3989},
  };
  for (size_t i = 0; i < samples.size(); ++i) {
    const auto& [text, words] = samples[i];
    Ids framed{49406};
    framed.insert(framed.end(), expected[i].begin(), expected[i].end());
    framed.push_back(49407);
    EXPECT_EQ(t.ids(text), framed) << text;
    for (size_t w = 0; w < words.size(); ++w) {
      EXPECT_EQ(t.vocabEntry(expected[i][w]), words[w] + "</w>");
      if (published) {
        EXPECT_EQ(clip[size_t(expected[i][w])], words[w] + "</w>");
      }
    }
  }
}

}  // namespace
}  // namespace nuvra::bpe
