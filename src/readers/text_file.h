#ifndef NUVRA_READERS_TEXT_FILE_H_
#define NUVRA_READERS_TEXT_FILE_H_

#include <optional>
#include <string>

#include "base/file_path.h"
#include "base/large_allocator.h"

namespace nuvra::readers {

// The path in the form the platform's narrow file calls take. A wide path is
// converted to UTF-8; nullopt when it holds a value no file name can carry.
std::optional<std::string> nativePath(const FilePath& path);

// The whole content of a regular file, byte for byte. nullopt when the path
// names no regular file (a directory, FIFO, socket or device is refused
// without blocking or reading) or the file cannot be read.
std::optional<LargeString> readFileBytes(const FilePath& path);

// The same as text: every CR LF becomes LF, any other CR stays.
std::optional<LargeString> readTextFile(const FilePath& path);

}  // namespace nuvra::readers

#endif  // NUVRA_READERS_TEXT_FILE_H_
