#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "nuvra_tokenizer.h"
#include "sentencepiece/spm_test_support.h"

namespace nuvra {
namespace {

using testing::decodeText;
using testing::encodeIds;
using testing::spmData;
using testing::spmProcessor;
using testing::spmTokenizer;
using Ids = std::vector<int32_t>;

// llama pieces: 0 "<unk>", 1 "<s>", 2 "</s>", 3 "<0x00>".
constexpr int32_t kHello = 15043, kWorld = 3186, kAbc = 10736, kMarkAbc = 25638, kLd = 430,
                  kMarkMark = 259;

TEST(SpmDecode, SkippingSpecialsLeavesOutWhatHasNoTextOfItsOwn) {
  auto t2 = spmTokenizer(2, spmData(testing::kLlama));
  const Ids ids = encodeIds(t2.get(), "Hello world");
  ASSERT_EQ(ids, (Ids{0, kHello + 1, kWorld + 1, 2}));
  EXPECT_EQ(decodeText(t2.get(), ids), "Hello world");
  // Unknown (3), pad (1), mask (32001) and ids outside the range go; the
  // rest is still detokenised rather than lost.
  EXPECT_EQ(decodeText(t2.get(), {3, kHello + 1, 1, 32001, 32002, -5, kWorld + 1}),
            "Hello world");

  // t5: pad 0, eos 1, unk 2; type 3 also drops its own pad 32000 and beyond.
  const auto t5 = spmProcessor(spmData(testing::kT5));
  const int32_t hello = t5->PieceToId("\xE2\x96\x81Hello");
  auto t3 = spmTokenizer(3, spmData(testing::kT5));
  EXPECT_EQ(decodeText(t3.get(), {0, hello, 2, 32000, 32001, 1}), "Hello");
  for (int32_t type : {6, 10}) {
    auto t = spmTokenizer(type, spmData(testing::kLlama));
    EXPECT_EQ(decodeText(t.get(), {1, kHello, 0, 32000, -1, kWorld, 2}), "Hello world") << type;
    // Byte pieces are put back together by the model.
    EXPECT_EQ(decodeText(t.get(), encodeIds(t.get(), "\xF0\x9F\x98\x80 \xE2\x82\xAC")),
              "\xF0\x9F\x98\x80 \xE2\x82\xAC");
  }
}

TEST(SpmDecode, WritingSpecialsSpellsOutEveryPiece) {
  auto t10 = spmTokenizer(10, spmData(testing::kLlama));
  // The first piece never gets a space; a word-start mark inside a piece and
  // byte pieces stay as they are.
  EXPECT_EQ(decodeText(t10.get(), {kHello}, true), "Hello");
  EXPECT_EQ(decodeText(t10.get(), {1, kHello, kWorld, 2}, true), "<s> Hello world</s>");
  EXPECT_EQ(decodeText(t10.get(), {1, kAbc, 0, 3, 0x41 + 3}, true), "<s>abc<unk><0x00><0x41>");
  EXPECT_EQ(decodeText(t10.get(), {kHello, kMarkMark}, true), "Hello \xE2\x96\x81");
  // -1 and n name the pad entry for every type; ids beyond are skipped.
  EXPECT_EQ(decodeText(t10.get(), {-2, kHello, 99999, kLd, -1, 32000, 32001}, true),
            "Hellold<pad><pad>");

  // Type 6 separates a word from a special piece before it, with or
  // without a mark.
  auto t6 = spmTokenizer(6, spmData(testing::kLlama));
  EXPECT_EQ(decodeText(t6.get(), {1, kAbc}, true), "<s> abc");
  EXPECT_EQ(decodeText(t6.get(), {1, kMarkAbc}, true), "<s> abc");
  EXPECT_EQ(decodeText(t6.get(), {1, 2, kAbc, kLd}, true), "<s></s> abcld");

  // Type 2: model id 1 is "<pad>" and n + 1 "<mask>".
  auto t2 = spmTokenizer(2, spmData(testing::kLlama));
  EXPECT_EQ(decodeText(t2.get(), {0, 1, kHello + 1, 32001, 3, 32002, -1}, true),
            "<s><pad> Hello<mask><unk>");
}

TEST(SpmDecode, TypeThreeMovesTheSpaceAfterAnInnerSpecialPiece) {
  const auto t5 = spmProcessor(spmData(testing::kT5));  // eos 1
  const int32_t hello = t5->PieceToId("\xE2\x96\x81Hello");
  const int32_t world = t5->PieceToId("\xE2\x96\x81world");
  auto t3 = spmTokenizer(3, spmData(testing::kT5));
  EXPECT_EQ(decodeText(t3.get(), {hello, 1, world, 1}, true), "Hello</s> world</s>");
  // Its own pad entry (32000) is a special piece too; ids past it vanish
  // before the positions are counted, so the last "</s>" stays last.
  EXPECT_EQ(decodeText(t3.get(), {1, hello, 32000, world, 1, 32001}, true),
            "</s> Hello<pad> world</s>");
  EXPECT_EQ(decodeText(t3.get(), {hello, 32000, 1, world}, true), "Hello<pad> </s> world");
  // First and last pieces get no space after them.
  const int32_t s = t5->PieceToId("s");
  EXPECT_EQ(decodeText(t3.get(), {1, s, 1}, true), "</s>s</s>");
}

TEST(SpmDecode, NoIdsGiveTheEmptyTextInBothModes) {
  for (int32_t type : {2, 3, 6, 10}) {
    auto t = spmTokenizer(type, spmData(testing::kLlama));
    const int32_t hello = type == 2 ? kHello + 1 : kHello;
    EXPECT_EQ(decodeText(t.get(), {hello}), "Hello");
    EXPECT_EQ(decodeText(t.get(), {}), "") << type;
    EXPECT_EQ(decodeText(t.get(), {hello}, true), "Hello");
    EXPECT_EQ(decodeText(t.get(), {}, true), "") << type;
  }
}

}  // namespace
}  // namespace nuvra
