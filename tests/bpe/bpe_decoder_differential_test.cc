// Decode through the per-id bytes of the vocabulary index against the plain
// definition: symbolsToBytes over the joined kept entries, then the word-end
// clean-up, the UTF-8 cut and the trailing space.
//
// NUVRA_DIFFERENTIAL_ITERATIONS=<n> raises the number of random id sequences.

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "bpe/bpe_decoder.h"
#include "bpe/bpe_encoder.h"
#include "bpe/builtin_tables.h"
#include "bpe/pre_tokenizer.h"
#include "bpe/vocab_index.h"
#include "base/utf8.h"
#include "interface/type_table.h"
#include "nuvra_tokenizer.h"
#include "readers/json_vocab_reader.h"
#include "support/iterations.h"

namespace nuvra::bpe {
namespace {

// nullopt where decode must fail (an id outside the vocabulary, not skipped).
std::optional<std::string> plainDecode(const std::vector<int32_t>& ids, uint32_t type,
                                       uint32_t flags, const std::vector<std::string>& vocab,
                                       const readers::TokenIndex& keys, TagPattern special_pattern,
                                       bool skip_special) {
  std::string joined;
  for (const int32_t id : ids) {
    if (id < 0 || size_t(id) >= vocab.size()) {
      if (skip_special) continue;
      return std::nullopt;
    }
    const std::string& entry = vocab[size_t(id)];
    if (skip_special && isSpecialToken(entry, keys, special_pattern)) continue;
    joined += entry;
  }
  std::string text = symbolsToBytes(joined, byteDecoder());
  if (type == 1) text = cleanUpTokenization(replaceWordEndMarkers(text));
  if ((flags & NUVRA_TOKENIZER_FLAG_UTF8_SAFE) != 0) text = utf8RoundTrip(text);
  if (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

// Random sequences over `vocab`, a quarter of the draws from `favoured`
// (entries the fast path must hand over or skip), a few ids outside.
void expectSameAsPlainDecode(const std::vector<std::string>& vocab, uint32_t type,
                             const std::vector<int32_t>& favoured, size_t rounds, uint32_t seed) {
  const TagPattern pattern = findType(type)->bpe.patterns.special_pattern;
  const VocabIndex index(vocab, pattern, byteDecoder());
  const readers::TokenIndex keys(vocab, readers::TokenIndex::Duplicates::kHighestId);
  std::mt19937 rng(seed);
  const auto size = int32_t(vocab.size());
  for (size_t round = 0; round < rounds; ++round) {
    std::vector<int32_t> ids(rng() % 40);
    for (int32_t& id : ids) {
      const uint32_t pick = rng() % 64;
      if (pick == 0) {
        id = rng() % 2 == 0 ? size + int32_t(rng() % 3) : -1 - int32_t(rng() % 2);
      } else if (pick == 1) {
        id = INT32_MIN;
      } else if (pick < 16 && !favoured.empty()) {
        id = favoured[rng() % favoured.size()];
      } else {
        id = int32_t(rng() % uint32_t(size));
      }
    }
    for (const bool skip : {true, false}) {
      for (const uint32_t flags : {0u, uint32_t(NUVRA_TOKENIZER_FLAG_UTF8_SAFE)}) {
        const std::optional<std::string> expected =
            plainDecode(ids, type, flags, vocab, keys, pattern, skip);
        SCOPED_TRACE("round " + std::to_string(round) + " skip " + std::to_string(skip) +
                     " flags " + std::to_string(flags));
        // No text where an id outside the vocabulary is not skipped.
        ASSERT_EQ(bpeDecode(ids.data(), uint32_t(ids.size()), {type == 1, flags != 0}, index,
                            byteDecoder(), skip ? DecodeSpecials::kSkip : DecodeSpecials::kWrite),
                  expected);
      }
    }
  }
}

TEST(BpeDecoderDifferentialTest, HandMadeVocabulary) {
  // Cut and malformed characters ("\xC3", "\xE2\x82", "a\xFF", a lone
  // continuation byte), halves of one character over two symbols ("Ã" "©"),
  // no-symbol and byte-0 characters ("€", "Ā"), the empty entry, tags of both
  // patterns, a duplicate and word-end markers.
  const std::vector<std::string> vocab = {
      "<s>",   "</s>", "<|eot|>", "",      "Ã",     "©",  "a",   "Ġ",  "\xC3",     "\xE2\x82",
      "a\xFF", "\x80", "€",       "Ā",     "<x y>", "<>", "<b",  "a",  "ĠĠ",       "Ċ",
      "é",     "</w>", "a</w>",   ".</w>", "n't",   "Ġ.", "<s>", "Ã©", "\xC3\xA9", "b\xE2\x82\xAC"};
  std::vector<int32_t> favoured;
  for (int32_t id = 0; id < int32_t(vocab.size()); ++id) {
    if (id != 6 && id != 17) favoured.push_back(id);
  }
  const size_t rounds = testing::iterations(1500);
  for (const uint32_t type : {0u, 1u, 9u}) {
    SCOPED_TRACE("type " + std::to_string(type));
    expectSameAsPlainDecode(vocab, type, favoured, rounds, 7 + type);
  }
}

TEST(BpeDecoderDifferentialTest, PublishedVocabularies) {
  const std::string path = std::string(NUVRA_DATA_DIR) + "/gpt2/vocab.json";
  const std::optional<std::vector<readers::VocabPair>> pairs =
      readers::readJsonVocab(FilePath{path.c_str(), nullptr});
  ASSERT_TRUE(pairs.has_value()) << path;
  std::vector<std::string> gpt2;
  readers::storeVocabPairs(*pairs, gpt2);
  const int32_t end_of_text =
      readers::TokenIndex(gpt2, readers::TokenIndex::Duplicates::kHighestId).find("<|endoftext|>");
  ASSERT_GE(end_of_text, 0);
  const size_t rounds = testing::iterations(1000);
  expectSameAsPlainDecode(gpt2, 9, {end_of_text}, rounds, 11);
  expectSameAsPlainDecode(gpt2, 0, {end_of_text}, rounds, 12);
  const VocabIndex& word_end_index = *builtinTables(BuiltinList::kWordEnd).token_to_id;
  std::vector<std::string> word_end;
  for (uint32_t id = 0; id < word_end_index.entryCount(); ++id) {
    word_end.emplace_back(word_end_index.text(id));
  }
  expectSameAsPlainDecode(word_end, 1, {49406, 49407}, rounds, 13);
}

}  // namespace
}  // namespace nuvra::bpe
