#ifndef NUVRA_READERS_TEXT_FILE_H_
#define NUVRA_READERS_TEXT_FILE_H_

#include <cwchar>
#include <optional>
#include <string>

namespace nuvra::readers {

// A resource path as the caller gave it: exactly one of the two is set.
struct FilePath {
  const char* narrow = nullptr;
  const wchar_t* wide = nullptr;
};

// The path in the form the platform's narrow file calls take. A wide path is
// converted to UTF-8; nullopt when it holds a value no file name can carry.
std::optional<std::string> nativePath(const FilePath& path);

// The whole file as text: every CR LF becomes LF, any other CR stays. nullopt
// when the file cannot be opened or read.
std::optional<std::string> readTextFile(const FilePath& path);

}  // namespace nuvra::readers

#endif  // NUVRA_READERS_TEXT_FILE_H_
