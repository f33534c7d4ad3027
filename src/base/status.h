#ifndef NUVRA_BASE_STATUS_H_
#define NUVRA_BASE_STATUS_H_

#include <cstdint>

namespace nuvra {

// What an operation reports to the caller; the values are those of the C
// interface, so the exports pass them through unchanged.
enum class Status : int32_t {
  kSuccess = 0,
  kInvalidArgument = -1,
  kFileError = -2,
  kOutOfMemory = -5,
  kInvalidState = -7,
  kUnknown = -128,
};

}  // namespace nuvra

#endif  // NUVRA_BASE_STATUS_H_
