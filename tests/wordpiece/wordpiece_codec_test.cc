// Type 8 encode and the shared WordPiece decode, through the C interface.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "interface/tokenizer_handle.h"
#include "nuvra_tokenizer.h"
#include "support/temp_files.h"

namespace nuvra {
namespace {

using testing::makeTokenizer;
using testing::TempDir;
using testing::Tokenizer;
using Ids = std::vector<int32_t>;

// Ids:               0        1        2        3        4         5        6        7    8     9
const char* const kVocab = "[PAD]\n[UNK]\n[CLS]\n[SEP]\n[MASK]\nhello\nworld\n,\nun\n##able\n";

struct Records {
  Ids ids, words, starts, ends;
};

Records records(NuvraTokenizer* t) {
  uint32_t count = 0;
  EXPECT_EQ(nuvraTokenizerGetTokenCount(t, &count), 0);
  Records r{Ids(count), Ids(count), Ids(count), Ids(count)};
  // Room for one more, so that an empty result still passes a non-null array.
  for (Ids* v : {&r.ids, &r.words, &r.starts, &r.ends}) v->reserve(count + 1);
  EXPECT_EQ(nuvraTokenizerGetTokens(t, r.ids.data(), count), 0);
  EXPECT_EQ(nuvraTokenizerGetWordIDs(t, r.words.data(), count), 0);
  EXPECT_EQ(nuvraTokenizerGetCharStarts(t, r.starts.data(), count), 0);
  EXPECT_EQ(nuvraTokenizerGetCharEnds(t, r.ends.data(), count), 0);
  return r;
}

class WordpieceCodec : public ::testing::Test {
 protected:
  Tokenizer tokenizer(const std::string& vocab = kVocab, const std::string& config = "") {
    Tokenizer t = makeTokenizer(NUVRA_TOKENIZER_TYPE_WORDPIECE);
    EXPECT_EQ(nuvraTokenizerOpenVocabFileA(t.get(), dir_.write("vocab.txt", vocab).c_str()), 0);
    if (!config.empty()) {
      const std::string path = dir_.write("config.json", config);
      EXPECT_EQ(nuvraTokenizerOpenTokenizerConfigFileA(t.get(), path.c_str()), 0);
    }
    return t;
  }
  Records encode(NuvraTokenizer* t, const std::string& text) {
    EXPECT_EQ(nuvraTokenizerEncode(t, text.c_str()), 0);
    return records(t);
  }
  Records encodeSpecial(NuvraTokenizer* t, const std::string& text) {
    EXPECT_EQ(nuvraTokenizerEncodeWithSpecialTokens(t, text.c_str()), 0);
    return records(t);
  }
  std::string decode(NuvraTokenizer* t, const Ids& ids, bool skip_special = true) {
    const int32_t* data = ids.empty() ? &kNothing : ids.data();
    const auto count = uint32_t(ids.size());
    EXPECT_EQ(skip_special ? nuvraTokenizerDecode(t, data, count)
                           : nuvraTokenizerDecodeWithSpecialTokens(t, data, count),
              0);
    return testing::text(t);
  }

