#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "interface/type_table.h"
#include "sentencepiece/encoder.h"
#include "sentencepiece/long_text_encoder.h"
#include "sentencepiece/model_loader.h"
#include "sentencepiece/spm_test_support.h"
#include "support/published_resources.h"
#include "support/text_lines.h"

// Long texts cut at spaces must give the ids of one library call on the
// whole text. Cutting at every allowed space (pieces of one byte) is the
// hardest case; the real size only changes how many cuts are taken.
namespace nuvra {
namespace {

using Ids = std::vector<int>;

// Under ASan every one of the library's many allocations is slow: a sample
// of the lines keeps the test to seconds there.
#ifdef __SANITIZE_ADDRESS__
constexpr size_t kLineStride = 16;
#else
constexpr size_t kLineStride = 1;
#endif

// Runs of spaces, tabs and line breaks, special texts, marks, characters
// that normalise to spaces or to nothing, a combining mark after a space.
std::string randomText(std::mt19937& rng, size_t parts) {
  static const std::vector<std::string> fragments = {
      "a", "Bc", "the", "x1", "--", ".", ",", "'", "<", " ", " ", " ", "  ", "   ", "\t", "\n",
      "\r\n", " \n ", "<s>", "</s>", "<pad>", "<unk>", "<mask>", "\xE2\x96\x81", "\xC2\xA0",
      "\xE3\x80\x80", "\xE2\x80\x8D", "\xCC\x88", "\xC3\xA9", "\xE6\x97\xA5\xE6\x9C\xAC",
      "\xF0\x9F\x98\x80", "\xEF\xB7\xBA", "\xEF\xBC\xA1", "\xC2\xA8", "\xE2\x80\x83", "xyz"};
  std::string text;
  for (size_t i = 0; i < parts; ++i) text += fragments[rng() % fragments.size()];
  return text;
}

struct Model {
  std::string name;
  std::unique_ptr<sentencepiece::SentencePieceProcessor> sp;
  spm::ModelIds ids;
};

Model load(const std::string& name, const std::string& path) {
  std::optional<spm::LoadedModel> loaded =
      spm::loadModel(spm::IdLayout::kShifted, FilePath{path.c_str(), nullptr});
  if (!loaded) throw std::runtime_error("cannot load " + path);
  return {name, std::move(loaded->processor), loaded->special_pattern->ids()};
}

// Ids of `text` cut at every allowed space compared with one call; the
// number of texts that differ, the first few reported.
int compareCut(const Model& m, const std::vector<std::string>& texts, int& reported) {
  int failures = 0;
  Ids cut, whole;
  for (const std::string& text : texts) {
    spm::encodeText(*m.sp, m.ids.cut, text, cut, 1);
    m.sp->Encode(text, &whole).IgnoreError();
    if (cut == whole) continue;
    ++failures;
    if (++reported <= 5) ADD_FAILURE() << m.name << ": " << text.substr(0, 200);
  }
  return failures;
}

TEST(SpmLongText, CutsOnlyWhereTheModelAllowsAndGivesTheIdsOfOneCall) {
  std::vector<Model> models;
  // Unigram models sum float scores from the text's start, so their ties
  // cannot be reproduced piecewise: they are never cut.
  const std::vector<std::pair<std::string, bool>> published = {
      {testing::kLlama, true}, {testing::kBarthez, true}, {testing::kT5, false},
      {testing::kOpus, false}, {"sentencepiece-test_model.model", false}};
  for (const auto& [name, cuts] : published) {
    models.push_back(load(name, testing::spmData(name)));
    EXPECT_EQ(models.back().ids.cut.at_spaces, cuts) << name;
  }
  testing::ModelTrainer trainer;
  if (testing::ModelTrainer::available()) {
    const std::vector<std::tuple<std::string, std::string, bool>> trained = {
        {"bpe", "--model_type=bpe --user_defined_symbols='xyz,<mask>'", true},
        {"bpe_suffix", "--model_type=bpe --treat_whitespace_as_suffix=true", true},
        {"bpe_bytes_ws", "--model_type=bpe --byte_fallback=true --allow_whitespace_only_pieces=true "
                         "--remove_extra_whitespaces=false --vocab_size=400", true},
        {"bpe_nfkc_keep_ws", "--model_type=bpe --normalization_rule_name=nmt_nfkc "
                             "--remove_extra_whitespaces=false", true},
        {"char", "--model_type=char", true},
        {"word", "--model_type=word", false},  // unknown words join across spaces
        {"bpe_no_prefix", "--model_type=bpe --add_dummy_prefix=false", false},
        {"bpe_across_words", "--model_type=bpe --split_by_whitespace=false", false},
    };
    for (const auto& [name, options, cuts] : trained) {
      models.push_back(load(name, trainer.train(name, options)));
      EXPECT_EQ(models.back().ids.cut.at_spaces, cuts) << name;
    }
  }

  std::vector<std::string> texts;
  for (const char* corpus : {"botchan.txt", "wagahaiwa_nekodearu.txt", "multilingual_sample.txt"}) {
    const std::string content = testing::readFile(testing::publishedFile(std::string("text/") + corpus));
    ASSERT_FALSE(content.empty()) << corpus;
    const std::vector<std::string> lines = testing::splitLines(content);
    for (size_t i = 0; i < lines.size(); i += kLineStride) texts.push_back(lines[i]);
    // One call on a megabyte takes BPE models seconds (minutes under ASan).
    if (content.size() < 512 * 1024) texts.push_back(content);
  }
  std::mt19937 rng(20261207);
  for (int i = 0; i < 400; ++i) texts.push_back(randomText(rng, 1 + rng() % 40));

  int failures = 0, reported = 0;
  for (const Model& m : models) {
    if (m.ids.cut.at_spaces) failures += compareCut(m, texts, reported);
  }
  EXPECT_EQ(failures, 0);
}

// Through the family: special texts are cut out first, then each long gap
// at spaces; type 6 drops a leading 5 of a gap, never of a piece of one.
TEST(SpmLongText, LongGapsThroughEveryTypeMatchTheOracle) {
  NUVRA_REQUIRE_SPM_TRAIN();
  testing::ModelTrainer trainer;
  const std::string path = trainer.train("bpe", "--model_type=bpe");
  const Model m = load("bpe", path);
  const std::string prose = testing::readFile(testing::publishedFile("text/botchan.txt")).substr(0, 4 * spm::kLongTextBytes);
  // The piece after a long unbroken run starts with piece 5, ▁ + a word.
  const std::string five = m.sp->IdToPiece(5);
  ASSERT_EQ(five.rfind("\xE2\x96\x81", 0), 0u) << five;
  std::string run;
  while (run.size() <= spm::kLongTextBytes) run += "ab\n";
  const std::string text = "</s>" + run + "ab " + five.substr(3) + " x" + prose + "<pad>" +
                           prose.substr(100) + "<s><unk>" + prose;
  for (int32_t type : {2, 3, 6, 10}) {
    testing::SpmTokenizer t(type, path);
    for (bool specials : {false, true}) {
      std::vector<std::string> entries;
      for (int32_t id : t.ids(text, specials)) entries.push_back(t.vocabEntry(id));
      EXPECT_EQ(entries, testing::expectedEntries(type, *m.sp, text, specials))
          << "type " << type << " specials " << specials;
    }
  }
}

}  // namespace
}  // namespace nuvra
