// Types 4 and 5 with Debian's IPA dictionary: case tables on a small
// vocabulary, dictionary errors, and ids equal to an independent oracle
// (tools/peers/japanese_oracle.py: spm_normalize, python3-mecab and a plain
// WordPiece) on the whole Japanese novel, live, and on lines of our own in
// parity/japanese.txt: the oracle's type 4, type 5 and type 4 with specials
// ids (its columns 1, 2 and 4, bert-base-japanese-v3 vocabulary), then the line.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "nuvra_tokenizer.h"
#include "support/temp_files.h"
#include "support/text_lines.h"
#include "support/tokenizer.h"
#include "wordpiece/analyzer.h"
#include "wordpiece/dictionary_check.h"
#include "wordpiece/nfkc_normalizer.h"

namespace nuvra {
namespace {

using testing::Tokenizer;

const std::string kDictionary = NUVRA_MECAB_DICTIONARY;
const std::string kBertVocab = std::string(NUVRA_DATA_DIR) + "/bert/bert-base-japanese-v3-vocab.txt";

std::vector<int32_t> parseIds(const std::string& text) {
  std::vector<int32_t> ids;
  std::istringstream in(text);
  for (int32_t id; in >> id;) ids.push_back(id);
  return ids;
}

Tokenizer makeJapanese(int32_t type, const std::string& vocab) {
  Tokenizer t(type);
  EXPECT_EQ(nuvraTokenizerOpenDictionaryFileA(t.get(), kDictionary.c_str()), 0) << kDictionary;
  EXPECT_EQ(nuvraTokenizerOpenVocabFileA(t.get(), vocab.c_str()), 0) << vocab;
  return t;
}

std::vector<int32_t> encode(Tokenizer& t, const std::string& text, bool specials = false) {
  EXPECT_EQ(t.encode(text, specials), 0) << text;
  return t.tokens();
}

class JapaneseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(kDictionary.empty()) << "no MeCab IPA dictionary (mecab-ipadic-utf8) found";
    std::string lines;
    for (const char* entry : kVocab) lines += std::string(entry) + "\n";
    vocab_ = temp_.write("vocab.txt", lines);
  }

  // Token texts of the last encode, "?" for an id outside kVocab.
  static std::string texts(const Tokenizer& t) {
    std::string out;
    for (int32_t id : t.tokens()) {
      out += (out.empty() ? "" : " ") +
             std::string(id >= 0 && size_t(id) < std::size(kVocab) ? kVocab[id] : "?");
    }
    return out;
  }

  static constexpr const char* kVocab[] = {
      "[PAD]", "[UNK]", "[CLS]", "[SEP]", "[MASK]", "吾輩", "は", "猫", "で", "ある", "。",
      "12",    "1",     "2",     "A",     "##B",    "B",    "ガ", "株式会社", "株", "XII",
      "X",     "I",     "fi",    "f",     "i",      "[",    "]",  "MASK"};
  testing::TempDir temp_;
  std::string vocab_;
};

TEST_F(JapaneseTest, EncodesNormalisedWordsAndCharacters) {
  struct Case {
    const char* text;
    bool specials;
    const char* type4;
    const char* type5;
  };
  const Case cases[] = {
      {"", false, "[CLS] [SEP]", "[CLS] [SEP]"},
      // Leading, trailing and repeated spaces vanish in the normaliser.
      {"  吾輩は猫  である。 ", false, "[CLS] 吾輩 は 猫 で ある 。 [SEP]",
       "[CLS] [UNK] [UNK] は 猫 で [UNK] [UNK] 。 [SEP]"},
      // Full-width letters and digits, half-width kana with a voicing mark.
      {"猫ＡＢ１２ｶﾞ", false, "[CLS] 猫 A ##B 12 ガ [SEP]", "[CLS] 猫 A B 1 2 ガ [SEP]"},
      // Specials between words and at both ends; full-width ones count.
      {"猫[MASK]猫", true, "[CLS] 猫 [MASK] 猫 [SEP]", "[CLS] 猫 [MASK] 猫 [SEP]"},
      // A byte that is not UTF-8 becomes U+FFFD, an unknown word; so is an emoji.
      {"猫\xFF猫😀", false, "[CLS] 猫 [UNK] 猫 [UNK] [SEP]", "[CLS] 猫 [UNK] 猫 [UNK] [SEP]"},
      // MeCab skips the tab; CR is a word of its own, white space to the
      // matcher but a character to type 5.
      {"猫\t猫\r\n猫", false, "[CLS] 猫 猫 猫 [SEP]", "[CLS] 猫 猫 [UNK] 猫 [SEP]"},
  };
  Tokenizer type4 = makeJapanese(NUVRA_TOKENIZER_TYPE_WORDPIECE_JA, vocab_);
  Tokenizer type5 = makeJapanese(NUVRA_TOKENIZER_TYPE_WORDPIECE_JA_CHAR, vocab_);
  for (const Case& c : cases) {
    for (Tokenizer* t : {&type4, &type5}) {
      ASSERT_EQ(t->encode(c.text, c.specials), 0) << c.text;
      EXPECT_EQ(texts(*t), t == &type4 ? c.type4 : c.type5) << c.text;
    }
  }
}

