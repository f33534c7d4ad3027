#ifndef NUVRA_INTERFACE_STATUS_GUARD_H_
#define NUVRA_INTERFACE_STATUS_GUARD_H_

#include <cstdint>
#include <exception>
#include <new>

#include "nuvra_tokenizer.h"

namespace nuvra {

// Runs an export's body so that no exception crosses the C boundary: a failed
// allocation becomes MEMORY_INSUFFICIENT, anything else UNKNOWN.
template <typename Body>
int32_t guardStatus(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return NUVRA_TOKENIZER_STATUS_MEMORY_INSUFFICIENT;
  } catch (...) {
    return NUVRA_TOKENIZER_STATUS_UNKNOWN;
  }
}

}  // namespace nuvra

#endif  // NUVRA_INTERFACE_STATUS_GUARD_H_
