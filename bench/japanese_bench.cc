// Types 4 and 5 encode throughput on the Japanese novel, line by line, next
// to MeCab's own parse of the same normalised lines and the normaliser alone,
// all in one run: bytes_per_second counts the novel's bytes in each.
// FirstEncode times a dictionary open plus the first encode of a handle
// against MeCab's own tagger creation; its counters are milliseconds, wall
// clock unless named cpu.
#include <benchmark/benchmark.h>
#include <mecab.h>

#include <chrono>
#include <ctime>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "nuvra_tokenizer.h"
#include "wordpiece/nfkc_normalizer.h"

namespace {

const std::string kDictionary = NUVRA_MECAB_DICTIONARY;
const std::string kVocab = std::string(NUVRA_DATA_DIR) + "/bert/bert-base-japanese-v3-vocab.txt";

struct Corpus {
  size_t bytes = 0;
  std::vector<std::string> lines;
  std::vector<std::string> normalized;
};

Corpus readCorpus() {
  const std::string path = std::string(NUVRA_DATA_DIR) + "/text/wagahaiwa_nekodearu.txt";
  std::ifstream in(path, std::ios::binary);
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  Corpus corpus;
  corpus.bytes = text.size();
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    corpus.lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  for (const std::string& line : corpus.lines) {
    corpus.normalized.emplace_back();
    nuvra::wordpiece::normalizeNfkc(line, corpus.normalized.back());
  }
  return corpus;
}

NuvraTokenizer* makeTokenizer(int32_t type, bool with_dictionary) {
  NuvraTokenizer* t = nullptr;
  if (nuvraTokenizerCreate(&t, type, 0) != 0 || nuvraTokenizerOpenVocabFileA(t, kVocab.c_str()) != 0 ||
      (with_dictionary && nuvraTokenizerOpenDictionaryFileA(t, kDictionary.c_str()) != 0)) {
    std::fprintf(stderr, "cannot load %s or %s\n", kVocab.c_str(), kDictionary.c_str());
    std::exit(1);
  }
  return t;
}

MeCab::Tagger* makeTagger() {
  const std::string resource = kDictionary + "/dicrc";
  const char* argv[] = {"bench", "-d", kDictionary.c_str(), "-r", resource.c_str()};
  return MeCab::createTagger(int(std::size(argv)), const_cast<char**>(argv));
}

void encodeLines(benchmark::State& state, const Corpus* corpus, int32_t type) {
  NuvraTokenizer* t = makeTokenizer(type, true);
  for (auto _ : state) {
    for (const std::string& line : corpus->lines) {
      benchmark::DoNotOptimize(nuvraTokenizerEncode(t, line.c_str()));
    }
  }
  state.SetBytesProcessed(int64_t(state.iterations() * corpus->bytes));
  nuvraTokenizerDestroy(t);
}

void mecabParseLines(benchmark::State& state, const Corpus* corpus) {
  std::unique_ptr<MeCab::Tagger> tagger(makeTagger());
  for (auto _ : state) {
    for (const std::string& line : corpus->normalized) {
      size_t words = 0;
      for (const MeCab::Node* n = tagger->parseToNode(line.data(), line.size()); n; n = n->next) {
        words += n->stat <= MECAB_UNK_NODE ? n->length : 0;
      }
      benchmark::DoNotOptimize(words);
    }
  }
  state.SetBytesProcessed(int64_t(state.iterations() * corpus->bytes));
}

void normalizeLines(benchmark::State& state, const Corpus* corpus) {
  std::string out;
  for (auto _ : state) {
    for (const std::string& line : corpus->lines) {
      nuvra::wordpiece::normalizeNfkc(line, out);
      benchmark::DoNotOptimize(out.data());
    }
  }
  state.SetBytesProcessed(int64_t(state.iterations() * corpus->bytes));
}

// Wall and CPU time together: the wall clock of a shared machine says little.
struct Stopwatch {
  std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
  std::clock_t cpu = std::clock();
  void addTo(double& wall_ms, double& cpu_ms) const {
    wall_ms += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wall)
                   .count();
    cpu_ms += double(std::clock() - cpu) * 1000.0 / CLOCKS_PER_SEC;
  }
};

void firstEncode(benchmark::State& state, const Corpus* corpus, int32_t type) {
  const std::string& line = corpus->lines[5];
  double ours = 0, ours_cpu = 0, open = 0, open_cpu = 0, mecab = 0, mecab_cpu = 0;
  for (auto _ : state) {
    NuvraTokenizer* t = makeTokenizer(type, false);
    const Stopwatch start;
    nuvraTokenizerOpenDictionaryFileA(t, kDictionary.c_str());
    start.addTo(open, open_cpu);
    nuvraTokenizerEncode(t, line.c_str());
    start.addTo(ours, ours_cpu);
    nuvraTokenizerDestroy(t);
    const Stopwatch tagger;
    delete makeTagger();
    tagger.addTo(mecab, mecab_cpu);
  }
  const auto n = double(state.iterations());
  state.counters["open_and_first_encode_ms"] = ours / n;
  state.counters["of_which_open_ms"] = open / n;
  state.counters["mecab_tagger_ms"] = mecab / n;
  state.counters["beyond_mecab_ms"] = (ours - mecab) / n;
  state.counters["beyond_mecab_cpu_ms"] = (ours_cpu - mecab_cpu) / n;
  state.counters["open_beyond_mecab_cpu_ms"] = (open_cpu - mecab_cpu) / n;
}

}  // namespace

int main(int argc, char** argv) {
  if (kDictionary.empty()) {
    std::fprintf(stderr, "no MeCab IPA dictionary found at configure time\n");
    return 1;
  }
  const Corpus corpus = readCorpus();
  // First, before anything else has touched the dictionary files this run.
  benchmark::RegisterBenchmark("FirstEncode/type4", firstEncode, &corpus,
                               NUVRA_TOKENIZER_TYPE_WORDPIECE_JA)->Iterations(20);
  benchmark::RegisterBenchmark("JapaneseEncodeLines/type4", encodeLines, &corpus,
                               NUVRA_TOKENIZER_TYPE_WORDPIECE_JA);
  benchmark::RegisterBenchmark("JapaneseEncodeLines/type5", encodeLines, &corpus,
                               NUVRA_TOKENIZER_TYPE_WORDPIECE_JA_CHAR);
  benchmark::RegisterBenchmark("MecabParseNormalizedLines", mecabParseLines, &corpus);
  benchmark::RegisterBenchmark("NormalizeLines", normalizeLines, &corpus);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
