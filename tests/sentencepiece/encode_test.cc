#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "nuvra_tokenizer.h"
#include "sentencepiece/spm_test_support.h"

namespace nuvra {
namespace {

using testing::concat;
using testing::encodeIds;
using testing::plainIds;
using testing::spmData;
using testing::spmProcessor;
using testing::spmTokenizer;
using Ids = std::vector<int32_t>;

Ids shifted(Ids ids) {  // type 2's view of piece ids 3 and up
  for (int32_t& id : ids) id += 1;
  return ids;
}

TEST(SpmEncode, EachTypeFramesTheModelsSegmentation) {
  const auto sp = spmProcessor(spmData(testing::kLlama));  // unk 0, bos 1, eos 2, no pad
  const Ids plain = plainIds(*sp, "Hello world");
  ASSERT_EQ(plain, (Ids{15043, 3186}));
  for (bool with_specials : {false, true}) {
    auto t2 = spmTokenizer(2, spmData(testing::kLlama));
    EXPECT_EQ(encodeIds(t2.get(), "Hello world", with_specials), (Ids{0, 15044, 3187, 2}));
    auto t3 = spmTokenizer(3, spmData(testing::kLlama));
    EXPECT_EQ(encodeIds(t3.get(), "Hello world", with_specials), (Ids{15043, 3186, 2}));
    auto t6 = spmTokenizer(6, spmData(testing::kLlama));
    EXPECT_EQ(encodeIds(t6.get(), "Hello world", with_specials), (Ids{15043, 3186, 2}));
    auto t10 = spmTokenizer(10, spmData(testing::kLlama));
    EXPECT_EQ(encodeIds(t10.get(), "Hello world", with_specials), (Ids{1, 15043, 3186}));
    // The empty text keeps its frame.
    EXPECT_EQ(encodeIds(t2.get(), "", with_specials), (Ids{0, 2}));
    EXPECT_EQ(encodeIds(t10.get(), "", with_specials), (Ids{1}));
  }
}

TEST(SpmEncode, AModelWithoutBosOrEosGetsNoRecordForIt) {
  const auto t5 = spmProcessor(spmData(testing::kT5));  // pad 0, eos 1, unk 2, no bos
  const Ids plain = plainIds(*t5, "Hello world");
  auto t10 = spmTokenizer(10, spmData(testing::kT5));
  EXPECT_EQ(encodeIds(t10.get(), "Hello world"), plain);
  EXPECT_EQ(encodeIds(t10.get(), ""), Ids{});
  // Type 2 frames with EOS only; piece 1 (EOS) is model id 0 after the shift.
  auto t2 = spmTokenizer(2, spmData(testing::kT5));
  EXPECT_EQ(encodeIds(t2.get(), "Hello world"), concat({shifted(plain), {0}}));

  NUVRA_REQUIRE_SPM_TRAIN();
  testing::ModelTrainer trainer;
  const std::string bare = trainer.train("bare", "--model_type=bpe --bos_id=-1 --eos_id=-1");
  const auto sp = spmProcessor(bare);
  for (int32_t type : {3, 6, 10}) {
    auto t = spmTokenizer(type, bare);
    EXPECT_EQ(encodeIds(t.get(), "the end"), plainIds(*sp, "the end")) << type;
    // "<s>" and "</s>" are no special texts of this model; "<unk>" is.
    EXPECT_EQ(encodeIds(t.get(), "<s></s><unk>", true), concat({plainIds(*sp, "<s></s>"), {0}}))
        << type;
  }
}

TEST(SpmEncode, SpecialTextsBecomeSingleIdsOnlyWhenAsked) {
  const auto sp = spmProcessor(spmData(testing::kLlama));
  const Ids a = plainIds(*sp, "a"), b = plainIds(*sp, "b"), hi = plainIds(*sp, "Hi");
  const std::string text = "<s>Hi</s><unk>a<pad>b";
  // Every gap is segmented on its own, so "Hi" gets its own word start.
  auto t6 = spmTokenizer(6, spmData(testing::kLlama));
  EXPECT_EQ(encodeIds(t6.get(), text, true), concat({{1}, hi, {2, 0}, a, b, {2}}));
  EXPECT_EQ(encodeIds(t6.get(), text), concat({plainIds(*sp, text), {2}}));
  auto t10 = spmTokenizer(10, spmData(testing::kLlama));
  EXPECT_EQ(encodeIds(t10.get(), text, true), concat({{1, 1}, hi, {2, 0}, a, b}));
  // Without a pad piece type 3 uses the entry after the last piece.
  auto t3 = spmTokenizer(3, spmData(testing::kLlama));
  EXPECT_EQ(encodeIds(t3.get(), "a<pad>b", true), concat({a, {32000}, b, {2}}));
  // Type 2: "<pad>" is its own entry 1, "<mask>" the last one.
  auto t2 = spmTokenizer(2, spmData(testing::kLlama));
  EXPECT_EQ(encodeIds(t2.get(), "a<pad>b<mask>", true),
            concat({{0}, shifted(a), {1}, shifted(b), {32001, 2}}));
  // "<mask>" means nothing to the other types, nor a special text written
  // in other case.
  EXPECT_EQ(encodeIds(t6.get(), "a<mask><S>", true), concat({plainIds(*sp, "a<mask><S>"), {2}}));
  // Found inside a word too.
  EXPECT_EQ(encodeIds(t6.get(), "ab</s>b", true),
            concat({plainIds(*sp, "ab"), {2}, b, {2}}));
}

TEST(SpmEncode, APadPieceOfTheModelIsUsedAsItIs) {
  // barthez: bos 0, pad 1, eos 2, unk 3.
  const auto sp = spmProcessor(spmData(testing::kBarthez));
  const Ids a = plainIds(*sp, "a"), b = plainIds(*sp, "b");
  auto t3 = spmTokenizer(3, spmData(testing::kBarthez));
  EXPECT_EQ(encodeIds(t3.get(), "a<pad>b<unk>", true), concat({a, {1}, b, {3, 2}}));
  auto t10 = spmTokenizer(10, spmData(testing::kBarthez));
  EXPECT_EQ(encodeIds(t10.get(), "<pad><s>", true), (Ids{0, 1, 0}));
  // Type 2 shifts whatever the pieces are: this model's BOS (piece 0) is id 3,
  // its pad (piece 1) id 0 and its unknown (piece 3) id 4.
  auto t2 = spmTokenizer(2, spmData(testing::kBarthez));
  EXPECT_EQ(encodeIds(t2.get(), "<pad><unk>", true), (Ids{3, 0, 4, 2}));
}

TEST(SpmEncode, TypeSixDropsALeadingFiveOfAPieceAfterTheFirstRecord) {
  NUVRA_REQUIRE_SPM_TRAIN();
  testing::ModelTrainer trainer;
  // No word-start prefix and "xyz" defined as piece 5: "xyz..." starts with 5.
  const std::string model = trainer.train(
      "five", "--model_type=unigram --add_dummy_prefix=false --user_defined_symbols=AA,BB,xyz");
  const auto sp = spmProcessor(model);
  const Ids xyzq = plainIds(*sp, "xyzq");
  ASSERT_EQ(xyzq.front(), 5);
  const Ids rest(xyzq.begin() + 1, xyzq.end());
  auto t6 = spmTokenizer(6, model);
  EXPECT_EQ(encodeIds(t6.get(), "xyzq", true), concat({xyzq, {2}}));
  EXPECT_EQ(encodeIds(t6.get(), "</s>xyzq", true), concat({{2}, rest, {2}}));
  EXPECT_EQ(encodeIds(t6.get(), "the<pad>xyz", true), concat({plainIds(*sp, "the"), {2}}));
  // Only for type 6, and only when special texts are recognised.
  EXPECT_EQ(encodeIds(t6.get(), "</s>xyzq"), concat({plainIds(*sp, "</s>xyzq"), {2}}));
  auto t3 = spmTokenizer(3, model);
  EXPECT_EQ(encodeIds(t3.get(), "</s>xyzq", true), concat({{2}, xyzq, {2}}));
}

}  // namespace
}  // namespace nuvra
