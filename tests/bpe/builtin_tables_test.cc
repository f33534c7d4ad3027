#include "bpe/builtin_tables.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "bpe/merge_engine.h"
#include "interface/type_table.h"
#include "readers/json_vocab_reader.h"

namespace nuvra::bpe {
namespace {

// Every entry of a published vocabulary file stands at its id.
void expectVocabFile(const std::vector<std::string>& vocab, const std::string& relative,
                     size_t expected_entries) {
  const std::string path = std::string(NUVRA_DATA_DIR) + "/" + relative;
  const std::optional<std::vector<readers::VocabPair>> pairs =
      readers::readJsonVocab(FilePath{path.c_str(), nullptr});
  ASSERT_TRUE(pairs.has_value()) << path;
  ASSERT_EQ(pairs->size(), expected_entries);
  size_t mismatches = 0;
  for (const readers::VocabPair& pair : *pairs) {
    ASSERT_LT(size_t(pair.id), vocab.size());
    if (vocab[size_t(pair.id)] != pair.text) {
      ADD_FAILURE_AT(relative.c_str(), pair.id)
          << "id " << pair.id << ": built " << vocab[size_t(pair.id)] << ", file " << pair.text;
      if (++mismatches == 5) return;
    }
  }
}

TEST(BuiltinTablesTest, TranscriptTypeMatchesThePublishedVocabulary) {
  const BuiltinTables& tables = builtinTables(BuiltinList::kTranscript);
  const std::vector<std::string>& vocab = *tables.vocab;
  ASSERT_EQ(vocab.size(), 50259u);
  EXPECT_EQ(vocab[0], "!");
  EXPECT_EQ(vocab[255], "\xC5\x83");  // U+0143, the symbol of byte 0xAD, last of the table
  EXPECT_EQ(vocab[256], "Ġt");
  EXPECT_EQ(vocab[50255], "åľº");
  EXPECT_EQ(vocab[50256], "");
  EXPECT_EQ(vocab[50257], "<|endoftext|>");
  EXPECT_EQ(vocab[50258], "<|startoftranscript|>");
  expectVocabFile(vocab, "whisper-multilingual/vocab.json", 50257);

  EXPECT_EQ(tables.token_to_id->tokens().find(""), 50256);
  EXPECT_EQ(tables.token_to_id->tokens().find("Ġt"), 256);
  EXPECT_EQ(tables.token_to_id->tokens().find("<|startoftranscript|>"), 50258);
  EXPECT_EQ(tables.token_to_id->tokens().size(), 50259u);

  const MergeTable& merges = *tables.merges;
  EXPECT_EQ(merges.size(), 50000u);
  EXPECT_EQ(merges.rank("Ġ", "t"), 0);
  EXPECT_EQ(merges.rank("i", "n"), 3);
  EXPECT_EQ(merges.rank("åľ", "º"), 49999);
  EXPECT_EQ(merges.rank("t", "Ġ"), std::nullopt);
  // Both vocabularies come from one build, shared by every handle.
  EXPECT_EQ(&builtinTables(BuiltinList::kTranscript), &tables);
}

TEST(BuiltinTablesTest, WordEndTypeMatchesThePublishedVocabulary) {
  const BuiltinTables& tables = builtinTables(BuiltinList::kWordEnd);
  const std::vector<std::string>& vocab = *tables.vocab;
  ASSERT_EQ(vocab.size(), 49408u);
  EXPECT_EQ(vocab[256], "!</w>");
  EXPECT_EQ(vocab[512], "in");
  EXPECT_EQ(vocab[49405], "jekyll</w>");
  EXPECT_EQ(vocab[49406], "<|startoftext|>");
  EXPECT_EQ(vocab[49407], "<|endoftext|>");
  expectVocabFile(vocab, "clip/vocab.json", 49408);

  const MergeTable& merges = *tables.merges;
  EXPECT_EQ(merges.size(), 48894u);
  EXPECT_EQ(merges.rank("i", "n"), 0);
  EXPECT_EQ(merges.rank("t", "h"), 1);
  EXPECT_EQ(merges.rank("jeky", "ll</w>"), 48893);
  // The pairs after the first 48,894 are not used.
  EXPECT_EQ(merges.rank("ha", "bib</w>"), std::nullopt);
  EXPECT_EQ(tables.token_to_id->tokens().find("jeky"), 43893);
}

TEST(BuiltinTablesTest, OtherTypesStartEmpty) {
  for (uint32_t type : {2u, 7u, 8u, 9u}) {
    const BuiltinTables& tables = builtinTables(findType(type)->bpe.builtin);
    EXPECT_TRUE(tables.vocab->empty());
    EXPECT_EQ(tables.token_to_id->tokens().size(), 0u);
    EXPECT_EQ(tables.merges->size(), 0u);
  }
}

// Ids of ASCII words, each encoded on its own by the type's built-in tables.
std::vector<int32_t> idsOfWords(uint32_t type, const std::vector<std::string>& words) {
  const BuiltinTables& tables = builtinTables(findType(type)->bpe.builtin);
  MergeEngine engine(*tables.merges, tables.token_to_id->tokens(), type == 1, -1);
  TokenRecords records;
  int32_t start = 0;
  for (size_t i = 0; i < words.size(); ++i) {
    const auto end = start + int32_t(words[i].size());
    engine.encodeWord(words[i], int32_t(i), start, end, records);
    start = end;
  }
  std::vector<int32_t> ids;
  for (const TokenRecord& record : records) ids.push_back(record.id);
  return ids;
}

TEST(BuiltinTablesTest, EncodesWordsOfBothTypes) {
  // "Ġthe", "Hello"
  EXPECT_EQ(idsOfWords(0, {" the", "Hello"}), (std::vector<int32_t>{264, 15947}));
  // "hello</w>", "a</w>"
  EXPECT_EQ(idsOfWords(1, {"hello", "a"}), (std::vector<int32_t>{3306, 320}));
}

}  // namespace
}  // namespace nuvra::bpe
