// Type 8 with the published BERT vocabularies gives the ids the HF tokenizers
// peer gave on our own test lines (tools/peers/wordpiece_parity.js writes the
// expectations).
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/text_lines.h"
#include "support/tokenizer.h"

namespace nuvra::testing {
namespace {

void expectPeerIds(const std::string& model, const std::string& vocab, const char* config) {
  const std::string dir = std::string(NUVRA_SOURCE_DIR) + "/tests/wordpiece/parity/";
  const std::vector<std::string> lines = splitLines(readFile(dir + "lines.txt"));
  const std::vector<std::string> expectations = splitLines(readFile(dir + model + ".txt"));
  ASSERT_GT(expectations.size(), lines.size() * 9 / 10);
  Tokenizer t(NUVRA_TOKENIZER_TYPE_WORDPIECE);
  ASSERT_EQ(t.openVocab(std::string(NUVRA_DATA_DIR) + "/bert/" + vocab), 0) << vocab;
  TempDir temp;
  if (config != nullptr) {
    ASSERT_EQ(t.openConfig(temp.write("tokenizer_config.json", config)), 0);
  }
  int mismatches = 0;
  for (const std::string& expectation : expectations) {
    // "line number <tab> ids separated by spaces"
    std::istringstream in(expectation);
    size_t line = 0;
    ASSERT_TRUE(in >> line) << expectation;
    ASSERT_LT(line, lines.size());
    Ids expected;
    for (int32_t id; in >> id;) expected.push_back(id);
    const Ids ours = t.ids(lines[line]);
    EXPECT_EQ(ours, expected) << model << " line " << line + 1 << ": " << lines[line];
    if (ours != expected && ++mismatches > 10) FAIL() << "stopping";
  }
}

TEST(WordpieceParity, UncasedVocabularyLowerCased) {
  expectPeerIds("uncased", "bert-base-uncased-vocab.txt", nullptr);
}

TEST(WordpieceParity, CasedVocabularyWithLowerCasingOff) {
  expectPeerIds("cased", "bert-base-cased-vocab.txt",
                "{\"do_lower_case\": false, \"tokenize_chinese_chars\": true}\n");
}

}  // namespace
}  // namespace nuvra::testing
