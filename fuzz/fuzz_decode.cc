// Decode of arbitrary id arrays by every type, with the published resources
// and with empty tables, through both decode calls, with and without the
// UTF-8-safe flag. The first byte picks type, tables, flag and call; the
// rest are the ids, four bytes each.
#include <cstring>
#include <vector>

#include "fuzz_support.h"

namespace nuvra::fuzz {
namespace {

// Loaded before the run, so that no input is timed with a model load.
NuvraTokenizer* handles[2][2][11];

}  // namespace
}  // namespace nuvra::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  for (int32_t type = 0; type <= 10; ++type) {
    for (int32_t flags : {0, NUVRA_TOKENIZER_FLAG_UTF8_SAFE}) {
      nuvra::fuzz::handles[0][flags][type] = nuvra::fuzz::create(type, flags);
      nuvra::fuzz::handles[1][flags][type] = nuvra::fuzz::loadedHandle(type, flags);
    }
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace nuvra::fuzz;
  if (size == 0) return 0;
  const int32_t type = data[0] % 11;
  const bool loaded = (data[0] / 11) % 2 == 0;
  const bool utf8_safe = (data[0] / 22) % 2 != 0;
  const bool specials = (data[0] / 44) % 2 != 0;
  // Small numbers are ids of the vocabulary: the low bytes alone when the high byte says so.
  std::vector<int32_t> ids((size - 1) / 4 + 1);
  std::memcpy(ids.data(), data + 1, size - 1);
  for (int32_t& id : ids) {
    if ((id >> 24) == 0x7F) id &= 0xFFFF;
  }
  const auto count = uint32_t((size - 1) / 4);
  NuvraTokenizer* t = handles[loaded][utf8_safe][type];
  const int32_t status = specials ? nuvraTokenizerDecodeWithSpecialTokens(t, ids.data(), count)
                                  : nuvraTokenizerDecode(t, ids.data(), count);
  require(status == 0 || status == -7 || (specials && status == -128), "decode status");
  uint32_t length = 0;
  nuvraTokenizerGetTextLength(t, &length);
  std::vector<char> text(length);
  require(nuvraTokenizerGetText(t, text.data(), length) == 0, "text");
  // What a UTF-8-safe BPE decoder gives is valid UTF-8 in the lenient sense.
  const bool byte_level = type == 0 || type == 1 || type == 7 || type == 9;
  for (size_t i = 0; utf8_safe && byte_level && status == 0 && i + 1 < length;) {
    uint32_t codepoint = 0, consumed = 0;
    nuvraTokenizerUtf8ToUtf32(&codepoint, &consumed, text.data() + i, uint32_t(length - 1 - i));
    require(consumed > 0, "invalid UTF-8 from a UTF-8-safe decode");
    i += consumed;
  }
  queryAll(t, type, count);
  return 0;
}
