#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "interface/type_table.h"
#include "sentencepiece/decoder.h"
#include "sentencepiece/encoder.h"
#include "sentencepiece/model_loader.h"
#include "sentencepiece/spm_test_support.h"

// Every type's ids and texts against the library's own, over the published
// models and corpora and over models trained here. NUVRA_SPM_PARITY_LINES
// sets how many lines of each corpus are compared ("all" for every line).
namespace nuvra {
namespace {

using testing::oracleIds;
using testing::plainIds;
using testing::spmData;
using Ids = std::vector<int32_t>;

constexpr int32_t kTypes[] = {2, 3, 6, 10};
constexpr size_t kDefaultCorpusLines = 30;

size_t corpusLineLimit() {
  const char* value = std::getenv("NUVRA_SPM_PARITY_LINES");
  if (value == nullptr || *value == '\0') return kDefaultCorpusLines;
  if (std::string(value) == "all") return SIZE_MAX;
  return size_t(std::stoul(value));
}

std::vector<std::string> corpusLines(const std::string& name, size_t limit) {
  std::ifstream in(std::string(NUVRA_DATA_DIR) + "/text/" + name, std::ios::binary);
  std::vector<std::string> lines;
  std::string line;
  while (lines.size() < limit && std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(line);
  }
  EXPECT_FALSE(lines.empty()) << name;
  return lines;
}

// One model under all four types. The family is called directly so that
// one loaded processor serves every type and the oracle: loading a model
// with a normalisation table costs a tenth of a second.
class ModelUnderTest {
 public:
  explicit ModelUnderTest(const std::string& path) : path_(path) {
    std::optional<spm::LoadedModel> loaded =
        spm::loadModel(spm::IdLayout::kShifted, FilePath{path.c_str(), nullptr});
    if (!loaded) throw std::runtime_error("cannot load " + path);
    sp_ = std::move(loaded->processor);
    for (int32_t type : kTypes) {
      patterns_.emplace(type, spm::buildSpecialPattern(findType(uint32_t(type))->spm.layout,
                                                      loaded->special_pattern->ids()));
    }
  }

  const sentencepiece::SentencePieceProcessor& library() const { return *sp_; }

  // Compares encode in both modes and decode of the plain encoding; returns
  // the number of mismatches, reporting the first few.
  int check(const std::string& text) {
    int failures = 0;
    const Ids plain = plainIds(*sp_, text);
    std::vector<int> kept;
    for (int32_t id : plain) {
      if (id != sp_->unk_id()) kept.push_back(id);
    }
    std::string expected_text;
    EXPECT_TRUE(sp_->Decode(kept, &expected_text).ok());
    for (const auto& [type, pattern] : patterns_) {
      const Ids ids = encode(type, text, true);
      failures += report(ids == oracleIds(type, *sp_, text, false), type, "encode", text);
      failures += report(encode(type, text, false) == oracleIds(type, *sp_, text, true), type,
                         "encode with specials", text);
      const std::string decoded = spm::spmDecode(findType(uint32_t(type))->spm, *sp_, pattern.ids(),
                                                 ids.data(), uint32_t(ids.size()),
                                                 DecodeSpecials::kSkip);
      failures += report(decoded == expected_text, type, "decode", text);
    }
    return failures;
  }

 private:
  Ids encode(int32_t type, const std::string& text, bool encode_flag) const {
    Ids ids;
    for (const TokenRecord& record :
         spm::spmEncode(findType(uint32_t(type))->spm, *sp_, patterns_.at(type), text,
                        encode_flag ? EncodeSpecials::kAsText : EncodeSpecials::kRecognise)) {
      ids.push_back(record.id);
      EXPECT_EQ(record.word_id, -1);
      EXPECT_EQ(record.char_start, -1);
      EXPECT_EQ(record.char_end, -1);
    }
    return ids;
  }

  int report(bool ok, int32_t type, const char* what, const std::string& text) {
    if (ok) return 0;
    if (++reported_ <= 5) ADD_FAILURE() << path_ << " type " << type << " " << what << ": " << text;
    return 1;
  }

  std::string path_;
  std::unique_ptr<sentencepiece::SentencePieceProcessor> sp_;
  std::map<int32_t, spm::SpecialPattern> patterns_;
  int reported_ = 0;
};

TEST(SpmParity, PublishedEncodingsOfEveryModelUnderEveryType) {
  const std::vector<testing::ExpectedEncoding> lines = testing::readExpectedEncodings();
  ASSERT_EQ(lines.size(), 684u);
  std::map<std::string, std::unique_ptr<ModelUnderTest>> models;
  int failures = 0;
  for (const testing::ExpectedEncoding& line : lines) {
    auto& model = models[line.model];
    if (!model) model = std::make_unique<ModelUnderTest>(spmData(line.model));
    // The file was made by the same library version: this is the base
    // every type's ids are framed around.
    ASSERT_EQ(plainIds(model->library(), line.text), line.ids) << line.model << ": " << line.text;
    failures += model->check(line.text);
  }
  EXPECT_EQ(models.size(), 6u);
  EXPECT_EQ(failures, 0);
}

TEST(SpmParity, CorporaUnderEveryModelAndType) {
  const size_t limit = corpusLineLimit();
  std::vector<std::string> lines;
  for (const char* corpus : {"botchan.txt", "wagahaiwa_nekodearu.txt", "multilingual_sample.txt"}) {
    const std::vector<std::string> part = corpusLines(corpus, limit);
    lines.insert(lines.end(), part.begin(), part.end());
  }
  int failures = 0;
  for (const char* name : {testing::kLlama, testing::kT5, testing::kOpus, testing::kBarthez}) {
    ModelUnderTest model(spmData(name));
    for (const std::string& line : lines) failures += model.check(line);
  }
  EXPECT_EQ(failures, 0);
}

TEST(SpmParity, TrainedModelsWithControlPiecesInDifferentPlaces) {
  NUVRA_REQUIRE_SPM_TRAIN();
  testing::ModelTrainer trainer;
  const std::map<std::string, std::string> configs = {
      {"unigram", "--model_type=unigram"},                         // unk 0, bos 1, eos 2
      {"unigram_pad", "--model_type=unigram --pad_id=3"},          // and pad 3
      {"bpe_no_bos", "--model_type=bpe --pad_id=0 --eos_id=1 --unk_id=2 --bos_id=-1"},
      {"bpe_bare", "--model_type=bpe --unk_id=0 --bos_id=-1 --eos_id=-1"},
      {"bpe_late_controls",
       "--model_type=bpe --unk_id=5 --bos_id=3 --eos_id=4 --pad_id=1 "
       "--user_defined_symbols='xyz,<mask>'"},
  };
  std::vector<std::string> lines = {
      "", " ", "<s>", "</s>", "<pad>", "<unk>", "<mask>", "<s><s>", "a<pad>b<unk>c<mask>d</s>",
      "<s>Hello</s> world", "xyz</s>xyz<pad>xyz", "  two  spaces  ", "\xE6\x97\xA5\xE6\x9C\xAC<unk>",
      "<<s>>", "</s", "tab\tand\xC2\xA0nbsp",
  };
  const std::vector<std::string> prose = corpusLines("botchan.txt", 400);
  lines.insert(lines.end(), prose.begin() + 300, prose.end());
  int failures = 0;
  for (const auto& [name, options] : configs) {
    ModelUnderTest model(trainer.train(name, options));
    for (const std::string& line : lines) failures += model.check(line);
  }
  EXPECT_EQ(failures, 0);
}

}  // namespace
}  // namespace nuvra
