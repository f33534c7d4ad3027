// Type 8 encode and the shared WordPiece decode, through the C interface.
#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "support/tokenizer.h"

namespace nuvra::testing {
namespace {

// Ids:               0        1        2        3        4         5        6        7    8     9
const char* const kVocab = "[PAD]\n[UNK]\n[CLS]\n[SEP]\n[MASK]\nhello\nworld\n,\nun\n##able\n";

class WordpieceCodec : public ::testing::Test {
 protected:
  Tokenizer& tokenizer(const std::string& vocab = kVocab, const std::string& config = "") {
    Tokenizer& t = *handles_.emplace_back(std::make_unique<Tokenizer>(NUVRA_TOKENIZER_TYPE_WORDPIECE));
    EXPECT_EQ(t.openVocab(dir_.write("vocab.txt", vocab)), 0);
    if (!config.empty()) {
      EXPECT_EQ(t.openConfig(dir_.write("config.json", config)), 0);
    }
    return t;
  }

  TempDir dir_;
  std::vector<std::unique_ptr<Tokenizer>> handles_;
};

TEST_F(WordpieceCodec, RecordsOfWordsAndSpecials) {
  Tokenizer& t = tokenizer(std::string(kVocab) + "a\nb\n" + std::string(100, 'a') + "\n");
  const struct {
    std::string text;
    bool specials;
    Ids ids, words, starts, ends;
  } cases[] = {
      {"", false, {2, 3}, {-1, -1}, {-1, -1}, {-1, -1}},
      {"Hello, world", false, {2, 5, 7, 6, 3}, {-1, 0, 1, 2, -1}, {-1, 0, 5, 7, -1}, {-1, 5, 6, 12, -1}},
      // All pieces of a word carry the word's span.
      {"unable", false, {2, 8, 9, 3}, {-1, 0, 0, -1}, {-1, 0, 0, -1}, {-1, 6, 6, -1}},
      // Spaces count as characters, never as words or records.
      {"  hello  world ", false, {2, 5, 6, 3}, {-1, 0, 1, -1}, {-1, 2, 9, -1}, {-1, 7, 14, -1}},
      // A tab splits only in the matcher: both tokens share word 0.
      {"a\tb", false, {2, 10, 11, 3}, {-1, 0, 0, -1}, {-1, 0, 0, -1}, {-1, 3, 3, -1}},
      // A word of line feeds gives no token but still uses a word index.
      {"\n\n hello", false, {2, 5, 3}, {-1, 1, -1}, {-1, 3, -1}, {-1, 8, -1}},
      {"b " + std::string(101, 'a'), false, {2, 11, 1, 3}, {-1, 0, 1, -1}, {-1, 0, 2, -1},
       {-1, 1, 103, -1}},
      {"a[SEP]b", true, {2, 10, 3, 11, 3}, {-1, 0, 1, 2, -1}, {-1, 0, 1, 6, -1}, {-1, 1, 6, 7, -1}},
      // As plain text: a [ sep ] b, five words, none of them "[SEP]".
      {"a[SEP]b", false, {2, 10, 1, 1, 1, 11, 3}, {-1, 0, 1, 2, 3, 4, -1},
       {-1, 0, 1, 2, 5, 6, -1}, {-1, 1, 2, 5, 6, 7, -1}},
      // Side by side and at both ends; the empty pieces between give nothing.
      {"[MASK][PAD]hello[CLS]", true, {2, 4, 0, 5, 2, 3}, {-1, 0, 1, 2, 3, -1},
       {-1, 0, 6, 11, 16, -1}, {-1, 6, 11, 16, 21, -1}},
      // An invalid sequence ends the rest of its piece only.
      {"hello \xFF world[SEP]world", true, {2, 5, 3, 6, 3}, {-1, 0, 1, 2, -1},
       {-1, 0, 6, 11, -1}, {-1, 5, 11, 16, -1}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(t.ids(c.text, c.specials), c.ids) << c.text;
    EXPECT_EQ(t.wordIds(), c.words) << c.text;
    EXPECT_EQ(t.charStarts(), c.starts) << c.text;
    EXPECT_EQ(t.charEnds(), c.ends) << c.text;
  }
}

TEST_F(WordpieceCodec, ConfigurationSwitchesLowerCasingAndIdeographs) {
  const std::string vocab = std::string(kVocab) + "\xC3\xA9t\xC3\xA9\n" "ete\n" "Hello\n" +
                            "\xE4\xB8\xAD\n" "\xE6\x96\x87\n" "\xE4\xB8\xAD\xE6\x96\x87\n";
  // Defaults: lower-cased (A to Z only) before accents are stripped,
  // ideographs alone.
  Tokenizer& t = tokenizer(vocab);
  EXPECT_EQ(t.ids("\xC3\x89T\xC3\xA9 HELLO"), (Ids{2, 1, 5, 3}));  // ÉTé -> Ete
  EXPECT_EQ(t.ids("\xE4\xB8\xAD\xE6\x96\x87"), (Ids{2, 13, 14, 3}));

  Tokenizer& cased = tokenizer(vocab, R"({"do_lower_case": false, "x": 1})");
  EXPECT_EQ(cased.ids("Hello hello"), (Ids{2, 12, 5, 3}));
  // A special the vocabulary lacks is still cut out, with id 0; without
  // "[UNK]" an unknown word gets id 0 too.
  EXPECT_EQ(tokenizer("[UNK]\n[CLS]\n[SEP]\nx\n").ids("x[MASK]x", kWithSpecials),
            (Ids{1, 3, 0, 3, 2}));
  Tokenizer& bare = tokenizer("[CLS]\n[SEP]\nhello\n", R"({"do_lower_case": false,})");
  EXPECT_EQ(bare.ids("Hello hello"), (Ids{0, 0, 2, 1}));

  Tokenizer& joined = tokenizer(vocab, R"({"tokenize_chinese_chars": false})");
  EXPECT_EQ(joined.ids("\xE4\xB8\xAD\xE6\x96\x87"), (Ids{2, 15, 3}));
  EXPECT_EQ(joined.charEnds(), (Ids{-1, 2, -1}));
}

TEST_F(WordpieceCodec, DecodeJoinsPiecesAndSpacesWords) {
  Tokenizer& t = tokenizer(std::string(kVocab) + "(\n\n\xE3\x80\x82\n" "a##b##c\n");
  const struct {
    Ids ids;
    bool specials;
    const char* text;
  } cases[] = {
      {{2, 5, 7, 6, 3}, false, "hello, world"},
      {{2, 5, 7, 6, 3}, true, "[CLS] hello, world [SEP]"},
      {{8, 9}, false, "unable"},
      {{5, 10, 6}, false, "hello( world"},
      {{5, 12}, false, "hello \xE3\x80\x82"},  // only ASCII marks attach to the left
      {{5, 13}, false, "helloab##c"},          // the first "##" anywhere goes
      {{11, 5, 11}, false, "hello "},          // an empty entry still adds its space
      {{-1, INT32_MAX, 14, INT32_MIN}, false, ""},
      {{}, false, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(t.text(c.ids, c.specials), c.text);
  // Specials are skipped by text, wherever they stand.
  Tokenizer& moved = tokenizer("hello\n[SEP]\n[PAD]\n");
  EXPECT_EQ(moved.text({1, 0, 2, 1}), "hello");
  EXPECT_EQ(moved.text({1, 0, 2}, kWithSpecials), "[SEP] hello [PAD]");
  EXPECT_EQ(t.text(t.ids("Hello, unable world")), "hello, unable world");
}

}  // namespace
}  // namespace nuvra::testing