TEST_F(JapaneseTest, DictionaryErrorsKeepThePreviousAnalyzer) {
  // Directories built of links to the real files, one part broken in each.
  const auto dictionary = [&](const std::string& name, const char* broken, const char* target) {
    const std::string dir = temp_.path() + "/" + name;
    EXPECT_EQ(mkdir(dir.c_str(), 0755), 0);
    for (const char* file : wordpiece::kDictionaryFiles) {
      const std::string path = dir + "/" + file;
      if (std::string(file) != broken) {
        EXPECT_EQ(symlink((kDictionary + "/" + file).c_str(), path.c_str()), 0);
      } else if (target == std::string("fifo")) {
        EXPECT_EQ(mkfifo(path.c_str(), 0644), 0);
      } else if (target != std::string("missing")) {
        EXPECT_EQ(symlink(target, path.c_str()), 0);
      }
    }
    return dir;
  };
  // MeCab refuses a truncated sys.dic itself, but follows a trie base or a
  // token's context id out of its tables and crashes; ours refuses them.
  const std::string sys_dic = testing::readFile(kDictionary + "/sys.dic");
  const auto patched = [&](const std::string& name, size_t offset, const std::string& bytes) {
    std::string copy = sys_dic;
    copy.replace(offset, bytes.size(), bytes);
    return temp_.write(name, copy);
  };
  const std::string truncated = temp_.write("truncated.dic", sys_dic.substr(0, 1 << 20));
  const std::string root_base = patched("root_base.dic", 72, "\xFF\xFF\xFF\x0F");
  const uint32_t trie_bytes = uint8_t(sys_dic[24]) | uint8_t(sys_dic[25]) << 8 |
                              uint8_t(sys_dic[26]) << 16 | uint32_t(uint8_t(sys_dic[27])) << 24;
  const std::string context = patched("context.dic", 72 + trie_bytes + 16 * 5, "\xFF\xFF");
  const std::string bad[] = {
      "",
      temp_.write("file", "not a directory"),
      dictionary("no_sys", "sys.dic", "missing"),
      dictionary("fifo_sys", "sys.dic", "fifo"),
      dictionary("zero_sys", "sys.dic", "/dev/zero"),
      dictionary("truncated_sys", "sys.dic", truncated.c_str()),
      dictionary("root_base_sys", "sys.dic", root_base.c_str()),
      dictionary("context_sys", "sys.dic", context.c_str()),
      dictionary("empty_matrix", "matrix.bin", "/dev/null"),
  };
  Tokenizer fresh(NUVRA_TOKENIZER_TYPE_WORDPIECE_JA);
  Tokenizer loaded = makeJapanese(NUVRA_TOKENIZER_TYPE_WORDPIECE_JA, vocab_);
  const std::vector<int32_t> before = encode(loaded, "吾輩は猫である。");
  for (const std::string& dir : bad) {
    EXPECT_EQ(nuvraTokenizerOpenDictionaryFileA(fresh.get(), dir.c_str()), -2) << dir;
    EXPECT_EQ(nuvraTokenizerEncode(fresh.get(), "猫"), -7) << dir;
    EXPECT_EQ(nuvraTokenizerOpenDictionaryFileA(loaded.get(), dir.c_str()), -2) << dir;
    EXPECT_EQ(nuvraTokenizerOpenDictionaryFileW(loaded.get(), testing::widen(dir).c_str()), -2);
    EXPECT_EQ(encode(loaded, "吾輩は猫である。"), before) << dir;
  }
  // The same directory again, and through a path with a space and kanji.
  const std::string odd = temp_.path() + "/辞書 ipadic";
  ASSERT_EQ(symlink(kDictionary.c_str(), odd.c_str()), 0);
  EXPECT_EQ(nuvraTokenizerOpenDictionaryFileA(loaded.get(), kDictionary.c_str()), 0);
  EXPECT_EQ(nuvraTokenizerOpenDictionaryFileA(loaded.get(), odd.c_str()), 0);
  EXPECT_EQ(nuvraTokenizerOpenDictionaryFileW(fresh.get(), testing::widen(odd).c_str()), 0);
  EXPECT_EQ(nuvraTokenizerOpenVocabFileA(fresh.get(), vocab_.c_str()), 0);
  EXPECT_EQ(encode(fresh, "吾輩は猫である。"), before);
}

