// Encode, decode and vocabulary of the SentencePiece types through the C
// interface, with ids written out; parity_test.cc compares whole corpora.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sentencepiece/spm_test_support.h"

namespace nuvra::testing {
namespace {

Ids shifted(Ids ids) {  // type 2's ids of pieces 3 and up
  for (int32_t& id : ids) id += 1;
  return ids;
}

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

TEST(SpmEncode, AModelWithoutBosOrEosGetsNoRecordForIt) {
  const auto t5 = spmProcessor(spmData(kT5));  // pad 0, eos 1, unk 2, no bos
  const Ids plain = plainIds(*t5, "Hello world");
  // Type 2 frames with EOS only; piece 1 (EOS) is model id 0 after the shift.
  SpmTokenizer t2(2, spmData(kT5));
  EXPECT_EQ(t2.ids("Hello world"), concat({shifted(plain), {0}}));
}

TEST(SpmEncode, SpecialTextsBecomeSingleIdsOnlyWhenAsked) {
  const auto sp = spmProcessor(spmData(kLlama));
  const Ids a = plainIds(*sp, "a"), b = plainIds(*sp, "b"), hi = plainIds(*sp, "Hi");
  const std::string text = "<s>Hi</s><unk>a<pad>b";
  // Every gap is segmented on its own, so "Hi" gets its own word start.
  SpmTokenizer t6(6, spmData(kLlama));
  EXPECT_EQ(t6.ids(text, kWithSpecials), concat({{1}, hi, {2, 0}, a, b, {2}}));
  EXPECT_EQ(t6.ids(text), concat({plainIds(*sp, text), {2}}));
  SpmTokenizer t10(10, spmData(kLlama));
  EXPECT_EQ(t10.ids(text, kWithSpecials), concat({{1, 1}, hi, {2, 0}, a, b}));
  // Without a pad piece type 3 uses the entry after the last piece.
  SpmTokenizer t3(3, spmData(kLlama));
  EXPECT_EQ(t3.ids("a<pad>b", kWithSpecials), concat({a, {32000}, b, {2}}));
  // Type 2: "<pad>" is its own entry 1, "<mask>" the last one.
  SpmTokenizer t2(2, spmData(kLlama));
  EXPECT_EQ(t2.ids("a<pad>b<mask>", kWithSpecials),
            concat({{0}, shifted(a), {1}, shifted(b), {32001, 2}}));
}

TEST(SpmEncode, APadPieceOfTheModelIsUsedAsItIs) {
  // barthez: bos 0, pad 1, eos 2, unk 3.
  const auto sp = spmProcessor(spmData(kBarthez));
  const Ids a = plainIds(*sp, "a"), b = plainIds(*sp, "b");
  SpmTokenizer t3(3, spmData(kBarthez));
  EXPECT_EQ(t3.ids("a<pad>b<unk>", kWithSpecials), concat({a, {1}, b, {3, 2}}));
  // Type 2 shifts whatever the pieces are: this model's BOS (piece 0) is id 3,
  // its pad (piece 1) id 0 and its unknown (piece 3) id 4.
  SpmTokenizer t2(2, spmData(kBarthez));
  EXPECT_EQ(t2.ids("<pad><unk>", kWithSpecials), (Ids{3, 0, 4, 2}));
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

TEST(SpmModelLoading, TypeTwoPutsItsFourEntriesFirstAndTheMaskLast) {
  SpmTokenizer t(2, spmData(kLlama));  // pieces "<unk>" "<s>" "</s>" "<0x00>"
  EXPECT_EQ(t.vocabSize(), 32002u);
  const std::pair<int32_t, const char*> entries[] = {
      {0, "<s>"}, {1, "<pad>"}, {2, "</s>"}, {3, "<unk>"}, {4, "<0x00>"},
      {451, "\xE2\x96\x81The"},  // piece 450, mark kept
      {32000, "\xE7\xBB\x99"},   // the last piece
      {32001, "<mask>"}, {32002, "<status -1>"}};
  for (const auto& [id, text] : entries) EXPECT_EQ(t.vocabEntry(id), text) << id;
}

TEST(SpmModelLoading, OtherTypesUseTheModelsIdsAndTypeThreeAddsAPad) {
  const auto sp = spmProcessor(spmData(kT5));  // "<pad>" "</s>" "<unk>" "▁" ...
  for (int32_t type : {3, 6, 10}) {
    SpmTokenizer t(type, spmData(kT5));
    const uint32_t size = type == 3 ? 32001 : 32000;
    EXPECT_EQ(t.vocabSize(), size);
    EXPECT_EQ(t.vocabEntry(0), "<pad>");
    EXPECT_EQ(t.vocabEntry(3), "\xE2\x96\x81");
    EXPECT_EQ(t.vocabEntry(31999), sp->IdToPiece(31999));
    EXPECT_EQ(t.vocabEntry(32000), type == 3 ? "<pad>" : "<status -1>");
    EXPECT_EQ(t.vocabEntry(int32_t(size)), "<status -1>");
  }
}

TEST(SpmModelLoading, AFailedLoadKeepsTheModelAndItsPattern) {
  TempDir dir;
  const std::vector<std::string> bad_files = {
      dir.missing("absent.model"),
      dir.path(),                                             // a directory
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
