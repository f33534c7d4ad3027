#ifndef NUVRA_INTERFACE_TOKENIZER_TYPES_H_
#define NUVRA_INTERFACE_TOKENIZER_TYPES_H_

#include <cstdint>

namespace nuvra {

// Family sets as bit masks over the type numbers 0 to 10.
constexpr uint32_t kBpeTypes = (1u << 0) | (1u << 1) | (1u << 7) | (1u << 9);
constexpr uint32_t kSentencePieceTypes = (1u << 2) | (1u << 3) | (1u << 6) | (1u << 10);
constexpr uint32_t kJapaneseWordpieceTypes = (1u << 4) | (1u << 5);
constexpr uint32_t kWordpieceTypes = 1u << 8;
constexpr uint32_t kLastType = 10;

inline bool typeIn(uint32_t type, uint32_t family) {
  return type <= kLastType && ((1u << type) & family) != 0;
}

}  // namespace nuvra

#endif  // NUVRA_INTERFACE_TOKENIZER_TYPES_H_
