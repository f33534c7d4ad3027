// Distinct handles used from distinct threads at once give what one thread
// gives alone; built under ThreadSanitizer in CI, which reports any race.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "support/tokenizer.h"
#include "nuvra_tokenizer.h"
#include "support/published_resources.h"
#include "support/text_lines.h"

namespace nuvra {
namespace {

using testing::Tokenizer;

constexpr int kThreads = 8;

// Releases all threads at once, so that their first calls overlap.
class StartLine {
 public:
  void wait() {
    waiting_.fetch_add(1);
    while (waiting_.load() < kThreads) std::this_thread::yield();
  }

 private:
  std::atomic<int> waiting_{0};
};

std::vector<std::string> someLines() {
  std::vector<std::string> lines;
  for (const char* corpus : {"text/multilingual_sample.txt", "text/botchan.txt", "text/wagahaiwa_nekodearu.txt"}) {
    const std::vector<std::string> all = testing::splitLines(testing::readFile(testing::publishedFile(corpus)));
    lines.insert(lines.end(), all.begin(), all.begin() + 12);
  }
  lines.push_back("<|endoftext|><s>[CLS] </s>\xF0\x9F\x98\x80 \xE3\x80\x82<mask>");
  return lines;
}

// Everything a handle of every type gives for the lines: both encodes, both
// decodes of the ids, as one long record.
std::vector<std::string> encodeAndDecode(const std::vector<std::string>& lines) {
  std::vector<std::string> out;
  for (int32_t type = 0; type <= 10; ++type) {
    Tokenizer t(type);
    EXPECT_TRUE(testing::openPublishedResources(t.get(), type)) << type;
    for (const std::string& line : lines) out.push_back(std::to_string(type) + testing::observe(t.get(), line));
  }
  return out;
}

// Runs first in its process: the shared tables of types 0 and 1 do not exist
// yet, and every thread asks for them at the same moment.
TEST(Threads, FirstHandlesOfTheBuiltInTypesAtOnce) {
  StartLine start;
  std::vector<std::vector<int32_t>> results(kThreads);
  std::vector<uint32_t> sizes(kThreads);
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&, i] {
      start.wait();
      NuvraTokenizer* t = nullptr;
      if (nuvraTokenizerCreate(&t, i % 2, 0) != 0) return;
      Tokenizer owned(t);
      nuvraTokenizerGetVocabSize(t, &sizes[i]);
      if (nuvraTokenizerEncode(t, "Hello threads, said the 2 tables.") == 0) results[i] = testing::tokens(t);
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int i = 0; i < kThreads; ++i) {
    EXPECT_EQ(sizes[i], i % 2 == 0 ? 50259u : 49408u) << "thread " << i;
    EXPECT_FALSE(results[i].empty());
    EXPECT_EQ(results[i], results[i % 2]) << "thread " << i;
  }
}

TEST(Threads, EveryTypeInEightThreadsAtOnceAsInOne) {
  const std::vector<std::string> lines = someLines();
  ASSERT_GT(lines.size(), 30u);
  const std::vector<std::string> alone = encodeAndDecode(lines);
  StartLine start;
  std::vector<std::vector<std::string>> results(kThreads);
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&, i] {
      start.wait();
      results[i] = encodeAndDecode(lines);
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int i = 0; i < kThreads; ++i) EXPECT_EQ(results[i], alone) << "thread " << i;
}

}  // namespace
}  // namespace nuvra
