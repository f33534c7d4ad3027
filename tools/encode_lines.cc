// Prints the ids of every line of a file through the public interface, for
// the peer scripts: what a caller of the library gets.
//
//   encode_lines --type T [--vocab F] [--merges F] [--config F] [--special]
//                [--whole | --split separator|terminator] FILE
//       one output line of space-separated ids per input line
//   encode_lines --type T [--vocab F] [--merges F] [--config F] [--special]
//                [--split separator|terminator] --bench SECONDS FILE
//       encode (whole file, line by line) and decode throughput in MB of FILE
//       per second
//
// Lines are cut at line feeds; carriage returns stay. With "separator" (the
// default) every line feed separates two lines, as JavaScript's split("\n"):
// "a\n" is "a" and "", and an empty file is one empty line. With "terminator"
// a line feed ends a line: "a\n" is "a" alone, and an empty file has none.
// --whole makes the file one text and gives one output line.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "nuvra_tokenizer.h"

namespace {

enum class LineSplit { kSeparator, kTerminator, kWhole };

struct Options {
  int type = -1;
  const char* vocab = nullptr;
  const char* merges = nullptr;
  const char* config = nullptr;
  const char* file = nullptr;
  bool special = false;
  LineSplit split = LineSplit::kSeparator;
  double bench_seconds = 0;
};

int usage() {
  std::fprintf(stderr,
               "usage: encode_lines --type T [--vocab F] [--merges F] [--config F] [--special]\n"
               "                    [--whole | --split separator|terminator] [--bench SECONDS]"
               " FILE\n");
  return 2;
}

bool parseOptions(int argc, char** argv, Options& options) {
  bool whole = false;
  bool split_given = false;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    char* end = nullptr;
    if (std::strcmp(arg, "--type") == 0 && value != nullptr) {
      options.type = int(std::strtol(value, &end, 10));
      if (*value == '\0' || *end != '\0') return false;
      ++i;
    } else if (std::strcmp(arg, "--vocab") == 0 && value != nullptr) {
      options.vocab = argv[++i];
    } else if (std::strcmp(arg, "--merges") == 0 && value != nullptr) {
      options.merges = argv[++i];
    } else if (std::strcmp(arg, "--config") == 0 && value != nullptr) {
      options.config = argv[++i];
    } else if (std::strcmp(arg, "--bench") == 0 && value != nullptr) {
      options.bench_seconds = std::strtod(value, &end);
      if (*value == '\0' || *end != '\0' || !(options.bench_seconds > 0)) return false;
      ++i;
    } else if (std::strcmp(arg, "--split") == 0 && value != nullptr) {
      if (std::strcmp(value, "separator") == 0) {
        options.split = LineSplit::kSeparator;
      } else if (std::strcmp(value, "terminator") == 0) {
        options.split = LineSplit::kTerminator;
      } else {
        return false;
      }
      split_given = true;
      ++i;
    } else if (std::strcmp(arg, "--special") == 0) {
      options.special = true;
    } else if (std::strcmp(arg, "--whole") == 0) {
      whole = true;
    } else if (options.file == nullptr && arg[0] != '-') {
      options.file = arg;
    } else {
      return false;
    }
  }
  // The throughput mode times the whole file and its lines both.
  if (whole && (split_given || options.bench_seconds > 0)) return false;
  if (whole) options.split = LineSplit::kWhole;
  return options.type >= 0 && options.file != nullptr;
}

