#ifndef NUVRA_BASE_FILE_PATH_H_
#define NUVRA_BASE_FILE_PATH_H_

#include <cwchar>

namespace nuvra {

// A resource path as the caller gave it: exactly one of the two is set.
struct FilePath {
  const char* narrow = nullptr;
  const wchar_t* wide = nullptr;
};

}  // namespace nuvra

#endif  // NUVRA_BASE_FILE_PATH_H_
