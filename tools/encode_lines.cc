// Prints the ids of every line of a file, one output line per input line,
// through the public interface: what a caller of the library gets.
//
//   encode_lines --type T [--vocab F] [--merges F] [--special] [--whole] FILE
//
// Lines are the pieces between line feeds, as JavaScript's split("\n") cuts
// them (a final line feed gives a final empty line); carriage returns stay.
// With --whole the file is one text and gives one output line.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "nuvra_tokenizer.h"

namespace {

int usage() {
  std::fprintf(stderr, "usage: encode_lines --type T [--vocab F] [--merges F] [--special]"
                       " [--whole] FILE\n");
  return 2;
}

bool readFile(const char* path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int type = -1;
  const char* vocab = nullptr;
  const char* merges = nullptr;
  const char* file = nullptr;
  bool special = false;
  bool whole = false;
  for (int i = 1; i < argc; ++i) {
    const bool has_value = i + 1 < argc;
    if (std::strcmp(argv[i], "--type") == 0 && has_value) {
      type = std::atoi(argv[++i]);
    } else if (std::strcmp(argv[i], "--vocab") == 0 && has_value) {
      vocab = argv[++i];
    } else if (std::strcmp(argv[i], "--merges") == 0 && has_value) {
      merges = argv[++i];
    } else if (std::strcmp(argv[i], "--special") == 0) {
      special = true;
    } else if (std::strcmp(argv[i], "--whole") == 0) {
      whole = true;
    } else if (file == nullptr && argv[i][0] != '-') {
      file = argv[i];
    } else {
      return usage();
    }
  }
  if (type < 0 || file == nullptr) return usage();

  std::string content;
  if (!readFile(file, content)) {
    std::fprintf(stderr, "cannot read %s\n", file);
    return 1;
  }
  NuvraTokenizer* tokenizer = nullptr;
  if (nuvraTokenizerCreate(&tokenizer, type, 0) != NUVRA_TOKENIZER_STATUS_SUCCESS) {
    std::fprintf(stderr, "cannot create type %d\n", type);
    return 1;
  }
  if ((vocab != nullptr && nuvraTokenizerOpenVocabFileA(tokenizer, vocab) != 0) ||
      (merges != nullptr && nuvraTokenizerOpenMergeFileA(tokenizer, merges) != 0)) {
    std::fprintf(stderr, "cannot open the vocabulary or merge file\n");
    nuvraTokenizerDestroy(tokenizer);
    return 1;
  }

  std::vector<int32_t> ids;
  std::string out;
  size_t start = 0;
  while (true) {
    size_t end = whole ? std::string::npos : content.find('\n', start);
    const bool last = end == std::string::npos;
    if (last) end = content.size();
    const std::string line = content.substr(start, end - start);
    const int32_t status = special ? nuvraTokenizerEncodeWithSpecialTokens(tokenizer, line.c_str())
                                   : nuvraTokenizerEncode(tokenizer, line.c_str());
    uint32_t count = 0;
    if (status != 0 || nuvraTokenizerGetTokenCount(tokenizer, &count) != 0) {
      std::fprintf(stderr, "encode failed with status %d\n", int(status));
      nuvraTokenizerDestroy(tokenizer);
      return 1;
    }
    ids.resize(count);
    if (count > 0) nuvraTokenizerGetTokens(tokenizer, ids.data(), count);
    out.clear();
    for (uint32_t i = 0; i < count; ++i) {
      if (i > 0) out.push_back(' ');
      out.append(std::to_string(ids[i]));
    }
    out.push_back('\n');
    std::fwrite(out.data(), 1, out.size(), stdout);
    if (last) break;
    start = end + 1;
  }
  nuvraTokenizerDestroy(tokenizer);
  return 0;
}
