#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "nuvra_tokenizer.h"
#include "sentencepiece/spm_test_support.h"

namespace nuvra {
namespace {

using testing::encodeIds;
using testing::makeTokenizer;
using testing::spmData;
using testing::spmProcessor;
using testing::spmTokenizer;
using testing::TempDir;
using testing::vocabEntry;
using testing::vocabSize;

std::string readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(SpmModelLoading, WithoutAModelOnlyTheEntriesWithoutAPieceExist) {
  const int32_t sizes[][2] = {{2, 2}, {3, 1}, {6, 0}, {10, 0}};
  for (const auto& [type, size] : sizes) {
    auto t = makeTokenizer(type);
    EXPECT_EQ(vocabSize(t.get()), uint32_t(size)) << type;
    EXPECT_EQ(vocabEntry(t.get(), size), "<status -1>") << type;
    // Encode and decode need a model; nothing is replaced.
    const int32_t ids[] = {0};
    EXPECT_EQ(nuvraTokenizerEncode(t.get(), "a"), NUVRA_TOKENIZER_STATUS_INVALID_STATE);
    EXPECT_EQ(nuvraTokenizerEncodeWithSpecialTokens(t.get(), "a"),
              NUVRA_TOKENIZER_STATUS_INVALID_STATE);
    EXPECT_EQ(nuvraTokenizerDecode(t.get(), ids, 1), NUVRA_TOKENIZER_STATUS_INVALID_STATE);
    EXPECT_EQ(nuvraTokenizerDecodeWithSpecialTokens(t.get(), ids, 1),
              NUVRA_TOKENIZER_STATUS_INVALID_STATE);
    EXPECT_EQ(testing::tokens(t.get()), std::vector<int32_t>{});
    EXPECT_EQ(testing::text(t.get()), "");
  }
  auto t2 = makeTokenizer(2);
  EXPECT_EQ(vocabEntry(t2.get(), 0), "");  // "<s>" comes from the model's piece 1
  EXPECT_EQ(vocabEntry(t2.get(), 1), "<pad>");
  auto t3 = makeTokenizer(3);
  EXPECT_EQ(vocabEntry(t3.get(), 0), "<pad>");
}

TEST(SpmModelLoading, TypeTwoPutsItsFourEntriesFirstAndTheMaskLast) {
  auto t = spmTokenizer(2, spmData(testing::kLlama));  // pieces "<unk>" "<s>" "</s>" "<0x00>"
  EXPECT_EQ(vocabSize(t.get()), 32002u);
  EXPECT_EQ(vocabEntry(t.get(), 0), "<s>");
  EXPECT_EQ(vocabEntry(t.get(), 1), "<pad>");
  EXPECT_EQ(vocabEntry(t.get(), 2), "</s>");
  EXPECT_EQ(vocabEntry(t.get(), 3), "<unk>");
  EXPECT_EQ(vocabEntry(t.get(), 4), "<0x00>");
  EXPECT_EQ(vocabEntry(t.get(), 451), "\xE2\x96\x81The");  // piece 450, mark kept
  EXPECT_EQ(vocabEntry(t.get(), 32000), "\xE7\xBB\x99");  // the last piece
  EXPECT_EQ(vocabEntry(t.get(), 32001), "<mask>");
  EXPECT_EQ(vocabEntry(t.get(), 32002), "<status -1>");
}

TEST(SpmModelLoading, OtherTypesUseTheModelsIdsAndTypeThreeAddsAPad) {
  const auto sp = spmProcessor(spmData(testing::kT5));  // "<pad>" "</s>" "<unk>" "▁" ...
  auto t3 = spmTokenizer(3, spmData(testing::kT5));
  EXPECT_EQ(vocabSize(t3.get()), 32001u);
  EXPECT_EQ(vocabEntry(t3.get(), 31999), sp->IdToPiece(31999));
  EXPECT_EQ(vocabEntry(t3.get(), 32000), "<pad>");
  EXPECT_EQ(vocabEntry(t3.get(), 32001), "<status -1>");
  for (int32_t type : {6, 10}) {
    auto t = spmTokenizer(type, spmData(testing::kT5));
    EXPECT_EQ(vocabSize(t.get()), 32000u);
    EXPECT_EQ(vocabEntry(t.get(), 0), "<pad>");
    EXPECT_EQ(vocabEntry(t.get(), 3), "\xE2\x96\x81");
    EXPECT_EQ(vocabEntry(t.get(), 31999), sp->IdToPiece(31999));
    EXPECT_EQ(vocabEntry(t.get(), 32000), "<status -1>");
  }
}

TEST(SpmModelLoading, WidePathLoadsTheSameModelAsTheNarrowOne) {
  TempDir dir;
  const std::string path =
      dir.write("mod\xC3\xA8le \xE6\x97\xA5.model", readBytes(spmData(testing::kLlama)));
  const std::wstring wide = testing::widen(path);
  auto narrow_handle = makeTokenizer(2);
  auto wide_handle = makeTokenizer(2);
  ASSERT_EQ(nuvraTokenizerOpenModelFileA(narrow_handle.get(), path.c_str()), 0);
  ASSERT_EQ(nuvraTokenizerOpenModelFileW(wide_handle.get(), wide.c_str()), 0);
  EXPECT_EQ(vocabSize(wide_handle.get()), vocabSize(narrow_handle.get()));
  const std::string text = "<s>Hello <mask> world</s>";
  EXPECT_EQ(encodeIds(wide_handle.get(), text, true), encodeIds(narrow_handle.get(), text, true));
  EXPECT_EQ(encodeIds(wide_handle.get(), text), encodeIds(narrow_handle.get(), text));
  // A wide path no file name can carry is a file that cannot be opened.
  const std::wstring bad = std::wstring(L"x") + wchar_t(0x110000);
  EXPECT_EQ(nuvraTokenizerOpenModelFileW(wide_handle.get(), bad.c_str()),
            NUVRA_TOKENIZER_STATUS_ERROR_FILE_API);
  EXPECT_EQ(vocabSize(wide_handle.get()), 32002u);
}

TEST(SpmModelLoading, AFailedLoadKeepsTheModelAndItsPattern) {
  TempDir dir;
  const std::vector<std::string> bad_files = {
      dir.missing("absent.model"),
      dir.path(),                                       // a directory
      dir.write("empty.model", ""),                     // parses, holds no pieces
      dir.write("pieces.model", std::string("\x0a\x00", 2)),  // one empty piece
      dir.write("text.model", "no model here\n"),
  };
  // t5 has no BOS piece: "<s>" is text, "</s>" its EOS.
  auto t = spmTokenizer(6, spmData(testing::kT5));
  const std::string text = "<s>a</s>b";
  const std::vector<int32_t> before = encodeIds(t.get(), text, true);
  for (const std::string& bad : bad_files) {
    EXPECT_EQ(nuvraTokenizerOpenModelFileA(t.get(), bad.c_str()),
              NUVRA_TOKENIZER_STATUS_ERROR_FILE_API)
        << bad;
    EXPECT_EQ(vocabSize(t.get()), 32000u) << bad;
    EXPECT_EQ(encodeIds(t.get(), text, true), before) << bad;
  }
  // A good load replaces model and pattern together: llama has a BOS piece.
  ASSERT_EQ(nuvraTokenizerOpenModelFileA(t.get(), spmData(testing::kLlama).c_str()), 0);
  const auto llama = spmProcessor(spmData(testing::kLlama));
  EXPECT_EQ(encodeIds(t.get(), text, true),
            testing::concat({{1}, testing::plainIds(*llama, "a"), {2},
                             testing::plainIds(*llama, "b"), {2}}));

  // On a fresh handle a failed load leaves it without a model.
  auto fresh = makeTokenizer(10);
  for (const std::string& bad : bad_files) {
    EXPECT_EQ(nuvraTokenizerOpenModelFileA(fresh.get(), bad.c_str()),
              NUVRA_TOKENIZER_STATUS_ERROR_FILE_API);
  }
  EXPECT_EQ(vocabSize(fresh.get()), 0u);
  EXPECT_EQ(nuvraTokenizerEncode(fresh.get(), "a"), NUVRA_TOKENIZER_STATUS_INVALID_STATE);
}

}  // namespace
}  // namespace nuvra
