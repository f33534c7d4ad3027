#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "interface/tokenizer_handle.h"
#include "nuvra_tokenizer.h"

namespace nuvra {
namespace {

using testing::makeTokenizer;

NuvraTokenizer* const kUntouched = reinterpret_cast<NuvraTokenizer*>(uintptr_t(0x1234));

TEST(Create, RejectsBadArgumentsBeforeAllocating) {
  EXPECT_EQ(nuvraTokenizerCreate(nullptr, 0, 0), NUVRA_TOKENIZER_STATUS_INVALID_ARGUMENT);
  for (int32_t type : {11, 12, -1, INT32_MIN}) {
    NuvraTokenizer* handle = kUntouched;
    EXPECT_EQ(nuvraTokenizerCreate(&handle, type, 0), NUVRA_TOKENIZER_STATUS_INVALID_ARGUMENT);
    EXPECT_EQ(handle, kUntouched) << type;
  }
  for (int32_t flags : {2, 3, -1, INT32_MIN}) {
    NuvraTokenizer* handle = kUntouched;
    EXPECT_EQ(nuvraTokenizerCreate(&handle, 7, flags), NUVRA_TOKENIZER_STATUS_INVALID_ARGUMENT);
    EXPECT_EQ(handle, kUntouched) << flags;
  }
}

TEST(Create, EveryTypeGivesAFreshHandle) {
  for (int32_t type = 0; type <= 10; ++type) {
    for (int32_t flags : {NUVRA_TOKENIZER_FLAG_NONE, NUVRA_TOKENIZER_FLAG_UTF8_SAFE}) {
      auto t = makeTokenizer(type, flags);
      ASSERT_NE(t, nullptr);
      uint32_t count = 99;
      EXPECT_EQ(nuvraTokenizerGetTokenCount(t.get(), &count), 0);
      EXPECT_EQ(count, 0u);
      uint32_t length = 0;
      EXPECT_EQ(nuvraTokenizerGetTextLength(t.get(), &length), 0);
      EXPECT_EQ(length, 1u);
      char one = 'x';
      EXPECT_EQ(nuvraTokenizerGetText(t.get(), &one, 1), 0);
      EXPECT_EQ(one, '\0');
    }
  }
}

TEST(Create, FileBasedTypesStartEmpty) {
  for (int32_t type : {7, 8, 9, 4, 5}) {
    auto t = makeTokenizer(type);
    EXPECT_EQ(testing::vocabSize(t.get()), 0u) << type;
    const char* text = nullptr;
    EXPECT_EQ(nuvraTokenizerGetVocab(t.get(), 0, &text), NUVRA_TOKENIZER_STATUS_INVALID_ARGUMENT);
  }
}

TEST(Destroy, NullIsIgnored) { nuvraTokenizerDestroy(nullptr); }

TEST(Handles, AreIndependentAcrossThreads) {
  // Shared constant tables are built once; handles made at the same time
  // from several threads must all come out whole.
  std::vector<std::thread> threads;
  std::atomic<int> failures{0};
  for (int k = 0; k < 4; ++k) {
    threads.emplace_back([&failures, k] {
      for (int32_t type = 0; type <= 10; ++type) {
        NuvraTokenizer* t = nullptr;
        if (nuvraTokenizerCreate(&t, (type + k) % 11, 0) != 0 || t == nullptr) ++failures;
        nuvraTokenizerDestroy(t);
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(failures.load(), 0);
}

}  // namespace
}  // namespace nuvra
