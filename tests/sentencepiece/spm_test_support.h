#ifndef NUVRA_TESTS_SENTENCEPIECE_SPM_TEST_SUPPORT_H_
#define NUVRA_TESTS_SENTENCEPIECE_SPM_TEST_SUPPORT_H_

#include <gtest/gtest.h>
#include <sentencepiece_processor.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/published_resources.h"
#include "support/temp_files.h"
#include "support/text_lines.h"
#include "support/tokenizer.h"

namespace nuvra::testing {

inline const char* const kLlama = "llama-tokenizer.model";       // unk 0, bos 1, eos 2
inline const char* const kT5 = "t5-spiece.model";                // pad 0, eos 1, unk 2
inline const char* const kOpus = "opus-mt-en-mg-source.spm";     // unk 0, bos 1, eos 2
inline const char* const kBarthez = "barthez-sentencepiece.bpe.model";  // bos 0, pad 1, eos 2, unk 3

inline std::string spmData(const std::string& name) {
  return std::string(NUVRA_DATA_DIR) + "/spm/" + name;
}

// A handle of `type` with the model at `path` opened.
struct SpmTokenizer : Tokenizer {
  SpmTokenizer(int32_t type, const std::string& path) : Tokenizer(type) {
    EXPECT_EQ(openModel(path), NUVRA_TOKENIZER_STATUS_SUCCESS) << path;
  }
};

// The library used directly: the oracle our ids are compared with.
inline std::unique_ptr<sentencepiece::SentencePieceProcessor> spmProcessor(
    const std::string& path) {
  auto sp = std::make_unique<sentencepiece::SentencePieceProcessor>();
  EXPECT_TRUE(sp->Load(path).ok()) << path;
  return sp;
}

inline Ids plainIds(const sentencepiece::SentencePieceProcessor& sp, const std::string& text) {
  std::vector<int> ids;
  EXPECT_TRUE(sp.Encode(text, &ids).ok());
  return Ids(ids.begin(), ids.end());
}

inline Ids concat(const std::vector<Ids>& parts) {
  Ids out;
  for (const Ids& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

inline void appendPieces(const sentencepiece::SentencePieceProcessor& sp, const std::string& text,
                       bool after_record, int32_t type, std::vector<std::string>& out) {
  Ids ids = plainIds(sp, text);
  // Type 6 leaves out a leading piece 5 of every gap but the first record's.
  if (type == 6 && after_record && !ids.empty() && ids[0] == 5) ids.erase(ids.begin());
  for (int32_t id : ids) out.push_back(sp.IdToPiece(id));
}

// The entry texts a type gives: the library's pieces in the type's frame;
// with specials, each special text the model has found by trying every one
// at every byte.
inline std::vector<std::string> expectedEntries(int32_t type,
                                              const sentencepiece::SentencePieceProcessor& sp,
                                              const std::string& text, bool with_specials) {
  const bool bos = sp.bos_id() >= 0 && (type == 2 || type == 10);
  const bool eos = sp.eos_id() >= 0 && type != 10;
  std::vector<std::string> out;
  if (bos) out.push_back(sp.IdToPiece(sp.bos_id()));
  if (!with_specials) {
    appendPieces(sp, text, false, type, out);
  } else {
    std::vector<std::string> specials = {"<pad>"};
    if (sp.bos_id() >= 0) specials.push_back("<s>");
    if (sp.eos_id() >= 0) specials.push_back("</s>");
    if (sp.unk_id() >= 0) specials.push_back("<unk>");
    if (type == 2) specials.push_back("<mask>");
    std::string gap;
    for (size_t i = 0; i <= text.size(); ++i) {
      std::string hit;
      for (const std::string& s : specials) {
        if (text.compare(i, s.size(), s) == 0) hit = s;
      }
      if (hit.empty() && i < text.size()) {
        gap += text[i];
        continue;
      }
      if (!gap.empty()) appendPieces(sp, gap, !out.empty(), type, out);
      gap.clear();
      // A model without a pad piece has a pad entry only in types 2 and 3.
      const bool dropped = hit == "<pad>" && sp.pad_id() < 0 && (type == 6 || type == 10);
      if (!hit.empty() && !dropped) out.push_back(hit);
      i += hit.empty() ? 0 : hit.size() - 1;
    }
  }
  if (eos) out.push_back(sp.IdToPiece(sp.eos_id()));
  return out;
}

// Models of about 200 pieces trained on a slice of an English corpus with
// the library's own trainer; each test trains only what it asks for.
class ModelTrainer {
 public:
  static bool available() { return std::system("command -v spm_train >/dev/null 2>&1") == 0; }

  std::string train(const std::string& name, const std::string& options) {
    if (corpus_.empty()) {
      const std::string text = readFile(publishedFile("text/botchan.txt"));
      if (text.size() < 32000) throw std::runtime_error("corpus missing");
      corpus_ = dir_.write("corpus.txt", text.substr(20000, 12000));
    }
    const std::string prefix = dir_.path() + "/" + name;
    const std::string command = "spm_train --input=" + corpus_ + " --model_prefix=" + prefix +
                                " --vocab_size=200 --normalization_rule_name=identity"
                                " --num_threads=1 --minloglevel=3 " +
                                options + " >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) throw std::runtime_error("training failed: " + name);
    return prefix + ".model";
  }

 private:
  TempDir dir_;
  std::string corpus_;
};

#define NUVRA_REQUIRE_SPM_TRAIN()                                                     \
  do {                                                                                \
    if (!::nuvra::testing::ModelTrainer::available()) GTEST_SKIP() << "no spm_train"; \
  } while (0)

}  // namespace nuvra::testing

#endif  // NUVRA_TESTS_SENTENCEPIECE_SPM_TEST_SUPPORT_H_
