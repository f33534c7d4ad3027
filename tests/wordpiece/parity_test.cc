// Type 8 with the published BERT vocabularies gives the ids the HF tokenizers
// peer gave on our own test lines (tools/peers/wordpiece_parity.js writes the
// expectations).
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "interface/tokenizer_handle.h"
#include "nuvra_tokenizer.h"
#include "support/temp_files.h"
#include "support/text_lines.h"

namespace nuvra {
namespace {

void expectPeerIds(const std::string& model, const std::string& vocab, const char* config) {
  const std::string dir = std::string(NUVRA_SOURCE_DIR) + "/tests/wordpiece/parity/";
  const std::vector<std::string> lines = testing::splitLines(testing::readFile(dir + "lines.txt"));
  const std::vector<std::string> expectations = testing::splitLines(testing::readFile(dir + model + ".txt"));
  ASSERT_GT(expectations.size(), lines.size() * 9 / 10);

  testing::Tokenizer t = testing::makeTokenizer(NUVRA_TOKENIZER_TYPE_WORDPIECE);
  const std::string vocab_path = std::string(NUVRA_DATA_DIR) + "/bert/" + vocab;
  ASSERT_EQ(nuvraTokenizerOpenVocabFileA(t.get(), vocab_path.c_str()), 0) << vocab_path;
  testing::TempDir temp;
  if (config != nullptr) {
    const std::string path = temp.write("tokenizer_config.json", config);
    ASSERT_EQ(nuvraTokenizerOpenTokenizerConfigFileA(t.get(), path.c_str()), 0);
  }
  int mismatches = 0;
  for (const std::string& expectation : expectations) {
    const size_t tab = expectation.find('\t');
    ASSERT_NE(tab, std::string::npos) << expectation;
    const size_t line = std::stoul(expectation.substr(0, tab));
    ASSERT_LT(line, lines.size());
    std::vector<int32_t> expected;
    std::istringstream ids(expectation.substr(tab + 1));
    for (int32_t id; ids >> id;) expected.push_back(id);
    ASSERT_EQ(nuvraTokenizerEncode(t.get(), lines[line].c_str()), 0);
    EXPECT_EQ(testing::tokens(t.get()), expected) << model << " line " << line + 1 << ": "
                                                  << lines[line];
    if (testing::tokens(t.get()) != expected && ++mismatches > 10) FAIL() << "stopping";
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
}  // namespace nuvra
