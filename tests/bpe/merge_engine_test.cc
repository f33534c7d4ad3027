#include "bpe/merge_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "bpe/builtin_tables.h"
#include "bpe/byte_symbols.h"
#include "bpe/naive_bpe.h"
#include "bpe/pre_tokenizer.h"
#include "base/utf8.h"
#include "support/iterations.h"
#include "support/published_resources.h"
#include "support/text_lines.h"

namespace nuvra::bpe {
namespace {

using readers::MergeList;
using readers::TokenIndex;

constexpr int32_t kLimit = MergeTable::kRankLimit;

std::vector<std::string> tokensOf(MergeEngine& engine, const MergeTable& table,
                                  std::string_view piece) {
  std::vector<std::string> tokens;
  for (uint32_t symbol : engine.mergeWord(piece)) tokens.emplace_back(table.symbolText(symbol));
  return tokens;
}

std::vector<std::string> naiveTokens(const testing::NaiveMerges& merges, uint32_t type,
                                     std::string_view piece) {
  return testing::bpeWord(bytesToSymbols(piece, byteEncoder()), merges, type);
}

// Every symbol of the table as a token, with the symbol's id.
TokenIndex everySymbol(const MergeTable& table) {
  std::vector<std::string> texts;
  for (uint32_t s = 0; s < table.symbolCount(); ++s) texts.emplace_back(table.symbolText(s));
  return TokenIndex(texts, TokenIndex::Duplicates::kHighestId);
}

// The ids encodeWord gives, which go through the parts a word falls into
// between bytes that no rule joins.
std::vector<int32_t> encodedIds(MergeEngine& engine, std::string_view piece) {
  TokenRecords records;
  engine.encodeWord(piece, 0, 0, 1, records);
  std::vector<int32_t> ids;
  for (const TokenRecord& record : records) ids.push_back(record.id);
  return ids;
}

std::vector<int32_t> idsOf(const TokenIndex& index, const std::vector<std::string>& tokens) {
  std::vector<int32_t> ids;
  for (const std::string& token : tokens) ids.push_back(index.find(token));
  return ids;
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
  const size_t iterations = nuvra::testing::iterations(3000);
  const std::vector<std::vector<std::string>> alphabets{
      {"a", "b"}, {"a", "b", "c"}, {"x", "y", "z", "w"}, {"a", " ", "\xC3"}};
  std::mt19937 rng(20240611);
  const TokenIndex no_vocab;
  size_t compared = 0;
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
    const TokenIndex vocab = everySymbol(table);
    MergeEngine encoder(table, vocab, type == 1, -1);
    for (int w = 0; w < 10; ++w, ++compared) {
      std::string piece;
      const size_t length = 1 + rng() % 60;
      for (size_t i = 0; i < length; ++i) piece += alphabet[rng() % alphabet.size()];
      const std::vector<std::string> expected = naiveTokens(merges, type, piece);
      const auto context = [&] {
        return "type " + std::to_string(type) + ", piece \"" + piece + "\", " +
               std::to_string(rules.size()) + " rules, case " + std::to_string(compared);
      };
      for (MergeEngine* engine : {&short_words, &heap_only}) {
        ASSERT_EQ(tokensOf(*engine, table, piece), expected) << context();
      }
      ASSERT_EQ(encodedIds(encoder, piece), idsOf(vocab, expected)) << context();
    }
  }
}

TEST(MergeEngineTest, MergeFileOfRepeatsAndManySymbolsMatchesTheOracle) {
  // A merge file as the family reads it: pairs as they come, for the table
  // to keep a repeat's last rank. A quarter of the rules join short texts
  // of a few letters, so that words merge and pairs repeat; the others
  // bring three texts no other rule makes, more symbols than a published
  // list has per rule, so the table outgrows its first estimate.
  std::mt19937 rng(5);
  const auto letters = [&](const char* alphabet, size_t most) {
    std::string text(1 + rng() % most, ' ');
    for (char& c : text) c = alphabet[rng() % std::strlen(alphabet)];
    return text;
  };
  std::string content = "#version: 0.2\n";
  for (int r = 0; r < 4000; ++r) {
    content += r % 4 == 0 ? letters("abcd", 2) + " " + letters("abcd", 2)
                          : letters("efghijklmnopqrstuvwxyz", 6) + " " +
                                letters("efghijklmnopqrstuvwxyz", 6);
    content += "\n";
  }
  // The file, and the file without its repeats, whose pairs pack as read.
  std::string distinct;
  std::set<std::string> lines;
  for (size_t at = 0, end; (end = content.find('\n', at)) != std::string::npos; at = end + 1) {
    const std::string line = content.substr(at, end + 1 - at);
    if (lines.insert(line).second) distinct += line;
  }
  ASSERT_LT(distinct.size(), content.size());
  for (const std::string& file : {content, distinct}) {
    const MergeTable table{readers::MergePairScanner(file)};
    const MergeList folded = readers::parseMergeList(file);
    std::set<std::string> texts;
    for (const ByteEncoder::Symbol& symbol : byteEncoder().symbols) {
      texts.emplace(symbol.text());
      texts.insert(std::string(symbol.text()) + "</w>");
    }
    for (const readers::MergeRule& rule : folded) {
      ASSERT_EQ(table.rank(rule.left, rule.right), rule.rank) << rule.left << " " << rule.right;
      texts.insert({rule.left, rule.right, rule.left + rule.right});
    }
    EXPECT_EQ(table.symbolCount(), texts.size());  // each text interned once
    const testing::NaiveMerges merges = testing::naiveMerges(folded);
    const TokenIndex no_vocab;
    MergeEngine engine(table, no_vocab, false, -1);
    for (int w = 0; w < 300; ++w) {
      const std::string word = letters("abcdef", 40);
      ASSERT_EQ(tokensOf(engine, table, word), naiveTokens(merges, 0, word)) << word;
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

using nuvra::testing::publishedFile;
using nuvra::testing::readFile;

// The oracle's table for the built-in byte-level list, read from its file
// once for the tests that need it.
const testing::NaiveMerges& builtinOracle() {
  static const testing::NaiveMerges merges = testing::naiveMerges(
      readers::parseMergeList(readFile(publishedFile("whisper-multilingual/merges.txt"))));
  return merges;
}

TEST(MergeEngineTest, MatchesTheOracleOnRealTables) {
  // The first thousand distinct pre-tokens of an English novel.
  const std::string text = readFile(publishedFile("text/botchan.txt"));
  std::set<std::string> words;
  WordScanner scanner(text, WordPattern::kAsciiDigit);
  for (std::string_view word; words.size() < 1000 && scanner.next(word);) words.emplace(word);
  ASSERT_EQ(words.size(), 1000u);
  // The built-in byte-level table, and a table read from a merge file.
  const readers::MergeList file_rules = readers::parseMergeList(readFile(publishedFile("gpt2/merges.txt")));
  const MergeTable file_table(file_rules);
  const testing::NaiveMerges file_merges = testing::naiveMerges(file_rules);
  const TokenIndex no_vocab;
  for (const auto& [table, merges] :
       {std::make_pair(builtinTables(BuiltinList::kTranscript).merges.get(), &builtinOracle()),
        std::make_pair(&file_table, &file_merges)}) {
    MergeEngine engine(*table, no_vocab, false, -1);
    for (const std::string& word : words) {
      ASSERT_EQ(tokensOf(engine, *table, word), naiveTokens(*merges, 0, word)) << word;
    }
  }
}

TEST(MergeEngineTest, LongPreTokensInBothLoops) {
  // Letters of the English and the Japanese novel run together as one word.
  const MergeTable& table = *builtinTables(BuiltinList::kTranscript).merges;
  for (const char* novel : {"text/botchan.txt", "text/wagahaiwa_nekodearu.txt"}) {
    const std::string text = readFile(publishedFile(novel));
    std::string run;
    for (size_t i = 0; i < text.size() && run.size() < 300;) {
      const size_t n = std::max(1, utf8CharLength(static_cast<unsigned char>(text[i])));
      if (n == 3 || std::isalpha(static_cast<unsigned char>(text[i]))) run.append(text, i, n);
      i += n;
    }
    const std::vector<std::string> expected = naiveTokens(builtinOracle(), 0, run);
    const TokenIndex no_vocab;
    MergeEngine array_loop(table, no_vocab, false, -1), heap_loop(table, no_vocab, false, -1);
    heap_loop.setLongWordSymbols(0);
    EXPECT_EQ(tokensOf(array_loop, table, run), expected) << novel;
    EXPECT_EQ(tokensOf(heap_loop, table, run), expected) << novel;
    const TokenIndex vocab = everySymbol(table);
    MergeEngine encoder(table, vocab, false, -1);
    EXPECT_EQ(encodedIds(encoder, run), idsOf(vocab, expected)) << novel;
  }
}

}  // namespace
}  // namespace nuvra::bpe
