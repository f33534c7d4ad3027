// Speed of the SentencePiece types through the public interface next to the
// library they wrap, called directly on the same lines in the same run:
// SentencePieceProcessor::Encode and Decode (ids form) against
// nuvraTokenizerEncode + GetTokens and nuvraTokenizerDecode + GetText, for
// the llama and t5 models on the first 256 KiB of lines of botchan and
// wagahaiwa. Decode gets each type's ids of the lines, framing included, and
// the direct Decode the pieces that ours hands to the library. Throughputs
// count the corpus bytes in both directions. The "with_specials" rows are
// EncodeWithSpecialTokens / DecodeWithSpecialTokens against the same direct
// calls; decoding with special tokens writes the pieces itself.
#include <benchmark/benchmark.h>
#include <sentencepiece_processor.h>
#include <time.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "nuvra_tokenizer.h"
#include "sentencepiece/id_mapping.h"

namespace {

const std::string kDataDir = NUVRA_DATA_DIR;
constexpr size_t kCorpusBytes = 256 * 1024;
constexpr int32_t kTypes[] = {2, 3, 6, 10};

struct Corpus {
  std::string name;
  std::vector<std::string> lines;
  size_t bytes = 0;
};

Corpus readCorpus(const std::string& name) {
  Corpus corpus{name, {}, 0};
  std::ifstream in(kDataDir + "/text/" + name, std::ios::binary);
  const std::string content{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  size_t start = 0;
  while (start < content.size() && corpus.bytes < kCorpusBytes) {
    size_t end = content.find('\n', start);
    if (end == std::string::npos) end = content.size();
    std::string line = content.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    start = end + 1;
    if (line.empty()) continue;
    corpus.bytes += line.size();
    corpus.lines.push_back(std::move(line));
  }
  return corpus;
}

struct HandleDeleter {
  void operator()(NuvraTokenizer* t) const { nuvraTokenizerDestroy(t); }
};
using Handle = std::unique_ptr<NuvraTokenizer, HandleDeleter>;

Handle openHandle(int32_t type, const std::string& model) {
  NuvraTokenizer* raw = nullptr;
  if (nuvraTokenizerCreate(&raw, type, 0) != 0) return nullptr;
  Handle handle(raw);
  if (nuvraTokenizerOpenModelFileA(raw, model.c_str()) != 0) return nullptr;
  return handle;
}

// What a caller does to get ids: encode, then copy them out.
void encodeThroughInterface(NuvraTokenizer* t, const std::string& line, bool with_specials,
                            std::vector<int32_t>& ids) {
  if (with_specials) {
    nuvraTokenizerEncodeWithSpecialTokens(t, line.c_str());
  } else {
    nuvraTokenizerEncode(t, line.c_str());
  }
  uint32_t count = 0;
  nuvraTokenizerGetTokenCount(t, &count);
  ids.resize(count + 1);
  nuvraTokenizerGetTokens(t, ids.data(), count + 1);
  ids.resize(count);
}

void decodeThroughInterface(NuvraTokenizer* t, const std::vector<int32_t>& ids,
                            bool with_specials, std::string& text) {
  const int32_t none = 0;
  const int32_t* data = ids.empty() ? &none : ids.data();
  if (with_specials) {
    nuvraTokenizerDecodeWithSpecialTokens(t, data, uint32_t(ids.size()));
  } else {
    nuvraTokenizerDecode(t, data, uint32_t(ids.size()));
  }
  uint32_t length = 0;
  nuvraTokenizerGetTextLength(t, &length);
  text.resize(length);
  nuvraTokenizerGetText(t, text.data(), length);
  text.resize(length - 1);
}

// Everything one model and corpus needs, built before the clock runs.
struct Workload {
  std::string label;
  const Corpus* corpus;
  sentencepiece::SentencePieceProcessor direct;
  std::vector<Handle> handles;                          // per kTypes entry
  std::vector<std::vector<std::vector<int32_t>>> ids;   // per type, per line
  // The pieces of `ids` that the library gets to decode (framing included,
  // unknown and pad left out), for the direct Decode.
  std::vector<std::vector<std::vector<int>>> piece_ids;
};

// CPU time of this thread: on a shared machine wall time also counts the
// moments another process holds the core, which swamps a few percent.
double threadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// Runs `direct(i)` and `ours(i)` on line i, one right after the other, for
// every line, so both see the same machine. The benchmark's time is ours;
// counters give both throughputs and their ratio.
template <typename Direct, typename Ours>
void runPaired(benchmark::State& state, size_t lines, size_t bytes, Direct direct, Ours ours) {
  double direct_time = 0, ours_time = 0;
  for (auto _ : state) {
    double pass = 0;
    for (size_t i = 0; i < lines; ++i) {
      // The second call on a line finds the caches warm: take turns.
      const bool direct_first = i % 2 == 0;
      const double t0 = threadSeconds();
      direct_first ? direct(i) : ours(i);
      const double t1 = threadSeconds();
      direct_first ? ours(i) : direct(i);
      const double t2 = threadSeconds();
      direct_time += direct_first ? t1 - t0 : t2 - t1;
      pass += direct_first ? t2 - t1 : t1 - t0;
    }
    ours_time += pass;
    state.SetIterationTime(pass);
  }
  const double megabytes = double(bytes) * double(state.iterations()) / 1e6;
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
  state.counters["direct_MBps"] = megabytes / direct_time;
  state.counters["ours_MBps"] = megabytes / ours_time;
  state.counters["ours_vs_direct"] = direct_time / ours_time;
}

void registerWorkload(Workload& w) {
  const Corpus& corpus = *w.corpus;
  const std::string prefix = "/" + w.label + "/" + corpus.name;
  for (size_t k = 0; k < w.handles.size(); ++k) {
    NuvraTokenizer* t = w.handles[k].get();
    const auto& type_ids = w.ids[k];
    const auto& piece_ids = w.piece_ids[k];
    const std::string type = "/type" + std::to_string(kTypes[k]);
    for (bool with_specials : {false, true}) {
      const std::string suffix = with_specials ? "/with_specials" : "";
      benchmark::RegisterBenchmark(
          ("encode" + prefix + type + suffix).c_str(),
          [&w, t, &corpus, with_specials](benchmark::State& state) {
            std::vector<int> direct_ids;
            std::vector<int32_t> ids;
            runPaired(
                state, corpus.lines.size(), corpus.bytes,
                [&](size_t i) {
                  w.direct.Encode(corpus.lines[i], &direct_ids).IgnoreError();
                  benchmark::DoNotOptimize(direct_ids.data());
                },
                [&](size_t i) {
                  encodeThroughInterface(t, corpus.lines[i], with_specials, ids);
                  benchmark::DoNotOptimize(ids.data());
                });
          })
          ->UseManualTime();
      benchmark::RegisterBenchmark(
          ("decode" + prefix + type + suffix).c_str(),
          [&w, t, &type_ids, &piece_ids, &corpus, with_specials](benchmark::State& state) {
            std::string direct_text, text;
            runPaired(
                state, corpus.lines.size(), corpus.bytes,
                [&](size_t i) {
                  w.direct.Decode(piece_ids[i], &direct_text).IgnoreError();
                  benchmark::DoNotOptimize(direct_text.data());
                },
                [&](size_t i) {
                  decodeThroughInterface(t, type_ids[i], with_specials, text);
                  benchmark::DoNotOptimize(text.data());
                });
          })
          ->UseManualTime();
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  const Corpus corpora[] = {readCorpus("botchan.txt"), readCorpus("wagahaiwa_nekodearu.txt")};
  const std::pair<const char*, const char*> models[] = {{"llama", "llama-tokenizer.model"},
                                                        {"t5", "t5-spiece.model"}};
  std::vector<std::unique_ptr<Workload>> workloads;
  for (const auto& [label, file] : models) {
    const std::string path = kDataDir + "/spm/" + file;
    for (const Corpus& corpus : corpora) {
      auto w = std::make_unique<Workload>();
      w->label = label;
      w->corpus = &corpus;
      if (corpus.lines.empty() || !w->direct.Load(path).ok()) {
        std::fprintf(stderr, "cannot read %s or %s\n", path.c_str(), corpus.name.c_str());
        return 1;
      }
      const int n = w->direct.GetPieceSize(), unk = w->direct.unk_id(), pad = w->direct.pad_id();
      for (int32_t type : kTypes) {
        Handle handle = openHandle(type, path);
        if (!handle) {
          std::fprintf(stderr, "cannot open %s as type %d\n", path.c_str(), type);
          return 1;
        }
        std::vector<std::vector<int32_t>> ids;
        std::vector<std::vector<int>> pieces;
        for (const std::string& line : corpus.lines) {
          ids.emplace_back();
          encodeThroughInterface(handle.get(), line, false, ids.back());
          pieces.emplace_back();
          for (int32_t id : ids.back()) {
            const int s = nuvra::spm::tokenToPieceId(type == NUVRA_TOKENIZER_TYPE_SPM_SHIFTED
                                                         ? nuvra::spm::IdLayout::kShifted
                                                         : nuvra::spm::IdLayout::kModel,
                                                     id);
            if (s != unk && s != pad && s >= 0 && s < n) pieces.back().push_back(s);
          }
        }
        w->ids.push_back(std::move(ids));
        w->piece_ids.push_back(std::move(pieces));
        w->handles.push_back(std::move(handle));
      }
      registerWorkload(*w);
      workloads.push_back(std::move(w));
    }
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
