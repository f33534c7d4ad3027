// Type 8 through the public interface, for the WordPiece peer script:
//
//   wordpiece_encode_lines --vocab F [--config F] [--special] FILE
//       prints the ids of each line of FILE, space-separated, one line each
//   wordpiece_encode_lines --vocab F [--config F] --bench SECONDS FILE
//       prints encode and decode throughput in MB of FILE per second
//
// Lines are the pieces between line feeds; a final line feed ends the last
// line rather than starting an empty one.
#include <algorithm>
#include <chrono>
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
  std::fprintf(stderr,
               "usage: wordpiece_encode_lines --vocab F [--config F] [--special] "
               "[--bench SECONDS] FILE\n");
  return 2;
}

bool readFile(const char* path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

std::vector<std::string> splitLines(const std::string& content) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < content.size()) {
    size_t end = content.find('\n', start);
    if (end == std::string::npos) end = content.size();
    lines.push_back(content.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

std::vector<int32_t> encode(NuvraTokenizer* t, const std::string& text, bool special) {
  const int32_t status = special ? nuvraTokenizerEncodeWithSpecialTokens(t, text.c_str())
                                 : nuvraTokenizerEncode(t, text.c_str());
  if (status != 0) {
    std::fprintf(stderr, "encode failed: %d\n", status);
    std::exit(1);
  }
  uint32_t count = 0;
  nuvraTokenizerGetTokenCount(t, &count);
  std::vector<int32_t> ids(count + 1);
  nuvraTokenizerGetTokens(t, ids.data(), count);
  ids.resize(count);
  return ids;
}

double seconds() {
  using Clock = std::chrono::steady_clock;
  return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
}

// Runs `pass` until `budget` seconds are used (at least twice) and returns
// the best pass time: the least disturbed by the other users of the machine.
template <typename Pass>
double bestTime(double budget, Pass&& pass) {
  double best = 1e30;
  const double stop = seconds() + budget;
  for (int round = 0; round < 2 || seconds() < stop; ++round) {
    const double start = seconds();
    pass();
    best = std::min(best, seconds() - start);
  }
  return best;
}

void bench(NuvraTokenizer* t, const std::string& content, const std::vector<std::string>& lines,
           double budget) {
  const double mb = double(content.size()) / 1e6;
  const double whole = bestTime(budget, [&] { encode(t, content, false); });
  const double by_line = bestTime(budget, [&] {
    for (const std::string& line : lines) encode(t, line, false);
  });
  const std::vector<int32_t> ids = encode(t, content, false);
  const double decode = bestTime(budget, [&] {
    nuvraTokenizerDecode(t, ids.data(), uint32_t(ids.size()));
  });
  std::printf("bytes=%zu tokens=%zu encode_whole_mb_s=%.2f encode_lines_mb_s=%.2f "
              "decode_mb_s=%.2f\n",
              content.size(), ids.size(), mb / whole, mb / by_line, mb / decode);
}

}  // namespace

int main(int argc, char** argv) {
  const char* vocab = nullptr;
  const char* config = nullptr;
  const char* file = nullptr;
  bool special = false;
  double bench_seconds = 0;
  for (int i = 1; i < argc; ++i) {
    const bool has_value = i + 1 < argc;
    if (std::strcmp(argv[i], "--vocab") == 0 && has_value) {
      vocab = argv[++i];
    } else if (std::strcmp(argv[i], "--config") == 0 && has_value) {
      config = argv[++i];
    } else if (std::strcmp(argv[i], "--bench") == 0 && has_value) {
      bench_seconds = std::atof(argv[++i]);
    } else if (std::strcmp(argv[i], "--special") == 0) {
      special = true;
    } else if (file == nullptr && argv[i][0] != '-') {
      file = argv[i];
    } else {
      return usage();
    }
  }
  if (vocab == nullptr || file == nullptr) return usage();

  std::string content;
  if (!readFile(file, content)) {
    std::fprintf(stderr, "cannot read %s\n", file);
    return 1;
  }
  NuvraTokenizer* t = nullptr;
  if (nuvraTokenizerCreate(&t, NUVRA_TOKENIZER_TYPE_WORDPIECE, 0) != 0) return 1;
  if (nuvraTokenizerOpenVocabFileA(t, vocab) != 0 ||
      (config != nullptr && nuvraTokenizerOpenTokenizerConfigFileA(t, config) != 0)) {
    std::fprintf(stderr, "cannot open the vocabulary or configuration file\n");
    nuvraTokenizerDestroy(t);
    return 1;
  }
  const std::vector<std::string> lines = splitLines(content);
  if (bench_seconds > 0) {
    bench(t, content, lines, bench_seconds);
  } else {
    std::string out;
    for (const std::string& line : lines) {
      out.clear();
      for (int32_t id : encode(t, line, special)) {
        if (!out.empty()) out += ' ';
        out += std::to_string(id);
      }
      out += '\n';
      std::fwrite(out.data(), 1, out.size(), stdout);
    }
  }
  nuvraTokenizerDestroy(t);
  return 0;
}