  static constexpr int32_t kNothing = 0;
  TempDir dir_;
};

TEST_F(WordpieceCodec, FramesWordsWithClsAndSep) {
  Tokenizer t = tokenizer();
  Records r = encode(t.get(), "");
  EXPECT_EQ(r.ids, (Ids{2, 3}));
  EXPECT_EQ(r.words, (Ids{-1, -1}));
  EXPECT_EQ(r.starts, (Ids{-1, -1}));
  EXPECT_EQ(r.ends, (Ids{-1, -1}));

  r = encode(t.get(), "Hello, world");
  EXPECT_EQ(r.ids, (Ids{2, 5, 7, 6, 3}));
  EXPECT_EQ(r.words, (Ids{-1, 0, 1, 2, -1}));
  EXPECT_EQ(r.starts, (Ids{-1, 0, 5, 7, -1}));
  EXPECT_EQ(r.ends, (Ids{-1, 5, 6, 12, -1}));

  // All pieces of a word carry the word's span.
  r = encode(t.get(), "unable");
  EXPECT_EQ(r.ids, (Ids{2, 8, 9, 3}));
  EXPECT_EQ(r.words, (Ids{-1, 0, 0, -1}));
  EXPECT_EQ(r.starts, (Ids{-1, 0, 0, -1}));
  EXPECT_EQ(r.ends, (Ids{-1, 6, 6, -1}));

  // Spaces count as characters, never as words or records.
  r = encode(t.get(), "  hello  world ");
  EXPECT_EQ(r.ids, (Ids{2, 5, 6, 3}));
  EXPECT_EQ(r.words, (Ids{-1, 0, 1, -1}));
  EXPECT_EQ(r.starts, (Ids{-1, 2, 9, -1}));
  EXPECT_EQ(r.ends, (Ids{-1, 7, 14, -1}));
}

TEST_F(WordpieceCodec, SpecialTokensOnlyWithTheSpecialVariant) {
  Tokenizer t = tokenizer();
  Records r = encodeSpecial(t.get(), "a[SEP]b");
  EXPECT_EQ(r.ids, (Ids{2, 1, 3, 1, 3}));
  EXPECT_EQ(r.words, (Ids{-1, 0, 1, 2, -1}));
  EXPECT_EQ(r.starts, (Ids{-1, 0, 1, 6, -1}));
  EXPECT_EQ(r.ends, (Ids{-1, 1, 6, 7, -1}));

  // As plain text: a [ sep ] b, five words, none of them "[SEP]".
  r = encode(t.get(), "a[SEP]b");
  EXPECT_EQ(r.ids, (Ids{2, 1, 1, 1, 1, 1, 3}));
  EXPECT_EQ(r.words, (Ids{-1, 0, 1, 2, 3, 4, -1}));
  EXPECT_EQ(r.starts, (Ids{-1, 0, 1, 2, 5, 6, -1}));

  // Specials side by side and at both ends; the empty pieces between them give nothing.
  r = encodeSpecial(t.get(), "[MASK][PAD]hello[CLS]");
  EXPECT_EQ(r.ids, (Ids{2, 4, 0, 5, 2, 3}));
  EXPECT_EQ(r.words, (Ids{-1, 0, 1, 2, 3, -1}));
  EXPECT_EQ(r.starts, (Ids{-1, 0, 6, 11, 16, -1}));
  EXPECT_EQ(r.ends, (Ids{-1, 6, 11, 16, 21, -1}));

  // A special the vocabulary lacks is still cut out, with id 0.
  Tokenizer small = tokenizer("[UNK]\n[CLS]\n[SEP]\nx\n");
  r = encodeSpecial(small.get(), "x[MASK]x");
  EXPECT_EQ(r.ids, (Ids{1, 3, 0, 3, 2}));
}

TEST_F(WordpieceCodec, WhiteSpaceInsideWordsAndLongWords) {
  Tokenizer t = tokenizer(std::string(kVocab) + "a\nb\n" + std::string(100, 'a') + "\n");
  // A tab splits only in the matcher: both tokens share word 0 and the span of three.
  Records r = encode(t.get(), "a\tb");
  EXPECT_EQ(r.ids, (Ids{2, 10, 11, 3}));
  EXPECT_EQ(r.words, (Ids{-1, 0, 0, -1}));
  EXPECT_EQ(r.ends, (Ids{-1, 3, 3, -1}));
  // A word of line feeds gives no token but still uses a word index.
  r = encode(t.get(), "\n\n hello");
  EXPECT_EQ(r.ids, (Ids{2, 5, 3}));
  EXPECT_EQ(r.words, (Ids{-1, 1, -1}));
  EXPECT_EQ(r.starts, (Ids{-1, 3, -1}));

  r = encode(t.get(), std::string(100, 'a'));
  EXPECT_EQ(r.ids, (Ids{2, 12, 3}));
  r = encode(t.get(), "b " + std::string(101, 'a'));
  EXPECT_EQ(r.ids, (Ids{2, 11, 1, 3}));
  EXPECT_EQ(r.starts, (Ids{-1, 0, 2, -1}));
  EXPECT_EQ(r.ends, (Ids{-1, 1, 103, -1}));
  // A megabyte-long word is one unknown token.
  r = encode(t.get(), std::string(1 << 20, 'A'));
  EXPECT_EQ(r.ids, (Ids{2, 1, 3}));
  EXPECT_EQ(r.ends, (Ids{-1, 1 << 20, -1}));
}

TEST_F(WordpieceCodec, ConfigurationSwitchesLowerCasingAndIdeographs) {
  const std::string vocab = std::string(kVocab) + "\xC3\xA9t\xC3\xA9\n" "ete\n" "Hello\n" +
                            "\xE4\xB8\xAD\n" "\xE6\x96\x87\n" "\xE4\xB8\xAD\xE6\x96\x87\n";
  // Defaults: lower-cased, accents stripped, ideographs alone.
  Tokenizer t = tokenizer(vocab);
  EXPECT_EQ(encode(t.get(), "\xC3\x89T\xC3\xA9 HELLO").ids, (Ids{2, 1, 5, 3}));  // ÉTé -> Ete
  EXPECT_EQ(encode(t.get(), "\xC3\xA9T\xC3\xA9").ids, (Ids{2, 11, 3}));
  EXPECT_EQ(encode(t.get(), "\xE4\xB8\xAD\xE6\x96\x87").ids, (Ids{2, 13, 14, 3}));

  Tokenizer cased = tokenizer(vocab, R"({"do_lower_case": false, "x": 1})");
  EXPECT_EQ(encode(cased.get(), "Hello hello").ids, (Ids{2, 12, 5, 3}));
  EXPECT_EQ(encode(cased.get(), "\xC3\xA9t\xC3\xA9").ids, (Ids{2, 10, 3}));
  // Without "[UNK]" in the vocabulary an unknown word gets id 0.
  Tokenizer bare = tokenizer("[CLS]\n[SEP]\nhello\n", R"({"do_lower_case": false,})");
  EXPECT_EQ(encode(bare.get(), "Hello hello").ids, (Ids{0, 0, 2, 1}));

  Tokenizer joined = tokenizer(vocab, R"({"tokenize_chinese_chars": false})");
  Records r = encode(joined.get(), "\xE4\xB8\xAD\xE6\x96\x87");
  EXPECT_EQ(r.ids, (Ids{2, 15, 3}));
  EXPECT_EQ(r.ends, (Ids{-1, 2, -1}));
}

TEST_F(WordpieceCodec, BadInputNeverBreaksEncode) {
  Tokenizer t = tokenizer();
  // Decoding stops at an invalid sequence for the rest of that piece only.
  Records r = encodeSpecial(t.get(), "hello \xFF world[SEP]world");
  EXPECT_EQ(r.ids, (Ids{2, 5, 3, 6, 3}));
  EXPECT_EQ(r.starts, (Ids{-1, 0, 6, 11, -1}));
  // Control characters stay inside their word, which then matches nothing.
  EXPECT_EQ(encode(t.get(), "hel\x01lo \x7F").ids, (Ids{2, 1, 1, 3}));
  // Truncated sequences at the end, lone continuation bytes, surrogates.
  EXPECT_EQ(encode(t.get(), "hello\xE3\x81").ids, (Ids{2, 5, 3}));
  EXPECT_EQ(encode(t.get(), "\x80hello").ids, (Ids{2, 3}));
  EXPECT_EQ(encode(t.get(), "\xED\xA0\x80 hello").ids, (Ids{2, 1, 5, 3}));

  // No vocabulary at all: every lookup is 0.
  Tokenizer empty = makeTokenizer(NUVRA_TOKENIZER_TYPE_WORDPIECE);
  EXPECT_EQ(encode(empty.get(), "hello, world").ids, (Ids{0, 0, 0, 0, 0}));
  EXPECT_EQ(decode(empty.get(), {0, 1, 2}), "");

  // A failed vocabulary open keeps the one read before.
  EXPECT_EQ(nuvraTokenizerOpenVocabFileA(t.get(), dir_.missing("absent").c_str()), -2);
  EXPECT_EQ(encode(t.get(), "hello").ids, (Ids{2, 5, 3}));
}

TEST_F(WordpieceCodec, DecodeJoinsPiecesAndSpacesWords) {
  Tokenizer t = tokenizer(std::string(kVocab) + "(\n\n\xE3\x80\x82\n" "a##b##c\n");
  EXPECT_EQ(decode(t.get(), {2, 5, 7, 6, 3}), "hello, world");
  EXPECT_EQ(decode(t.get(), {2, 5, 7, 6, 3}, false), "[CLS] hello, world [SEP]");
  EXPECT_EQ(decode(t.get(), {8, 9}), "unable");
  EXPECT_EQ(decode(t.get(), {5, 10, 6}), "hello( world");
  // Only ASCII marks attach to the left.
  EXPECT_EQ(decode(t.get(), {5, 12}), "hello \xE3\x80\x82");
  // The first "##" anywhere is removed: "a##b##c" -> "ab##c", glued on.
  EXPECT_EQ(decode(t.get(), {5, 13}), "helloab##c");
  // An empty entry still adds its space once something was written.
  EXPECT_EQ(decode(t.get(), {11, 5, 11}), "hello ");
  EXPECT_EQ(decode(t.get(), {-1, INT32_MAX, 14, INT32_MIN}), "");
  EXPECT_EQ(decode(t.get(), {}), "");
  // Specials are skipped by text, wherever they stand.
  Tokenizer moved = tokenizer("hello\n[SEP]\n[PAD]\n");
  EXPECT_EQ(decode(moved.get(), {1, 0, 2, 1}), "hello");
  EXPECT_EQ(decode(moved.get(), {1, 0, 2}, false), "[SEP] hello [PAD]");
}

TEST_F(WordpieceCodec, RoundTripOfEncodedText) {
  Tokenizer t = tokenizer();
  const Ids ids = encode(t.get(), "Hello, unable world").ids;
  EXPECT_EQ(decode(t.get(), ids), "hello, unable world");
}

}  // namespace
}  // namespace nuvra
