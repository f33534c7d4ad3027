#ifndef NUVRA_BASE_TOKEN_RECORD_H_
#define NUVRA_BASE_TOKEN_RECORD_H_

#include <cstdint>
#include <vector>

#include "base/large_allocator.h"

namespace nuvra {

// One encoded token. Framing tokens and the families without positions carry
// -1 in the last three fields.
struct TokenRecord {
  int32_t id;
  int32_t word_id;
  int32_t char_start;
  int32_t char_end;
};

// A long text's records fill megabytes: they take large pages.
using TokenRecords = BufferVector<TokenRecord>;

inline bool operator==(const TokenRecord& a, const TokenRecord& b) {
  return a.id == b.id && a.word_id == b.word_id && a.char_start == b.char_start &&
         a.char_end == b.char_end;
}

}  // namespace nuvra

#endif  // NUVRA_BASE_TOKEN_RECORD_H_
