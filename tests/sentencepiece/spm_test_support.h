#ifndef NUVRA_TESTS_SENTENCEPIECE_SPM_TEST_SUPPORT_H_
#define NUVRA_TESTS_SENTENCEPIECE_SPM_TEST_SUPPORT_H_

#include <gtest/gtest.h>
#include <sentencepiece_processor.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/utf8.h"
#include "interface/tokenizer_handle.h"
#include "nuvra_tokenizer.h"
#include "support/temp_files.h"

namespace nuvra::testing {

inline const char* const kLlama = "llama-tokenizer.model";       // unk 0, bos 1, eos 2
inline const char* const kT5 = "t5-spiece.model";                // pad 0, eos 1, unk 2
inline const char* const kOpus = "opus-mt-en-mg-source.spm";     // unk 0, bos 1, eos 2
inline const char* const kBarthez = "barthez-sentencepiece.bpe.model";  // bos 0, pad 1, ...

inline std::string spmData(const std::string& name) {
  return std::string(NUVRA_DATA_DIR) + "/spm/" + name;
}

inline Tokenizer spmTokenizer(int32_t type, const std::string& model_path) {
  Tokenizer t = makeTokenizer(type);
  EXPECT_EQ(nuvraTokenizerOpenModelFileA(t.get(), model_path.c_str()), 0) << model_path;
  return t;
}

// The library used directly: the oracle our ids are compared with.
inline std::unique_ptr<sentencepiece::SentencePieceProcessor> spmProcessor(
    const std::string& model_path) {
  auto sp = std::make_unique<sentencepiece::SentencePieceProcessor>();
  EXPECT_TRUE(sp->Load(model_path).ok()) << model_path;
  return sp;
}

inline std::vector<int32_t> encodeIds(NuvraTokenizer* t, const std::string& text,
                                      bool with_specials = false) {
  const int32_t status = with_specials ? nuvraTokenizerEncodeWithSpecialTokens(t, text.c_str())
                                       : nuvraTokenizerEncode(t, text.c_str());
  EXPECT_EQ(status, 0) << text;
  return tokens(t);
}

inline std::string decodeText(NuvraTokenizer* t, const std::vector<int32_t>& ids,
                              bool with_specials = false) {
  const int32_t dummy = 0;
  const int32_t* data = ids.empty() ? &dummy : ids.data();
  const uint32_t count = uint32_t(ids.size());
  const int32_t status = with_specials ? nuvraTokenizerDecodeWithSpecialTokens(t, data, count)
                                       : nuvraTokenizerDecode(t, data, count);
  EXPECT_EQ(status, 0);
  return text(t);
}

inline std::vector<int32_t> plainIds(const sentencepiece::SentencePieceProcessor& sp,
                                     const std::string& text) {
  std::vector<int> ids;
  EXPECT_TRUE(sp.Encode(text, &ids).ok());
  return std::vector<int32_t>(ids.begin(), ids.end());
}

inline std::vector<int32_t> concat(std::vector<std::vector<int32_t>> parts) {
  std::vector<int32_t> out;
  for (const auto& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

// The ids a type should give, written the slow and obvious way on top of
// the library: special texts found by trying every alternative at every
// byte, the framing and the type 2 shift spelt out per type.
inline std::vector<int32_t> oracleIds(int32_t type, const sentencepiece::SentencePieceProcessor& sp,
                                      const std::string& text, bool with_specials) {
  const int32_t n = sp.GetPieceSize();
  const int32_t bos = sp.bos_id(), eos = sp.eos_id(), unk = sp.unk_id(), pad = sp.pad_id();
  std::vector<int32_t> out;
  if ((type == 2 || type == 10) && bos != -1) out.push_back(bos);
  if (!with_specials) {
    const std::vector<int32_t> ids = plainIds(sp, text);
    out.insert(out.end(), ids.begin(), ids.end());
  } else {
    std::vector<std::string> alternatives;
    if (bos != -1) alternatives.push_back("<s>");
    if (eos != -1) alternatives.push_back("</s>");
    alternatives.push_back("<pad>");
    if (unk != -1) alternatives.push_back("<unk>");
    if (type == 2) alternatives.push_back("<mask>");
    std::string gap;
    const auto flushGap = [&] {
      if (gap.empty()) return;
      std::vector<int32_t> ids = plainIds(sp, gap);
      if (type == 6 && !ids.empty() && ids[0] == 5 && !out.empty()) ids.erase(ids.begin());
      out.insert(out.end(), ids.begin(), ids.end());
      gap.clear();
    };
    for (size_t i = 0; i < text.size();) {
      std::string hit;
      for (const std::string& alternative : alternatives) {
        if (text.compare(i, alternative.size(), alternative) == 0) {
          hit = alternative;
          break;
        }
      }
      if (hit.empty()) {
        gap += text[i++];
        continue;
      }
      flushGap();
      i += hit.size();
      if (hit == "<s>") out.push_back(bos);
      if (hit == "</s>") out.push_back(eos);
      if (hit == "<unk>") out.push_back(unk);
      if (hit == "<mask>") out.push_back(n);
      if (hit == "<pad>") {
        if (pad != -1) {
          out.push_back(pad);
        } else if (type == 2) {
          out.push_back(-1);
        } else if (type == 3) {
          out.push_back(n);
        }
      }
    }
    flushGap();
  }
  if ((type == 2 || type == 3 || type == 6) && eos != -1) out.push_back(eos);
  if (type == 2) {
    const std::map<int32_t, int32_t> front = {{-1, 1}, {0, 3}, {1, 0}, {2, 2}};
    for (int32_t& id : out) id = front.count(id) ? front.at(id) : id + 1;
  }
  return out;
}

// Models trained on the fly with the sentencepiece package's trainer on a
// slice of an English corpus; each test process trains only what it asks for.
class ModelTrainer {
 public:
  static bool available() { return std::system("command -v spm_train >/dev/null 2>&1") == 0; }

  // Trains a model of about 200 pieces; `options` are extra trainer flags.
  std::string train(const std::string& name, const std::string& options) {
    if (corpus_.empty()) {
      std::ifstream in(std::string(NUVRA_DATA_DIR) + "/text/botchan.txt", std::ios::binary);
      std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
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

#define NUVRA_REQUIRE_SPM_TRAIN()                                                   \
  do {                                                                              \
    if (!::nuvra::testing::ModelTrainer::available()) GTEST_SKIP() << "no spm_train"; \
  } while (0)

// One line of expected_encodings.jsonl: the plain ids of `text`.
struct ExpectedEncoding {
  std::string model;
  std::string text;
  std::vector<int32_t> ids;
};

// Reads the few JSON forms that file holds: one object per line with string
// and array values.
class JsonLineReader {
 public:
  explicit JsonLineReader(const std::string& line) : s_(line) {}

  ExpectedEncoding read() {
    ExpectedEncoding out;
    expect('{');
    do {
      const std::string key = string();
      expect(':');
      if (key == "model") {
        out.model = string();
      } else if (key == "text") {
        out.text = string();
      } else if (key == "ids") {
        expect('[');
        if (!peek(']')) {
          do out.ids.push_back(int32_t(number())); while (accept(','));
        }
        expect(']');
      } else {
        expect('[');
        if (!peek(']')) {
          do string(); while (accept(','));
        }
        expect(']');
      }
    } while (accept(','));
    expect('}');
    return out;
  }

 private:
  void skipSpace() {
    while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t')) ++i_;
  }
  bool peek(char c) {
    skipSpace();
    return i_ < s_.size() && s_[i_] == c;
  }
  bool accept(char c) {
    if (!peek(c)) return false;
    ++i_;
    return true;
  }
  void expect(char c) {
    if (!accept(c)) throw std::runtime_error(std::string("expected ") + c + " in " + s_);
  }
  long number() {
    skipSpace();
    size_t used = 0;
    const long value = std::stol(s_.substr(i_), &used);
    i_ += used;
    return value;
  }
  uint32_t hex4() {
    const uint32_t v = uint32_t(std::stoul(s_.substr(i_, 4), nullptr, 16));
    i_ += 4;
    return v;
  }
  std::string string() {
    expect('"');
    std::string out;
    while (s_.at(i_) != '"') {
      const char c = s_[i_++];
      if (c != '\\') {
        out += c;
        continue;
      }
      const char e = s_.at(i_++);
      switch (e) {
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        case 'f': out += '\f'; break;
        case 'b': out += '\b'; break;
        case 'u': {
          uint32_t cp = hex4();
          if (cp >= 0xD800 && cp < 0xDC00 && s_.compare(i_, 2, "\\u") == 0) {
            i_ += 2;
            cp = 0x10000 + ((cp - 0xD800) << 10) + (hex4() - 0xDC00);
          }
          appendUtf8(cp, out);
          break;
        }
        default: out += e;  // \" \\ \/
      }
    }
    ++i_;
    return out;
  }
  const std::string& s_;
  size_t i_ = 0;
};

inline std::vector<ExpectedEncoding> readExpectedEncodings() {
  std::ifstream in(spmData("expected_encodings.jsonl"), std::ios::binary);
  std::vector<ExpectedEncoding> out;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty()) out.push_back(JsonLineReader(line).read());
  }
  return out;
}

}  // namespace nuvra::testing

#endif  // NUVRA_TESTS_SENTENCEPIECE_SPM_TEST_SUPPORT_H_