bool readFile(const char* path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

// Owned strings: the interface wants each text terminated by a NUL.
std::vector<std::string> splitLines(const std::string& content, LineSplit split) {
  if (split == LineSplit::kWhole) return {content};
  std::vector<std::string> lines;
  size_t start = 0;
  while (true) {
    const size_t end = content.find('\n', start);
    if (end == std::string::npos) {
      if (start < content.size() || split == LineSplit::kSeparator) {
        lines.push_back(content.substr(start));
      }
      return lines;
    }
    lines.push_back(content.substr(start, end - start));
    start = end + 1;
  }
}

struct TokenizerDeleter {
  void operator()(NuvraTokenizer* tokenizer) const { nuvraTokenizerDestroy(tokenizer); }
};
using TokenizerPtr = std::unique_ptr<NuvraTokenizer, TokenizerDeleter>;

TokenizerPtr openTokenizer(const Options& options) {
  NuvraTokenizer* raw = nullptr;
  if (nuvraTokenizerCreate(&raw, options.type, 0) != NUVRA_TOKENIZER_STATUS_SUCCESS) {
    std::fprintf(stderr, "cannot create type %d\n", options.type);
    return nullptr;
  }
  TokenizerPtr tokenizer(raw);
  const auto fail = [](const char* what, const char* path) {
    std::fprintf(stderr, "cannot open the %s file %s\n", what, path);
    return nullptr;
  };
  if (options.vocab != nullptr && nuvraTokenizerOpenVocabFileA(raw, options.vocab) != 0) {
    return fail("vocabulary", options.vocab);
  }
  if (options.merges != nullptr && nuvraTokenizerOpenMergeFileA(raw, options.merges) != 0) {
    return fail("merge", options.merges);
  }
  if (options.config != nullptr &&
      nuvraTokenizerOpenTokenizerConfigFileA(raw, options.config) != 0) {
    return fail("configuration", options.config);
  }
  return tokenizer;
}

// Encodes `text` and fetches its ids into `ids`, as a caller would; false
// after printing the status when the library refuses.
bool encode(NuvraTokenizer* tokenizer, const std::string& text, bool special,
            std::vector<int32_t>& ids) {
  int32_t status = special ? nuvraTokenizerEncodeWithSpecialTokens(tokenizer, text.c_str())
                           : nuvraTokenizerEncode(tokenizer, text.c_str());
  uint32_t count = 0;
  if (status == 0) status = nuvraTokenizerGetTokenCount(tokenizer, &count);
  ids.resize(count);
  if (status == 0 && count > 0) status = nuvraTokenizerGetTokens(tokenizer, ids.data(), count);
  if (status != 0) std::fprintf(stderr, "encode failed with status %d\n", int(status));
  return status == 0;
}

bool printIds(NuvraTokenizer* tokenizer, const std::vector<std::string>& lines, bool special) {
  std::vector<int32_t> ids;
  std::string out;
  for (const std::string& line : lines) {
    if (!encode(tokenizer, line, special, ids)) return false;
    out.clear();
    for (size_t i = 0; i < ids.size(); ++i) {
      if (i > 0) out.push_back(' ');
      out.append(std::to_string(ids[i]));
    }
    out.push_back('\n');
    std::fwrite(out.data(), 1, out.size(), stdout);
  }
  return true;
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

// Every text is encoded once, checked, before the timed passes, which then
// cannot fail.
bool bench(NuvraTokenizer* tokenizer, const std::string& content,
           const std::vector<std::string>& lines, const Options& options) {
  std::vector<int32_t> ids;
  for (const std::string& line : lines) {
    if (!encode(tokenizer, line, options.special, ids)) return false;
  }
  if (!encode(tokenizer, content, options.special, ids)) return false;
  const std::vector<int32_t> content_ids = ids;

  const double budget = options.bench_seconds;
  const double mb = double(content.size()) / 1e6;
  const double whole = bestTime(budget, [&] { encode(tokenizer, content, options.special, ids); });
  const double by_line = bestTime(budget, [&] {
    for (const std::string& line : lines) encode(tokenizer, line, options.special, ids);
  });
  const double decode = bestTime(budget, [&] {
    nuvraTokenizerDecode(tokenizer, content_ids.data(), uint32_t(content_ids.size()));
  });
  std::printf("bytes=%zu tokens=%zu encode_whole_mb_s=%.2f encode_lines_mb_s=%.2f "
              "decode_mb_s=%.2f\n",
              content.size(), content_ids.size(), mb / whole, mb / by_line, mb / decode);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!parseOptions(argc, argv, options)) return usage();
  std::string content;
  if (!readFile(options.file, content)) {
    std::fprintf(stderr, "cannot read %s\n", options.file);
    return 1;
  }
  const TokenizerPtr tokenizer = openTokenizer(options);
  if (!tokenizer) return 1;
  const std::vector<std::string> lines = splitLines(content, options.split);
  const bool ok = options.bench_seconds > 0
                      ? bench(tokenizer.get(), content, lines, options)
                      : printIds(tokenizer.get(), lines, options.special);
  return ok ? 0 : 1;
}
