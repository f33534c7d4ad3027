// Type 8 encode and decode throughput on the corpora of NUVRA_DATA_DIR/text,
// with the uncased BERT vocabulary. bytes_per_second counts corpus bytes
// (for decode: the bytes of the text the ids came from).
//
// tools/peers/wordpiece_parity.js --bench FILE runs the peer on the same
// corpus and prints the ratio.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "nuvra_tokenizer.h"

namespace {

const char* const kCorpora[] = {"botchan.txt", "wagahaiwa_nekodearu.txt",
                                "multilingual_sample.txt"};

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

struct Fixture {
  NuvraTokenizer* tokenizer = nullptr;
  std::string text;
  std::vector<std::string> lines;
  std::vector<int32_t> ids;
};

NuvraTokenizer* makeTokenizer() {
  NuvraTokenizer* t = nullptr;
  const std::string vocab = std::string(NUVRA_DATA_DIR) + "/bert/bert-base-uncased-vocab.txt";
  if (nuvraTokenizerCreate(&t, NUVRA_TOKENIZER_TYPE_WORDPIECE, 0) != 0 ||
      nuvraTokenizerOpenVocabFileA(t, vocab.c_str()) != 0) {
    std::fprintf(stderr, "cannot load %s\n", vocab.c_str());
    std::exit(1);
  }
  return t;
}

void encodeWhole(benchmark::State& state, const Fixture* f) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(nuvraTokenizerEncode(f->tokenizer, f->text.c_str()));
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(f->text.size()));
}

void encodeLines(benchmark::State& state, const Fixture* f) {
  for (auto _ : state) {
    for (const std::string& line : f->lines) {
      benchmark::DoNotOptimize(nuvraTokenizerEncode(f->tokenizer, line.c_str()));
    }
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(f->text.size()));
}

void decode(benchmark::State& state, const Fixture* f) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        nuvraTokenizerDecode(f->tokenizer, f->ids.data(), uint32_t(f->ids.size())));
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(f->text.size()));
  state.counters["tokens"] = double(f->ids.size());
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<Fixture> fixtures(std::size(kCorpora));
  for (size_t i = 0; i < fixtures.size(); ++i) {
    Fixture& f = fixtures[i];
    f.text = readFile(std::string(NUVRA_DATA_DIR) + "/text/" + kCorpora[i]);
    if (f.text.empty()) continue;
    f.tokenizer = makeTokenizer();
    f.lines = splitLines(f.text);
    nuvraTokenizerEncode(f.tokenizer, f.text.c_str());
    uint32_t count = 0;
    nuvraTokenizerGetTokenCount(f.tokenizer, &count);
    f.ids.resize(count);
    nuvraTokenizerGetTokens(f.tokenizer, f.ids.data(), count);
    const std::string name = kCorpora[i];
    benchmark::RegisterBenchmark(("WordpieceEncode/" + name).c_str(), encodeWhole, &f);
    benchmark::RegisterBenchmark(("WordpieceEncodeLines/" + name).c_str(), encodeLines, &f);
    benchmark::RegisterBenchmark(("WordpieceDecode/" + name).c_str(), decode, &f);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  for (Fixture& f : fixtures) nuvraTokenizerDestroy(f.tokenizer);
  return 0;
}