TEST(JapaneseParity, OwnLinesGiveTheCommittedIds) {
  const std::string path = std::string(NUVRA_SOURCE_DIR) + "/tests/wordpiece/parity/japanese.txt";
  const std::vector<std::string> rows = testing::splitLines(testing::readFile(path));
  ASSERT_GT(rows.size(), 150u);
  Tokenizer type4 = makeJapanese(NUVRA_TOKENIZER_TYPE_WORDPIECE_JA, kBertVocab);
  Tokenizer type5 = makeJapanese(NUVRA_TOKENIZER_TYPE_WORDPIECE_JA_CHAR, kBertVocab);
  for (const std::string& row : rows) {
    size_t tabs[3];
    for (size_t k = 0, at = 0; k < 3; at = tabs[k++] + 1) {
      tabs[k] = row.find('\t', at);
      ASSERT_NE(tabs[k], std::string::npos) << row;
    }
    const std::string line = row.substr(tabs[2] + 1);
    EXPECT_EQ(encode(type4, line), parseIds(row.substr(0, tabs[0]))) << line;
    EXPECT_EQ(encode(type5, line), parseIds(row.substr(tabs[0], tabs[1] - tabs[0]))) << line;
    EXPECT_EQ(encode(type4, line, true), parseIds(row.substr(tabs[1], tabs[2] - tabs[1])))
        << line;
  }
}

TEST(JapaneseParity, NovelEqualsTheOracle) {
  ASSERT_FALSE(kDictionary.empty());
  ASSERT_NE(std::string(NUVRA_MECAB_PYTHON), "") << "no python3 with the MeCab binding";
  const std::string novel = std::string(NUVRA_DATA_DIR) + "/text/wagahaiwa_nekodearu.txt";
  testing::TempDir temp;
  const std::string out = temp.missing("oracle.txt");
  const std::string command = std::string(NUVRA_MECAB_PYTHON) + " '" + NUVRA_SOURCE_DIR +
                              "/tools/peers/japanese_oracle.py' '" + kDictionary + "' '" +
                              kBertVocab + "' '" + novel + "' > '" + out + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  const std::string content = testing::readFile(novel);
  const std::vector<std::string> lines = testing::splitLines(content);
  const std::vector<std::string> expected = testing::splitLines(testing::readFile(out));
  ASSERT_EQ(lines.size(), expected.size());

  Tokenizer type4 = makeJapanese(NUVRA_TOKENIZER_TYPE_WORDPIECE_JA, kBertVocab);
  Tokenizer type5 = makeJapanese(NUVRA_TOKENIZER_TYPE_WORDPIECE_JA_CHAR, kBertVocab);
  std::unique_ptr<wordpiece::Analyzer> analyzer = wordpiece::Analyzer::open(kDictionary);
  ASSERT_TRUE(analyzer);
  std::string normalized;
  std::vector<std::string_view> words;
  int mismatches = 0;
  std::vector<int32_t> characters;  // type 5's ids of every line without the framing
  for (size_t i = 0; i < lines.size() && mismatches < 10; ++i) {
    const std::vector<std::string> columns = testing::splitLines(expected[i], '\t');
    ASSERT_EQ(columns.size(), 4u) << "line " << i + 1;
    const std::vector<int32_t> framed = parseIds(columns[1]);
    characters.insert(characters.end(), framed.begin() + 1, framed.end() - 1);
    wordpiece::normalizeNfkc(lines[i], normalized);
    ASSERT_TRUE(analyzer->analyze(normalized, words));
    std::string joined;
    for (std::string_view w : words) (joined += joined.empty() ? "" : "\x1f") += w;
    const bool same = joined == columns[2] &&
                      encode(type4, lines[i]) == parseIds(columns[0]) &&
                      encode(type5, lines[i]) == parseIds(columns[1]) &&
                      encode(type4, lines[i], true) == parseIds(columns[3]);
    EXPECT_TRUE(same) << "line " << i + 1 << ": " << lines[i];
    mismatches += same ? 0 : 1;
  }
  // The whole novel twice, over 2 MB, in one call.
  std::vector<int32_t> expected_ids{2};
  for (int k = 0; k < 2; ++k) expected_ids.insert(expected_ids.end(), characters.begin(), characters.end());
  expected_ids.push_back(3);
  EXPECT_EQ(encode(type5, content + content), expected_ids);
  EXPECT_EQ(type4.encode(content + content), 0);
}

}  // namespace
}  // namespace nuvra
