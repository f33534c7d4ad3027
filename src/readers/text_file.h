#ifndef NUVRA_READERS_TEXT_FILE_H_
#define NUVRA_READERS_TEXT_FILE_H_

#include <optional>
#include <string>

#include "base/file_path.h"

namespace nuvra::readers {

// The path in the form the platform's narrow file calls take. A wide path is
// converted to UTF-8; nullopt when it holds a value no file name can carry.
std::optional<std::string> nativePath(const FilePath& path);

// The whole file as text: every CR LF becomes LF, any other CR stays. nullopt
// when the file cannot be opened or read.
std::optional<std::string> readTextFile(const FilePath& path);

}  // namespace nuvra::readers

#endif  // NUVRA_READERS_TEXT_FILE_H_
