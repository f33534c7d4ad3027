// Every type against the library itself, over the published models and
// corpora and over models trained here. Ours are compared as entry texts;
// the ids each type gives the pieces are left to the cases of codec_test.cc.
// NUVRA_SPM_PARITY_LINES sets how many lines of each corpus are compared
// ("all" for every line).
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "sentencepiece/spm_test_support.h"
#include "support/json_lines.h"

namespace nuvra::testing {
namespace {

using Texts = std::vector<std::string>;

std::vector<std::string> corpusLines(const std::string& name) {
  const char* value = std::getenv("NUVRA_SPM_PARITY_LINES");
  size_t limit = 30;
  if (value != nullptr && *value != '\0') {
    limit = std::string(value) == "all" ? SIZE_MAX : std::stoul(value);
  }
  std::ifstream in(std::string(NUVRA_DATA_DIR) + "/text/" + name, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; lines.size() < limit && std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(line);
  }
  EXPECT_FALSE(lines.empty()) << name;
  return lines;
}

// One model under all four types, and the library on the same file.
class ModelUnderTest {
 public:
  explicit ModelUnderTest(const std::string& path) : path_(path), sp_(spmProcessor(path)) {
    for (int32_t type : {2, 3, 6, 10}) {
      handles_.emplace(type, std::make_unique<SpmTokenizer>(type, path));
    }
  }
  const sentencepiece::SentencePieceProcessor& library() const { return *sp_; }

  // Both encodes and the decode of the plain encoding; returns the number
  // of mismatches, reporting the first few.
  int check(const std::string& text) {
    int failures = 0;
    Ids kept;
    for (int32_t id : plainIds(*sp_, text)) {
      if (id != sp_->unk_id()) kept.push_back(id);
    }
    std::string expected_text;
    EXPECT_TRUE(sp_->Decode(std::vector<int>(kept.begin(), kept.end()), &expected_text).ok());
    for (auto& [type, t] : handles_) {
      const Ids ids = t->ids(text);
      failures += report(entries(*t, ids) == expected(type, text, false), type, "encode", text);
      failures += report(entries(*t, t->ids(text, kWithSpecials)) == expected(type, text, true),
                         type, "encode with specials", text);
      failures += report(t->text(ids) == expected_text, type, "decode", text);
    }
    return failures;
  }

 private:
  static Texts entries(const Tokenizer& t, const Ids& ids) {
    Texts out;
    for (int32_t id : ids) out.push_back(t.vocabEntry(id));
    return out;
  }

  Texts expected(int32_t type, const std::string& text, bool with_specials) const {
    return expectedEntries(type, *sp_, text, with_specials);
  }

  int report(bool ok, int32_t type, const char* what, const std::string& text) {
    if (ok) return 0;
    if (++reported_ <= 5) ADD_FAILURE() << path_ << " type " << type << " " << what << ": " << text;
    return 1;
  }

  std::string path_;
  std::unique_ptr<sentencepiece::SentencePieceProcessor> sp_;
  std::map<int32_t, std::unique_ptr<SpmTokenizer>> handles_;
  int reported_ = 0;
};

TEST(SpmParity, PublishedEncodingsOfEveryModelUnderEveryType) {
  const auto lines = readJsonLines(spmData("expected_encodings.jsonl"));
  ASSERT_EQ(lines.size(), 684u);
  std::map<std::string, std::unique_ptr<ModelUnderTest>> models;
  int failures = 0;
  for (const auto& line : lines) {
    const auto name = line.at("model").get<std::string>();
    const auto text = line.at("text").get<std::string>();
    auto& model = models[name];
    if (!model) model = std::make_unique<ModelUnderTest>(spmData(name));
    // Made by the same library version: the base every type is framed around.
    ASSERT_EQ(plainIds(model->library(), text), line.at("ids").get<Ids>()) << name << ": " << text;
    failures += model->check(text);
  }
  EXPECT_EQ(models.size(), 6u);
  EXPECT_EQ(failures, 0);
}

TEST(SpmParity, CorporaUnderEveryModelAndType) {
  std::vector<std::string> lines;
  for (const char* corpus : {"botchan.txt", "wagahaiwa_nekodearu.txt", "multilingual_sample.txt"}) {
    const std::vector<std::string> part = corpusLines(corpus);
    lines.insert(lines.end(), part.begin(), part.end());
  }
  int failures = 0;
  for (const char* name : {kLlama, kT5, kOpus, kBarthez}) {
    ModelUnderTest model(spmData(name));
    for (const std::string& line : lines) failures += model.check(line);
  }
  EXPECT_EQ(failures, 0);
}

TEST(SpmParity, TrainedModelsWithControlPiecesInDifferentPlaces) {
  NUVRA_REQUIRE_SPM_TRAIN();
  ModelTrainer trainer;
  const std::map<std::string, std::string> configs = {
      {"unigram", "--model_type=unigram"},                         // unk 0, bos 1, eos 2
      {"unigram_pad", "--model_type=unigram --pad_id=3"},          // and pad 3
      {"bpe_no_bos", "--model_type=bpe --pad_id=0 --eos_id=1 --unk_id=2 --bos_id=-1"},
      {"bpe_bare", "--model_type=bpe --unk_id=0 --bos_id=-1 --eos_id=-1"},
      {"bpe_late_controls",
       "--model_type=bpe --unk_id=5 --bos_id=3 --eos_id=4 --pad_id=1 "
       "--user_defined_symbols='xyz,<mask>'"},
      {"five", "--model_type=unigram --add_dummy_prefix=false --user_defined_symbols=AA,BB,xyz"},
  };
  std::vector<std::string> lines = {
      "", " ", "<s>", "</s>", "<pad>", "<unk>", "<mask>", "<s><s>", "a<pad>b<unk>c<mask>d</s>",
      "<s>Hello</s> world", "xyz</s>xyz<pad>xyz", "  two  spaces  ", "\xE6\x97\xA5\xE6\x9C\xAC<unk>",
      "<<s>>", "</s", "tab\tand\xC2\xA0nbsp", "</s>xyzq", "the<pad>xyz",
  };
  const std::vector<std::string> prose = corpusLines("botchan.txt");
  lines.insert(lines.end(), prose.begin(), prose.end());
  int failures = 0;
  for (const auto& [name, options] : configs) {
    ModelUnderTest model(trainer.train(name, options));
    for (const std::string& line : lines) failures += model.check(line);
  }
  EXPECT_EQ(failures, 0);
}

}  // namespace
}  // namespace nuvra::testing
