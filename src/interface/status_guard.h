#ifndef NUVRA_INTERFACE_STATUS_GUARD_H_
#define NUVRA_INTERFACE_STATUS_GUARD_H_

#include <cstdint>
#include <exception>
#include <new>

#include "base/status.h"
#include "nuvra_tokenizer.h"

namespace nuvra {

static_assert(int32_t(Status::kSuccess) == NUVRA_TOKENIZER_STATUS_SUCCESS &&
                  int32_t(Status::kInvalidArgument) == NUVRA_TOKENIZER_STATUS_INVALID_ARGUMENT &&
                  int32_t(Status::kFileError) == NUVRA_TOKENIZER_STATUS_ERROR_FILE_API &&
                  int32_t(Status::kOutOfMemory) == NUVRA_TOKENIZER_STATUS_MEMORY_INSUFFICIENT &&
                  int32_t(Status::kInvalidState) == NUVRA_TOKENIZER_STATUS_INVALID_STATE &&
                  int32_t(Status::kUnknown) == NUVRA_TOKENIZER_STATUS_UNKNOWN,
              "internal statuses are the C interface's values");

// Runs an export's body so that no exception crosses the C boundary: a failed
// allocation becomes MEMORY_INSUFFICIENT, anything else UNKNOWN.
template <typename Body>
int32_t guardStatus(Body&& body) noexcept {
  try {
    return int32_t(body());
  } catch (const std::bad_alloc&) {
    return NUVRA_TOKENIZER_STATUS_MEMORY_INSUFFICIENT;
  } catch (...) {
    return NUVRA_TOKENIZER_STATUS_UNKNOWN;
  }
}

}  // namespace nuvra

#endif  // NUVRA_INTERFACE_STATUS_GUARD_H_
