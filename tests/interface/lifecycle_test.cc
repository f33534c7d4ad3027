#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "support/tokenizer.h"

namespace nuvra::testing {
namespace {

TEST(Create, RejectsBadArgumentsWithoutTouchingTheHandle) {
  EXPECT_EQ(nuvraTokenizerCreate(nullptr, 0, 0), NUVRA_TOKENIZER_STATUS_INVALID_ARGUMENT);
  const std::pair<int32_t, int32_t> bad[] = {{11, 0}, {-1, 0}, {INT32_MIN, 0}, {7, 2},
                                             {7, 3},  {7, -1}, {7, INT32_MIN}};
  for (const auto& [type, flags] : bad) {
    NuvraTokenizer* handle = reinterpret_cast<NuvraTokenizer*>(uintptr_t(0x1234));
    EXPECT_EQ(nuvraTokenizerCreate(&handle, type, flags), NUVRA_TOKENIZER_STATUS_INVALID_ARGUMENT);
    EXPECT_EQ(handle, reinterpret_cast<NuvraTokenizer*>(uintptr_t(0x1234))) << type << " " << flags;
  }
  nuvraTokenizerDestroy(nullptr);
}

TEST(Create, EveryTypeGivesAFreshHandle) {
  for (int32_t type = 0; type <= 10; ++type) {
    for (int32_t flags : {NUVRA_TOKENIZER_FLAG_NONE, NUVRA_TOKENIZER_FLAG_UTF8_SAFE}) {
      Tokenizer t(type, flags);
      ASSERT_NE(t.get(), nullptr);
      EXPECT_EQ(t.tokens(), Ids{});
      EXPECT_EQ(t.decodedText(), "");
    }
  }
  // File-based types start with an empty vocabulary.
  for (int32_t type : {7, 8, 9, 4, 5}) {
    Tokenizer t(type);
    EXPECT_EQ(t.vocabSize(), 0u) << type;
    EXPECT_EQ(t.vocabEntry(0), "<status -1>") << type;
  }
}

}  // namespace
}  // namespace nuvra::testing
