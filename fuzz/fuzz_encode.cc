// Encode of arbitrary bytes by every type, with the published resources and
// with empty tables, through both encode calls; then the ids are decoded
// back and every result read. The first byte picks type, tables, call and
// length; the text is the rest. The same bytes also walk the two conversion exports.
#include <string>

#include "fuzz_support.h"

namespace nuvra::fuzz {
namespace {

// Handles live for the whole run (encode replaces their results only) and
// are loaded before it, so that no input is timed with a model load.
NuvraTokenizer* handles[2][11];

// Each character converted to UTF-32 and back gives its own bytes again.
void convert(const uint8_t* data, size_t size) {
  for (size_t i = 0; i < size;) {
    uint32_t codepoint = 0xFFFFFFFF, consumed = 0, written = 0;
    const auto* bytes = reinterpret_cast<const char*>(data + i);
    require(nuvraTokenizerUtf8ToUtf32(&codepoint, &consumed, bytes, uint32_t(size - i)) == 0, "to UTF-32");
    char buffer[4];
    require(nuvraTokenizerUtf32ToUtf8(buffer, &written, consumed ? codepoint : data[i] * 0x10101u) == 0, "to UTF-8");
    // Decoding is lenient up to U+1FFFFF; encoding stops at U+10FFFF.
    require(consumed == 0 || (codepoint > 0x10FFFF ? written == 0 : std::string(buffer, written) == std::string(bytes, consumed)),
            "conversion round trip");
    i += consumed ? consumed : 1;
  }
}

}  // namespace
}  // namespace nuvra::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  for (int32_t type = 0; type <= 10; ++type) {
    nuvra::fuzz::handles[0][type] = nuvra::fuzz::create(type);
    nuvra::fuzz::handles[1][type] = nuvra::fuzz::loadedHandle(type);
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace nuvra::fuzz;
  if (size == 0) return 0;
  const int32_t type = data[0] % 11;
  const bool loaded = (data[0] / 11) % 2 == 0;
  const bool specials = (data[0] / 22) % 2 != 0;
  std::string text = std::string(reinterpret_cast<const char*>(data) + 1, size - 1).c_str();
  // Repeated past 8 KB, where long texts take another road to the library.
  if ((data[0] / 44) % 2 != 0 && !text.empty()) {
    while (text.size() < 9000) text += text;
  }
  NuvraTokenizer* t = handles[loaded][type];
  const int32_t status = specials ? nuvraTokenizerEncodeWithSpecialTokens(t, text.c_str())
                                  : nuvraTokenizerEncode(t, text.c_str());
  require(status == 0 || status == -7, "encode status");
  exercise(t, type, text.c_str(), uint32_t(size));
  convert(data + 1, size - 1);
  return 0;
}
