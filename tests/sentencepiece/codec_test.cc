// Encode, decode and vocabulary of the SentencePiece types through the C
// interface, with ids written out; parity_test.cc compares whole corpora.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sentencepiece/spm_test_support.h"

namespace nuvra::testing {
namespace {

TEST(SpmEncode, EachTypeFramesTheModelsSegmentation) {
  const auto sp = spmProcessor(spmData(kLlama));  // unk 0, bos 1, eos 2, no pad
  ASSERT_EQ(plainIds(*sp, "Hello world"), (Ids{15043, 3186}));
  const struct {
    int32_t type;
    Ids hello_world, empty;
  } cases[] = {{2, {0, 15044, 3187, 2}, {0, 2}},
               {3, {15043, 3186, 2}, {2}},
               {6, {15043, 3186, 2}, {2}},
               {10, {1, 15043, 3186}, {1}}};
  for (const auto& c : cases) {
    SpmTokenizer t(c.type, spmData(kLlama));
    for (bool specials : {false, true}) {
      EXPECT_EQ(t.ids("Hello world", specials), c.hello_world) << c.type;
      EXPECT_EQ(t.ids("", specials), c.empty) << c.type;
    }
  }
}

// llama pieces: 0 "<unk>", 1 "<s>", 2 "</s>", 3 "<0x00>".
constexpr int32_t kHello = 15043, kWorld = 3186, kAbc = 10736, kMarkAbc = 25638, kLd = 430,
                  kMarkMark = 259;

TEST(SpmDecode, SkippingSpecialsLeavesOutWhatHasNoTextOfItsOwn) {
  SpmTokenizer t2(2, spmData(kLlama));
  // Unknown (3), pad (1), mask (32001) and ids outside the range go; the
  // rest is still detokenised rather than lost.
  EXPECT_EQ(t2.text({0, 3, kHello + 1, 1, 32001, 32002, -5, kWorld + 1, 2}), "Hello world");
  // t5: pad 0, eos 1, unk 2; type 3 also drops its own pad 32000 and beyond.
  const auto t5 = spmProcessor(spmData(kT5));
  SpmTokenizer t3(3, spmData(kT5));
  EXPECT_EQ(t3.text({0, t5->PieceToId("\xE2\x96\x81Hello"), 2, 32000, 32001, 1}), "Hello");
  for (int32_t type : {6, 10}) {
    SpmTokenizer t(type, spmData(kLlama));
    EXPECT_EQ(t.text({1, kHello, 0, 32000, -1, kWorld, 2}), "Hello world") << type;
  }
}

TEST(SpmDecode, WritingSpecialsSpellsOutEveryPiece) {
  const struct {
    int32_t type;
    Ids ids;
    const char* text;
  } cases[] = {
      // The first piece never gets a space; a mark inside a piece and byte
      // pieces stay as they are.
      {10, {kHello}, "Hello"},
      {10, {1, kHello, kWorld, 2}, "<s> Hello world</s>"},
      {10, {1, kAbc, 0, 3, 0x41 + 3}, "<s>abc<unk><0x00><0x41>"},
      {10, {kHello, kMarkMark}, "Hello \xE2\x96\x81"},
      // -1 and n name the pad entry for every type; ids beyond are skipped.
      {10, {-2, kHello, 99999, kLd, -1, 32000, 32001}, "Hellold<pad><pad>"},
      // Type 6 separates a word from a special piece before it, with or
      // without a mark.
      {6, {1, kAbc}, "<s> abc"},
      {6, {1, kMarkAbc}, "<s> abc"},
      {6, {1, 2, kAbc, kLd}, "<s></s> abcld"},
      // Type 2: model id 1 is "<pad>" and n + 1 "<mask>".
      {2, {0, 1, kHello + 1, 32001, 3, 32002, -1}, "<s><pad> Hello<mask><unk>"},
  };
  for (const auto& c : cases) {
    SpmTokenizer t(c.type, spmData(kLlama));
    EXPECT_EQ(t.text(c.ids, kWithSpecials), c.text) << c.type;
  }
}

TEST(SpmDecode, TypeThreeMovesTheSpaceAfterAnInnerSpecialPiece) {
  const auto t5 = spmProcessor(spmData(kT5));  // eos 1
  const int32_t hello = t5->PieceToId("\xE2\x96\x81Hello");
  const int32_t world = t5->PieceToId("\xE2\x96\x81world");
  SpmTokenizer t3(3, spmData(kT5));
  EXPECT_EQ(t3.text({hello, 1, world, 1}, kWithSpecials), "Hello</s> world</s>");
  // Its own pad entry (32000) is a special piece too; ids past it vanish
  // before the positions are counted, so the last "</s>" stays last.
  EXPECT_EQ(t3.text({1, hello, 32000, world, 1, 32001}, kWithSpecials),
            "</s> Hello<pad> world</s>");
  EXPECT_EQ(t3.text({hello, 32000, 1, world}, kWithSpecials), "Hello<pad> </s> world");
  // First and last pieces get no space after them.
  const int32_t s = t5->PieceToId("s");
  EXPECT_EQ(t3.text({1, s, 1}, kWithSpecials), "</s>s</s>");
}

TEST(SpmModelLoading, WithoutAModelOnlyTheEntriesWithoutAPieceExist) {
  const struct {
    int32_t type;
    std::vector<std::string> entries;
  } cases[] = {{2, {"", "<pad>"}}, {3, {"<pad>"}}, {6, {}}, {10, {}}};
  for (const auto& c : cases) {
    Tokenizer t(c.type);
    EXPECT_EQ(t.vocabEntries(), c.entries) << c.type;
    EXPECT_EQ(t.vocabEntry(int32_t(c.entries.size())), "<status -1>") << c.type;
    // Encode and decode need a model; nothing is replaced.
    for (bool specials : {false, true}) {
      EXPECT_EQ(t.encode("a", specials), NUVRA_TOKENIZER_STATUS_INVALID_STATE);
      EXPECT_EQ(t.decode({0}, specials), NUVRA_TOKENIZER_STATUS_INVALID_STATE);
    }
    EXPECT_EQ(t.tokens(), Ids{});
    EXPECT_EQ(t.decodedText(), "");
  }
}

TEST(SpmModelLoading, EachLayoutsSizeAndEntries) {
  // llama: "<unk>" "<s>" "</s>" "<0x00>" ...; t5: "<pad>" "</s>" "<unk>" "▁" ...
  const struct {
    int32_t type;
    const char* model;
    uint32_t size;
    std::vector<std::pair<int32_t, std::string>> entries;
  } cases[] = {
      // Type 2: four entries first, pieces from 3 on one higher, the mask last.
      {2, kLlama, 32002, {{0, "<s>"}, {1, "<pad>"}, {2, "</s>"}, {3, "<unk>"}, {4, "<0x00>"},
                          {451, "\xE2\x96\x81The"}, {32000, "\xE7\xBB\x99"}, {32001, "<mask>"}}},
      // Type 3 adds a pad entry after the pieces; the others use the pieces as they are.
      {3, kT5, 32001, {{0, "<pad>"}, {3, "\xE2\x96\x81"}, {32000, "<pad>"}}},
      {6, kT5, 32000, {{0, "<pad>"}, {3, "\xE2\x96\x81"}}},
      {10, kT5, 32000, {{0, "<pad>"}, {3, "\xE2\x96\x81"}}},
  };
  for (const auto& c : cases) {
    SpmTokenizer t(c.type, spmData(c.model));
    EXPECT_EQ(t.vocabSize(), c.size);
    for (const auto& [id, text] : c.entries) EXPECT_EQ(t.vocabEntry(id), text) << c.type << " " << id;
    EXPECT_EQ(t.vocabEntry(int32_t(c.size)), "<status -1>");
  }
}

TEST(SpmModelLoading, AFailedLoadKeepsTheModelAndItsPattern) {
  TempDir dir;
  const std::vector<std::string> bad_files = {
      dir.write("empty.model", ""),                           // parses, holds no pieces
      dir.write("pieces.model", std::string("\x0a\x00", 2)),  // one empty piece
      dir.write("text.model", "no model here\n"),
  };
  // t5 has no BOS piece: "<s>" is text, "</s>" its EOS.
  SpmTokenizer t(6, spmData(kT5));
  const std::string text = "<s>a</s>b";
  const Ids before = t.ids(text, kWithSpecials);
  Tokenizer fresh(10);
  for (const std::string& bad : bad_files) {
    EXPECT_EQ(t.openModel(bad), NUVRA_TOKENIZER_STATUS_ERROR_FILE_API) << bad;
    EXPECT_EQ(t.vocabSize(), 32000u) << bad;
    EXPECT_EQ(t.ids(text, kWithSpecials), before) << bad;
    EXPECT_EQ(fresh.openModel(bad), NUVRA_TOKENIZER_STATUS_ERROR_FILE_API) << bad;
  }
  EXPECT_EQ(fresh.vocabSize(), 0u);
  EXPECT_EQ(fresh.encode("a"), NUVRA_TOKENIZER_STATUS_INVALID_STATE);
  // A good load replaces model and pattern together: llama has a BOS piece.
  ASSERT_EQ(t.openModel(spmData(kLlama)), 0);
  const auto llama = spmProcessor(spmData(kLlama));
  EXPECT_EQ(t.ids(text, kWithSpecials),
            concat({{1}, plainIds(*llama, "a"), {2}, plainIds(*llama, "b"), {2}}));
}

}  // namespace
}  // namespace nuvra::testing
