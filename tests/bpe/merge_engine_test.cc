#include "bpe/merge_engine.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "base/utf8.h"
#include "bpe/builtin_tables.h"
#include "bpe/byte_symbols.h"
#include "bpe/naive_bpe.h"

namespace nuvra::bpe {
namespace {

using readers::MergeList;
using readers::TokenIndex;

constexpr int32_t kLimit = MergeTable::kRankLimit;

// Token texts the engine makes of `piece`, through the array loop or, with
// `long_word_symbols` 0, through the heap.
std::vector<std::string> engineTokens(const MergeTable& table, uint32_t type,
                                      std::string_view piece,
                                      size_t long_word_symbols = MergeEngine::kLongWordSymbols) {
  const TokenIndex no_vocab;
  MergeEngine engine(table, no_vocab, type == 1, -1);
  engine.setLongWordSymbols(long_word_symbols);
  std::vector<std::string> tokens;
  for (uint32_t symbol : engine.mergeWord(piece)) tokens.emplace_back(table.symbolText(symbol));
  if (tokens.empty()) tokens.emplace_back(type == 1 ? "</w>" : "");
  return tokens;
}

std::vector<std::string> naiveTokens(const testing::NaiveMerges& merges, uint32_t type,
                                     std::string_view piece) {
  const std::string merged = testing::bpeWord(bytesToSymbols(piece, byteEncoder()), merges, type);
  std::vector<std::string> tokens;
  size_t start = 0;
  for (size_t space = merged.find(' '); space != std::string::npos;
       space = merged.find(' ', start)) {
    tokens.push_back(merged.substr(start, space - start));
    start = space + 1;
  }
  tokens.push_back(merged.substr(start));
  return tokens;
}

// Both merge loops agree with each other and give `expected`.
void expectTokens(const MergeList& rules, uint32_t type, std::string_view piece,
                  const std::vector<std::string>& expected) {
  const MergeTable table(rules);
  EXPECT_EQ(engineTokens(table, type, piece), expected) << "array loop, piece " << piece;
  EXPECT_EQ(engineTokens(table, type, piece, 0), expected) << "heap loop, piece " << piece;
  EXPECT_EQ(naiveTokens(testing::naiveMerges(rules), type, piece), expected)
      << "oracle, piece " << piece;
}

TEST(MergeEngineTest, MergesByRankOnePairPerPass) {
  // " the": (Ġ,t) then (h,e) then (Ġt,he) join the whole word.
  expectTokens({{"Ġ", "t", 0}, {"h", "e", 1}, {"Ġt", "he", 2}}, 0, " the", {"Ġthe"});
  // Every non-overlapping occurrence joins in one pass, scanning left to right.
  expectTokens({{"a", "a", 0}}, 0, "aaa", {"aa", "a"});
  expectTokens({{"a", "a", 0}}, 0, "aaaaa", {"aa", "aa", "a"});
  // (aa, a) outranks (a, a) but is formed during the pass of (a, a), so it
  // waits: "aaaa" is "aa aa", never "aaa a".
  expectTokens({{"aa", "a", 0}, {"a", "a", 1}}, 0, "aaaa", {"aa", "aa"});
  expectTokens({{"aa", "a", 0}, {"a", "a", 1}}, 0, "aaa", {"aaa"});
  // A pair formed in a pass merges in the next one even when it ranks
  // better than the pair still waiting: (b,c) first, then (a,bc) before (c,d).
  expectTokens({{"b", "c", 1}, {"a", "bc", 0}, {"c", "d", 2}}, 0, "abcd", {"abc", "d"});
  // Unranked neighbours stay apart; an empty table leaves single symbols.
  expectTokens({}, 0, "hi", {"h", "i"});
  expectTokens({{"x", "y", 0}}, 0, "ab", {"a", "b"});
}

TEST(MergeEngineTest, EqualRanksFollowPairOrder) {
  // (a,b) sorts before (b,c), whatever the list order.
  expectTokens({{"b", "c", 5}, {"a", "b", 5}}, 0, "abc", {"ab", "c"});
  expectTokens({{"a", "b", 5}, {"b", "c", 5}}, 0, "abc", {"ab", "c"});
  // Left texts compare bytewise: "a" is a prefix of "ab" and sorts first.
  expectTokens({{"a", "b", 1}, {"ab", "c", 3}, {"c", "d", 3}, {"b", "cd", 3}}, 0, "abcd",
               {"abc", "d"});
  // Bytes compare unsigned: "Ġ" (C4 A0) sorts after "z".
  expectTokens({{"Ġ", "a", 7}, {"z", "Ġ", 7}}, 0, "z a", {"zĠ", "a"});
}

TEST(MergeEngineTest, RanksAtTheLimitNeverMerge) {
  expectTokens({{"a", "b", kLimit}}, 0, "ab", {"a", "b"});
  expectTokens({{"a", "b", kLimit + 5}, {"b", "c", kLimit - 1}}, 0, "abc", {"a", "bc"});
  expectTokens({{"a", "b", INT32_MAX}}, 0, "abab", {"a", "b", "a", "b"});
}

TEST(MergeEngineTest, WordEndJoinsTheLastSymbolFirst) {
  // "a" alone is "a</w>"; the marker joins before any merge, so (b, c)
  // cannot merge at the end of "abc" but (b, c</w>) can.
  expectTokens({}, 1, "a", {"a</w>"});
  expectTokens({{"b", "c", 0}}, 1, "abc", {"a", "b", "c</w>"});
  expectTokens({{"b", "c</w>", 0}, {"a", "bc</w>", 1}}, 1, "abc", {"abc</w>"});
  expectTokens({{"a", "b", 0}}, 1, "abab", {"ab", "a", "b</w>"});
  // Without the marker, type 0 merges the same word differently.
  expectTokens({{"a", "b", 0}}, 0, "abab", {"ab", "ab"});
  // An empty piece is one empty token text, "</w>" for the word-end type.
  expectTokens({}, 0, "", {""});
  expectTokens({}, 1, "", {"</w>"});
}

TEST(MergeEngineTest, RecordsLookTokensUpWithUnknownOrDrop) {
  const MergeTable table(MergeList{{"h", "i", 0}, {"Ġ", "x", 1}});
  const std::vector<std::string> vocab{"hi", "Ġ", "q", "", "a</w>"};
  const TokenIndex index(vocab, TokenIndex::Duplicates::kHighestId);
  TokenRecords records;

  // "q" is in the vocabulary, "z" is not: unknown id 3 stands in for it.
  MergeEngine with_unknown(table, index, false, 3);
  with_unknown.encodeWord("hiqz", 4, 10, 14, records);
  EXPECT_EQ(records, (TokenRecords{{0, 4, 10, 14}, {2, 4, 10, 14}, {3, 4, 10, 14}}));

  // Without an unknown id the missing token is dropped and the rest stay.
  records.clear();
  MergeEngine dropping(table, index, false, -1);
  dropping.encodeWord("zhi z", 0, 0, 5, records);
  EXPECT_EQ(records, (TokenRecords{{0, 0, 0, 5}, {1, 0, 0, 5}}));

  // The empty piece looks up the empty text; the word-end type looks up "a</w>".
  records.clear();
  dropping.encodeWord("", 1, 2, 2, records);
  MergeEngine word_end(table, index, true, -1);
  word_end.encodeWord("a", 2, 3, 4, records);
  EXPECT_EQ(records, (TokenRecords{{3, 1, 2, 2}, {4, 2, 3, 4}}));

  records.clear();
  appendTokenRecord("q", index, -1, 5, 6, 7, records);
  appendTokenRecord("<|x|>", index, -1, 5, 6, 7, records);
  appendTokenRecord("<|x|>", index, 0, 5, 6, 7, records);
  EXPECT_EQ(records, (TokenRecords{{2, 5, 6, 7}, {0, 5, 6, 7}}));
}

TEST(MergeEngineTest, TableHoldsDistinctPairsWithTheirLastRank) {
  const MergeTable table(readers::parseMergeList("#version: 0.2\na b\nc d\na b\nx y z\n"));
  EXPECT_EQ(table.size(), 3u);
  EXPECT_EQ(table.rank("a", "b"), 2);
  EXPECT_EQ(table.rank("c", "d"), 1);
  EXPECT_EQ(table.rank("x", "y z"), 3);
  EXPECT_EQ(table.rank("b", "a"), std::nullopt);
  EXPECT_EQ(table.rank("q", "b"), std::nullopt);
  EXPECT_EQ(MergeTable().size(), 0u);
}

// A random table over a few symbols: each rule joins two symbols the table
// can already make, so that merges chain. Ranks are a permutation, or drawn
// from a narrow range so that distinct pairs tie, with a few at or past the
// limit and a few negative; later rules often rank better than the rules
// that made their parts.
MergeList randomRules(std::mt19937& rng, const std::vector<std::string>& alphabet, bool word_end) {
  std::vector<std::string> pool = alphabet;
  if (word_end) {
    for (const std::string& s : alphabet) pool.push_back(s + "</w>");
  }
  const size_t count = 1 + rng() % 24;
  const int mode = int(rng() % 3);
  MergeList rules;
  std::vector<int32_t> ranks(count);
  for (size_t i = 0; i < count; ++i) ranks[i] = int32_t(i);
  std::shuffle(ranks.begin(), ranks.end(), rng);
  for (size_t i = 0; i < count; ++i) {
    std::string left = pool[rng() % pool.size()];
    // Word-end symbols only ever stand on the right.
    while (left.size() >= 4 && left.compare(left.size() - 4, 4, "</w>") == 0) {
      left = pool[rng() % pool.size()];
    }
    const std::string right = pool[rng() % pool.size()];
    int32_t rank = mode == 0 ? ranks[i] : int32_t(rng() % (count / 2 + 1));
    if (rng() % 10 == 0) rank = kLimit + int32_t(rng() % 3) - 1;  // limit - 1, limit, limit + 1
    if (rng() % 40 == 0) rank = -1 - int32_t(rng() % 2);
    rules.push_back({left, right, rank});
    pool.push_back(left + right);
  }
  return rules;
}

TEST(MergeEngineTest, MatchesTheOracleOnRandomWordsAndTables) {
  const char* env = std::getenv("NUVRA_DIFFERENTIAL_ITERATIONS");
  const long iterations = env != nullptr ? std::atol(env) : 3000;
  const std::vector<std::vector<std::string>> alphabets{
      {"a", "b"}, {"a", "b", "c"}, {"x", "y", "z", "w"}, {"a", " ", "\xC3"}};
  std::mt19937 rng(20240611);
  const TokenIndex no_vocab;
  long compared = 0;
  while (compared < iterations) {
    const std::vector<std::string>& alphabet = alphabets[rng() % alphabets.size()];
    const uint32_t type = rng() % 3 == 0 ? 1 : 0;
    std::vector<std::string> symbols;
    for (const std::string& byte : alphabet) symbols.push_back(bytesToSymbols(byte, byteEncoder()));
    const MergeList rules = randomRules(rng, symbols, type == 1);
    const MergeTable table(rules);
    const testing::NaiveMerges merges = testing::naiveMerges(rules);
    MergeEngine short_words(table, no_vocab, type == 1, -1);
    MergeEngine heap_only(table, no_vocab, type == 1, -1);
    heap_only.setLongWordSymbols(0);
    for (int w = 0; w < 10; ++w, ++compared) {
      std::string piece;
      const size_t length = 1 + rng() % 60;
      for (size_t i = 0; i < length; ++i) piece += alphabet[rng() % alphabet.size()];
      const std::vector<std::string> expected = naiveTokens(merges, type, piece);
      for (MergeEngine* engine : {&short_words, &heap_only}) {
        std::vector<std::string> tokens;
        for (uint32_t s : engine->mergeWord(piece)) tokens.emplace_back(table.symbolText(s));
        ASSERT_EQ(tokens, expected) << "type " << type << ", piece \"" << piece << "\", "
                                    << rules.size() << " rules, case " << compared;
      }
    }
  }
}

TEST(MergeEngineTest, RepeatedWordsGiveTheRecordsOfAFreshEngine) {
  // One engine over many words, most of them repeats, against a new engine
  // per word; half the texts the table can make are missing from the
  // vocabulary, so unknown ids and dropped tokens repeat too.
  std::mt19937 rng(77);
  const std::vector<std::string> alphabet{"a", "b", "c", " ", std::string(1, '\0')};
  std::vector<std::string> symbols;
  for (const std::string& byte : alphabet) symbols.push_back(bytesToSymbols(byte, byteEncoder()));
  for (const uint32_t type : {0u, 1u}) {
    const int32_t unknown = type == 0 ? 9 : -1;
    const MergeList rules = randomRules(rng, symbols, type == 1);
    const MergeTable table(rules);
    std::vector<std::string> vocab;
    for (uint32_t s = 0; s < table.symbolCount(); ++s) {
      if (rng() % 2 == 0) vocab.emplace_back(table.symbolText(s));
    }
    const TokenIndex index(vocab, TokenIndex::Duplicates::kHighestId);
    // Enough distinct words to grow the cache to its largest and to fill it.
    MergeEngine engine(table, index, type == 1, unknown);
    TokenRecords records;
    TokenRecords expected;
    for (int32_t w = 0; w < 40000; ++w) {
      // Some words share their first eight bytes, so that words of one
      // length which differ only further on meet in the same cache slot.
      std::string piece = rng() % 4 == 0 ? "abcabcab" : "";
      const size_t length = 1 + rng() % (rng() % 4 == 0 ? 20 : 5);
      for (size_t i = 0; i < length; ++i) piece += alphabet[rng() % alphabet.size()];
      engine.encodeWord(piece, w, w, w + 1, records);
      MergeEngine(table, index, type == 1, unknown).encodeWord(piece, w, w, w + 1, expected);
    }
    ASSERT_EQ(records, expected) << "type " << type;
  }
}

std::string readDataFile(const std::string& relative) {
  std::ifstream in(std::string(NUVRA_DATA_DIR) + "/" + relative, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

// Letters of `text` only (ASCII letters, or characters of three UTF-8 bytes,
// which is kana and CJK in the Japanese novel), repeated up to `size` bytes.
std::string letterRun(const std::string& text, bool cjk, size_t size) {
  std::string letters;
  for (size_t i = 0; i < text.size();) {
    const int n = utf8CharLength(static_cast<unsigned char>(text[i]));
    const size_t len = n == 0 ? 1 : size_t(n);
    const bool ascii_letter = len == 1 && ((text[i] | 0x20) >= 'a' && (text[i] | 0x20) <= 'z');
    if (cjk ? len == 3 : ascii_letter) letters.append(text, i, len);
    i += len;
  }
  std::string run;
  while (!letters.empty() && run.size() + letters.size() <= size) run += letters;
  run.append(letters, 0, size - run.size());
  if (cjk) run.resize(size / 3 * 3);
  return run;
}

// The oracle's table for the built-in byte-level list, read from its file
// once for the tests that need it.
const testing::NaiveMerges& builtinOracle() {
  static const testing::NaiveMerges merges = testing::naiveMerges(
      readers::parseMergeList(readDataFile("whisper-multilingual/merges.txt")));
  return merges;
}

TEST(MergeEngineTest, MatchesTheOracleOnRealTables) {
  // Distinct words of an English text, cut roughly as the pre-tokenizer
  // would: a run of one character kind with at most one leading space.
  const std::string text = readDataFile("text/botchan.txt");
  ASSERT_FALSE(text.empty());
  auto kind = [](unsigned char c) {
    return std::isalpha(c) || c >= 0x80 ? 1 : std::isdigit(c) ? 2 : std::isspace(c) ? 3 : 4;
  };
  std::set<std::string> words;
  for (size_t i = 0; i < text.size() && words.size() < 1000;) {
    size_t j = i + (text[i] == ' ' && i + 1 < text.size() && kind(text[i + 1]) != 3 ? 1 : 0);
    const int k = kind(static_cast<unsigned char>(text[j]));
    while (++j < text.size() && kind(static_cast<unsigned char>(text[j])) == k) {
    }
    words.insert(text.substr(i, j - i));
    i = j;
  }
  // The built-in byte-level table, and a table read from a merge file.
  const readers::MergeList file_rules = readers::parseMergeList(readDataFile("gpt2/merges.txt"));
  const MergeTable file_table(file_rules);
  const testing::NaiveMerges file_merges = testing::naiveMerges(file_rules);
  const TokenIndex no_vocab;
  for (const auto& [table, merges] :
       {std::make_pair(builtinTables(BuiltinList::kTranscript).merges.get(), &builtinOracle()),
        std::make_pair(&file_table, &file_merges)}) {
    MergeEngine engine(*table, no_vocab, false, -1);
    for (const std::string& word : words) {
      std::vector<std::string> tokens;
      for (uint32_t s : engine.mergeWord(word)) tokens.emplace_back(table->symbolText(s));
      ASSERT_EQ(tokens, naiveTokens(*merges, 0, word)) << word;
    }
  }
}

TEST(MergeEngineTest, LongPreTokensMergeWithoutBlowUp) {
  const BuiltinTables& builtin = builtinTables(BuiltinList::kTranscript);
  const MergeTable& table = *builtin.merges;
  const testing::NaiveMerges& merges = builtinOracle();
  ASSERT_EQ(merges.size(), 50000u);
  MergeEngine engine(table, builtin.token_to_id->tokens(), false, -1);
  for (const bool cjk : {false, true}) {
    const std::string source =
        readDataFile(cjk ? "text/wagahaiwa_nekodearu.txt" : "text/botchan.txt");
    ASSERT_FALSE(source.empty());

    // Small enough for the oracle: the heap loop gives exactly its result.
    const std::string small = letterRun(source, cjk, 300);
    std::vector<std::string> tokens;
    for (uint32_t s : engine.mergeWord(small)) tokens.emplace_back(table.symbolText(s));
    EXPECT_EQ(tokens, naiveTokens(merges, 0, small)) << (cjk ? "CJK" : "letters");

    // A whole megabyte as one pre-token: the tokens spell the word again.
    const std::string big = letterRun(source, cjk, 1 << 20);
    const std::vector<uint32_t>& word = engine.mergeWord(big);
    std::string spelled;
    for (uint32_t s : word) spelled += table.symbolText(s);
    EXPECT_EQ(spelled, bytesToSymbols(big, byteEncoder()));
    EXPECT_LT(word.size(), big.size() / 2);
  }
}

}  // namespace
}  // namespace nuvra::bpe
