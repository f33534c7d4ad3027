// Every resource reader on arbitrary file contents, then encode, decode and
// every query on the handle it filled. The first byte picks the reader, the
// type and the narrow or wide entry point; the file's contents are the rest
// up to the first "\0\0", and the text encoded is what follows it (or the
// contents themselves).
#include <cstring>
#include <string>

#include "fuzz_support.h"

namespace nuvra::fuzz {
namespace {

using Open = int32_t (*)(NuvraTokenizer*, const char*);
using OpenWide = int32_t (*)(NuvraTokenizer*, const wchar_t*);

struct Reader {
  const char* name;
  Open open;
  OpenWide open_wide;
  int32_t types[4];
};

// A reader's file next to small partner files, so that each table is used.
const Reader kReaders[] = {
    {"vocab.json", nuvraTokenizerOpenVocabFileA, nuvraTokenizerOpenVocabFileW, {7, 9, 0, 7}},
    {"added_tokens.json", nuvraTokenizerOpenAddedTokensFileA, nuvraTokenizerOpenAddedTokensFileW, {0, 0, 0, 0}},
    {"merges.txt", nuvraTokenizerOpenMergeFileA, nuvraTokenizerOpenMergeFileW, {7, 9, 0, 7}},
    {"vocab.txt", nuvraTokenizerOpenVocabFileA, nuvraTokenizerOpenVocabFileW, {8, 4, 5, 8}},
    {"tokenizer_config.json", nuvraTokenizerOpenTokenizerConfigFileA, nuvraTokenizerOpenTokenizerConfigFileW, {8, 8, 8, 8}},
    {"model.spm", nuvraTokenizerOpenModelFileA, nuvraTokenizerOpenModelFileW, {2, 3, 6, 10}},
};

const char kPartnerVocab[] = R"({"<s>": 0, "a": 1, "b": 2, "ab": 3, "\u0120": 4, "\u0120a": 5, "<|x|>": 6})";
const char kPartnerMerges[] = "#version: 0.2\na b\n\xC4\xA0 a\n";
const char kPartnerWordpiece[] = "[PAD]\n[UNK]\n[CLS]\n[SEP]\n[MASK]\na\n##b\nab\n\xE3\x81\x82\n";

std::string partner(const char* name, const char* contents) {
  return writeFile(name, reinterpret_cast<const uint8_t*>(contents), std::strlen(contents));
}

}  // namespace
}  // namespace nuvra::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace nuvra::fuzz;
  if (size == 0) return 0;
  static const std::string vocab = partner("partner_vocab.json", kPartnerVocab);
  static const std::string merges = partner("partner_merges.txt", kPartnerMerges);
  static const std::string wordpiece = partner("partner_vocab.txt", kPartnerWordpiece);
  const uint8_t selector = data[0];
  const Reader& reader = kReaders[selector % 6];
  const int variant = (selector / 6) % 4;
  const int32_t type = reader.types[variant];
  const bool wide = (selector / 24) % 2 != 0;
  const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  const size_t cut = rest.find(std::string("\0\0", 2));
  const std::string contents = rest.substr(0, cut);
  const std::string text = (cut == std::string::npos ? contents : rest.substr(cut + 2)).c_str();

  NuvraTokenizer* t = create(type, (selector / 48) % 2);
  // Type 0 keeps its built-in tables in one variant only: rebuilding their index is slow.
  if (type == 7 || type == 9 || (type == 0 && variant != 2)) {
    require(nuvraTokenizerOpenVocabFileA(t, vocab.c_str()) == 0, "partner vocabulary");
    require(nuvraTokenizerOpenMergeFileA(t, merges.c_str()) == 0, "partner merges");
  } else if (type == 8 || type == 4 || type == 5) {
    require(nuvraTokenizerOpenVocabFileA(t, wordpiece.c_str()) == 0, "partner vocabulary");
    if (type != 8) nuvraTokenizerOpenDictionaryFileA(t, NUVRA_MECAB_DICTIONARY);
  }
  const std::string path =
      writeFile(reader.name, reinterpret_cast<const uint8_t*>(contents.data()), contents.size());
  const std::wstring wide_path(path.begin(), path.end());
  const int32_t status = wide ? reader.open_wide(t, wide_path.c_str()) : reader.open(t, path.c_str());
  // -2 for a model the library cannot load, -128 for a malformed number.
  require(status == 0 || status == -2 || status == -128, "open status");
  const uint32_t probe = size > 4 ? uint32_t(data[1] | data[2] << 8 | data[3] << 16 | uint32_t(data[4]) << 24) : 0;
  exercise(t, type, text.c_str(), probe);
  uint32_t vocab_size = 0;
  nuvraTokenizerGetVocabSize(t, &vocab_size);
  const int32_t ids[] = {0, 1, 2, 3, int32_t(vocab_size) - 1, int32_t(vocab_size), int32_t(probe), -1, INT32_MAX};
  const int32_t decoded = nuvraTokenizerDecode(t, ids, 9);
  require(decoded == 0 || decoded == -7, "decode status");
  require(isStatus(nuvraTokenizerDecodeWithSpecialTokens(t, ids, 9)), "decode status");
  queryAll(t, type, probe);
  nuvraTokenizerDestroy(t);
  return 0;
}
