// Speed of the byte-level BPE types through the public interface, on every
// corpus of NUVRA_DATA_DIR/text, line by line (LF-separated lines, CR kept,
// one encode or decode call per line, as a caller tokenizing a document
// would). Bytes per second count the corpus bytes for encode and the decoded
// bytes for decode. NUVRA_BENCH_CORPUS=FILE runs on that one file instead.
//
// Before the benchmarks run, fresh copies of this program (run with
// --first-create TYPE) time the first Create of type 0, and of type 1, each
// in a new process (it opens the built-in tables, which later handles share),
// and the private memory each further handle adds; the medians of five go
// into the output's context (type0_first_create_ms, type1_first_create_ms,
// type0_private_kib_per_handle, type1_private_kib_per_handle). Besides
// encode and decode per type and corpus: Create, opening the gpt2 files on
// type 9, and the worst cases, one pre-token of 1 MB each.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "nuvra_tokenizer.h"

namespace {

const std::string kDataDir = NUVRA_DATA_DIR;
const char* const kCorpora[] = {"botchan.txt", "wagahaiwa_nekodearu.txt",
                                "multilingual_sample.txt"};

struct Corpus {
  std::string name;
  std::vector<std::string> lines;
  size_t bytes = 0;
};

// Lines of the file, or with NUVRA_BENCH_CHUNK_LINES=N pieces of N lines
// (line feeds kept inside a piece), one encode call each.
Corpus readCorpus(const std::string& path) {
  Corpus corpus{path.substr(path.find_last_of('/') + 1), {}, 0};
  std::ifstream in(path, std::ios::binary);
  const std::string content{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  const char* chunk = std::getenv("NUVRA_BENCH_CHUNK_LINES");
  const long lines_per_piece = chunk != nullptr && std::atol(chunk) > 0 ? std::atol(chunk) : 1;
  size_t start = 0;
  while (start <= content.size()) {
    size_t end = start;
    for (long k = 0; k < lines_per_piece && end != std::string::npos; ++k) {
      end = content.find('\n', k == 0 ? start : end + 1);
    }
    if (end == std::string::npos) end = content.size();
    corpus.lines.push_back(content.substr(start, end - start));
    start = end + 1;
  }
  corpus.bytes = content.size();
  return corpus;
}

// Creates a handle of `type` with the files the type needs; null on failure.
NuvraTokenizer* createTokenizer(int32_t type) {
  NuvraTokenizer* handle = nullptr;
  if (nuvraTokenizerCreate(&handle, type, 0) != NUVRA_TOKENIZER_STATUS_SUCCESS) return nullptr;
  const char* dir = type == 9 ? "gpt2" : type == 7 ? "roberta" : nullptr;
  if (dir != nullptr) {
    const std::string base = kDataDir + "/" + dir + "/";
    if (nuvraTokenizerOpenVocabFileA(handle, (base + "vocab.json").c_str()) != 0 ||
        nuvraTokenizerOpenMergeFileA(handle, (base + "merges.txt").c_str()) != 0) {
      nuvraTokenizerDestroy(handle);
      return nullptr;
    }
  }
  return handle;
}

std::vector<std::vector<int32_t>> encodeLines(NuvraTokenizer* handle, const Corpus& corpus) {
  std::vector<std::vector<int32_t>> out;
  for (const std::string& line : corpus.lines) {
    uint32_t count = 0;
    nuvraTokenizerEncode(handle, line.c_str());
    nuvraTokenizerGetTokenCount(handle, &count);
    std::vector<int32_t> ids(count);
    if (count > 0) nuvraTokenizerGetTokens(handle, ids.data(), count);
    out.push_back(std::move(ids));
  }
  return out;
}

void encodeBench(benchmark::State& state, int32_t type, const Corpus* corpus) {
  NuvraTokenizer* handle = createTokenizer(type);
  if (handle == nullptr) {
    state.SkipWithError("cannot create the tokenizer or open its files");
    return;
  }
  for (auto _ : state) {
    for (const std::string& line : corpus->lines) {
      benchmark::DoNotOptimize(nuvraTokenizerEncode(handle, line.c_str()));
    }
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(corpus->bytes));
  nuvraTokenizerDestroy(handle);
}

void decodeBench(benchmark::State& state, int32_t type, const Corpus* corpus) {
  NuvraTokenizer* handle = createTokenizer(type);
  if (handle == nullptr) {
    state.SkipWithError("cannot create the tokenizer or open its files");
    return;
  }
  const std::vector<std::vector<int32_t>> ids = encodeLines(handle, *corpus);
  size_t decoded_bytes = 0;
  for (const std::vector<int32_t>& line : ids) {
    nuvraTokenizerDecode(handle, line.data(), uint32_t(line.size()));
    uint32_t length = 0;
    nuvraTokenizerGetTextLength(handle, &length);
    decoded_bytes += length - 1;
  }
  const int32_t none = 0;
  for (auto _ : state) {
    for (const std::vector<int32_t>& line : ids) {
      const int32_t* data = line.empty() ? &none : line.data();
      benchmark::DoNotOptimize(nuvraTokenizerDecode(handle, data, uint32_t(line.size())));
    }
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(decoded_bytes));
  nuvraTokenizerDestroy(handle);
}

void createBench(benchmark::State& state, int32_t type) {
  for (auto _ : state) {
    NuvraTokenizer* handle = nullptr;
    benchmark::DoNotOptimize(nuvraTokenizerCreate(&handle, type, 0));
    nuvraTokenizerDestroy(handle);
  }
}

void openBench(benchmark::State& state) {
  for (auto _ : state) {
    NuvraTokenizer* handle = createTokenizer(9);
    if (handle == nullptr) {
      state.SkipWithError("cannot open the gpt2 files");
      return;
    }
    nuvraTokenizerDestroy(handle);
  }
}

// One pre-token of about 1 MB, made of `unit` repeated or, for the letters,
// CJK ideographs and digits, of characters drawn from their range, so that
// merges stay varied.
std::string worstCase(const std::string& kind) {
  std::string text;
  uint32_t state = 12345;
  auto next = [&](uint32_t range) {
    state = state * 1103515245u + 12345u;
    return (state >> 8) % range;
  };
  while (text.size() < (size_t(1) << 20)) {
    if (kind == "letters") {
      text.push_back(char('a' + next(26)));
    } else if (kind == "digits") {
      text.push_back(char('0' + next(10)));
    } else if (kind == "cjk") {
      const uint32_t cp = 0x4E00 + next(0x5000);
      text.push_back(char(0xE0 | (cp >> 12)));
      text.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
      text.push_back(char(0x80 | (cp & 0x3F)));
    } else if (kind == "emoji") {
      text.append("\xF0\x9F\x98\x80");
    } else {
      text.push_back(' ');
    }
  }
  return text;
}

void worstCaseBench(benchmark::State& state, int32_t type, std::string kind) {
  NuvraTokenizer* handle = createTokenizer(type);
  if (handle == nullptr) {
    state.SkipWithError("cannot create the tokenizer or open its files");
    return;
  }
  const std::string text = worstCase(kind);
  for (auto _ : state) benchmark::DoNotOptimize(nuvraTokenizerEncode(handle, text.c_str()));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
  nuvraTokenizerDestroy(handle);
}

// Private (unshared) memory of this process, in KiB.
long privateKib() {
  std::FILE* rollup = std::fopen("/proc/self/smaps_rollup", "r");
  if (rollup == nullptr) return -1;
  char line[256];
  long kib = 0;
  while (std::fgets(line, sizeof line, rollup) != nullptr) {
    if (std::strncmp(line, "Private_", 8) == 0) kib += std::atol(std::strchr(line, ':') + 1);
  }
  std::fclose(rollup);
  return kib;
}

// In a fresh process: the first Create of `type` in ms, then the private
// KiB each further handle adds.
void firstCreate(int32_t type, double& ms, double& kib_per_handle) {
  NuvraTokenizer* first = nullptr;
  const auto start = std::chrono::steady_clock::now();
  nuvraTokenizerCreate(&first, type, 0);
  ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  constexpr int kMore = 16;
  NuvraTokenizer* more[kMore] = {};
  const long before = privateKib();
  for (NuvraTokenizer*& handle : more) nuvraTokenizerCreate(&handle, type, 0);
  kib_per_handle = double(privateKib() - before) / kMore;
  for (NuvraTokenizer* handle : more) nuvraTokenizerDestroy(handle);
  nuvraTokenizerDestroy(first);
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Runs this program with --first-create five times and puts the medians into
// the output's context.
void addFirstCreateContext(const char* self) {
  std::vector<double> figures[4];
  for (int run = 0; run < 5; ++run) {
    for (int type = 0; type < 2; ++type) {
      const std::string command =
          std::string("'") + self + "' --first-create " + std::to_string(type);
      std::FILE* child = popen(command.c_str(), "r");
      if (child == nullptr) return;
      double values[2] = {};
      const int read = std::fscanf(child, "%lf %lf", &values[0], &values[1]);
      pclose(child);
      if (read != 2) return;
      figures[2 * type].push_back(values[0]);
      figures[2 * type + 1].push_back(values[1]);
    }
  }
  const char* names[4] = {"type0_first_create_ms", "type0_private_kib_per_handle",
                          "type1_first_create_ms", "type1_private_kib_per_handle"};
  for (int i = 0; i < 4; ++i) {
    benchmark::AddCustomContext(names[i], std::to_string(median(figures[i])));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--first-create") == 0) {
    double ms = 0;
    double kib = 0;
    firstCreate(std::atoi(argv[2]), ms, kib);
    std::printf("%f %f\n", ms, kib);
    return 0;
  }
  addFirstCreateContext(argv[0]);

  static std::vector<Corpus> corpora;
  if (const char* path = std::getenv("NUVRA_BENCH_CORPUS")) {
    corpora.push_back(readCorpus(path));
  } else {
    for (const char* name : kCorpora) corpora.push_back(readCorpus(kDataDir + "/text/" + name));
  }
  for (const Corpus& corpus : corpora) {
    for (const int32_t type : {0, 7, 9}) {
      benchmark::RegisterBenchmark(
          ("encode/type" + std::to_string(type) + "/" + corpus.name).c_str(), encodeBench, type,
          &corpus)->Unit(benchmark::kMillisecond);
    }
    for (const int32_t type : {0, 9}) {
      benchmark::RegisterBenchmark(
          ("decode/type" + std::to_string(type) + "/" + corpus.name).c_str(), decodeBench, type,
          &corpus)->Unit(benchmark::kMillisecond);
    }
  }
  for (const int32_t type : {0, 1}) {
    benchmark::RegisterBenchmark(("create/type" + std::to_string(type)).c_str(), createBench,
                                 type)->Unit(benchmark::kMicrosecond);
  }
  benchmark::RegisterBenchmark("open/type9/gpt2", openBench)->Unit(benchmark::kMillisecond);
  for (const char* kind : {"letters", "cjk", "digits", "emoji", "spaces"}) {
    benchmark::RegisterBenchmark((std::string("worst/type9/") + kind).c_str(), worstCaseBench, 9,
                                 std::string(kind))->Unit(benchmark::kMillisecond);
  }

  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
