// Speed of the byte-level BPE types through the public interface, on every
// corpus of NUVRA_DATA_DIR/text, line by line (LF-separated lines, CR kept,
// one encode or decode call per line, as a caller tokenizing a document
// would). Bytes per second count the corpus bytes for encode and the decoded
// bytes for decode. NUVRA_BENCH_CORPUS=FILE runs on that one file instead.
//
// Before the benchmarks run, the first Create of types 0 and 1 is timed
// (it builds the built-in tables, which later handles share), together with
// the resident memory that the first type 0 handle adds; all three go into
// the output's context (type0_first_create_ms, type1_first_create_ms,
// type0_handle_rss_kib).
#include <benchmark/benchmark.h>

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

// Resident set size of this process, in KiB.
long residentKib() {
  std::FILE* status = std::fopen("/proc/self/status", "r");
  if (status == nullptr) return -1;
  char line[256];
  long kib = -1;
  while (std::fgets(line, sizeof line, status) != nullptr) {
    if (std::strncmp(line, "VmRSS:", 6) == 0) kib = std::atol(line + 6);
  }
  std::fclose(status);
  return kib;
}

double firstCreateMs(int32_t type, NuvraTokenizer** keep) {
  const auto start = std::chrono::steady_clock::now();
  nuvraTokenizerCreate(keep, type, 0);
  const auto stop = std::chrono::steady_clock::now();
  return std::chrono::duration<double, std::milli>(stop - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  // Cold numbers first, before anything else has built the shared tables.
  NuvraTokenizer* type0 = nullptr;
  NuvraTokenizer* type1 = nullptr;
  const long rss_before = residentKib();
  const double type0_ms = firstCreateMs(0, &type0);
  const long type0_kib = residentKib() - rss_before;
  const double type1_ms = firstCreateMs(1, &type1);
  benchmark::AddCustomContext("type0_first_create_ms", std::to_string(type0_ms));
  benchmark::AddCustomContext("type1_first_create_ms", std::to_string(type1_ms));
  benchmark::AddCustomContext("type0_handle_rss_kib", std::to_string(type0_kib));

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

  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  nuvraTokenizerDestroy(type0);
  nuvraTokenizerDestroy(type1);
  return 0;
}
