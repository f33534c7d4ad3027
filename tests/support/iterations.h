#ifndef NUVRA_TESTS_SUPPORT_ITERATIONS_H_
#define NUVRA_TESTS_SUPPORT_ITERATIONS_H_

#include <cstdlib>

namespace nuvra::testing {

// Rounds of a randomised comparison: NUVRA_DIFFERENTIAL_ITERATIONS=<n> raises
// the CI default for a long run.
inline size_t iterations(size_t ci_default) {
  const char* value = std::getenv("NUVRA_DIFFERENTIAL_ITERATIONS");
  return value == nullptr || *value == '\0' ? ci_default : size_t(std::strtoull(value, nullptr, 10));
}

}  // namespace nuvra::testing

#endif  // NUVRA_TESTS_SUPPORT_ITERATIONS_H_
