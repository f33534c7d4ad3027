#include "bpe/builtin_tables.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "bpe/merge_table.h"
#include "readers/json_vocab_reader.h"
#include "readers/merge_file_reader.h"

namespace nuvra::bpe {
namespace {

// The built-in tables hold exactly the published files: every vocabulary
// entry at its id, and, where the merge file is published, every merge line
// at its rank.
void expectPublished(BuiltinList list, const std::string& dir, size_t vocab_entries,
                     size_t merge_count) {
  const BuiltinTables& tables = builtinTables(list);
  const std::string vocab_path = std::string(NUVRA_DATA_DIR) + "/" + dir + "/vocab.json";
  const auto pairs = readers::readJsonVocab({vocab_path.c_str(), nullptr});
  ASSERT_TRUE(pairs.has_value()) << vocab_path;
  ASSERT_EQ(pairs->size(), vocab_entries);
  size_t mismatches = 0;
  const VocabIndex& vocab = *tables.token_to_id;
  for (const readers::VocabPair& pair : *pairs) {
    ASSERT_LT(size_t(pair.id), vocab.entryCount());
    if (vocab.text(uint32_t(pair.id)) != pair.text && ++mismatches <= 5) {
      ADD_FAILURE() << dir << " id " << pair.id << ": built " << vocab.text(uint32_t(pair.id));
    }
  }
  EXPECT_EQ(tables.merges->size(), merge_count);
  const std::string merges_path = std::string(NUVRA_DATA_DIR) + "/" + dir + "/merges.txt";
  const auto rules = readers::readMergeFile({merges_path.c_str(), nullptr});
  if (!rules) return;
  ASSERT_EQ(rules->size(), merge_count);
  for (const readers::MergeRule& rule : *rules) {
    if (tables.merges->rank(rule.left, rule.right) != rule.rank && ++mismatches <= 5) {
      ADD_FAILURE() << dir << " merge " << rule.left << " " << rule.right;
    }
  }
}

TEST(BuiltinTablesTest, TranscriptTypeHoldsThePublishedFilesAndItsSpecials) {
  expectPublished(BuiltinList::kTranscript, "whisper-multilingual", 50257, 50000);
  const BuiltinTables& tables = builtinTables(BuiltinList::kTranscript);
  ASSERT_EQ(tables.token_to_id->entryCount(), 50259u);
  EXPECT_EQ(tables.token_to_id->text(50256), "");
  EXPECT_EQ(tables.token_to_id->text(50258), "<|startoftranscript|>");
  EXPECT_EQ(tables.token_to_id->tokens().find("<|startoftranscript|>"), 50258);
  EXPECT_EQ(&builtinTables(BuiltinList::kTranscript), &tables);  // built once, shared by every handle
}

TEST(BuiltinTablesTest, WordEndTypeHoldsThePublishedFiles) {
  expectPublished(BuiltinList::kWordEnd, "clip", 49408, 48894);
  const MergeTable& merges = *builtinTables(BuiltinList::kWordEnd).merges;
  EXPECT_EQ(merges.rank("i", "n"), 0);
  EXPECT_EQ(merges.rank("jeky", "ll</w>"), 48893);
  // The pairs after the first 48,894 of the published list are not used.
  EXPECT_EQ(merges.rank("ha", "bib</w>"), std::nullopt);
}

}  // namespace
}  // namespace nuvra::bpe
