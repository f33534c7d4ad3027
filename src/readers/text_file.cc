#include "readers/text_file.h"

#include <cstdio>
#include <memory>
#include <string_view>

#include "base/utf8.h"

namespace nuvra::readers {

std::optional<std::string> nativePath(const FilePath& path) {
  if (path.narrow != nullptr) return std::string(path.narrow);
  if (path.wide == nullptr) return std::nullopt;
  std::string out;
  for (const wchar_t* p = path.wide; *p != 0; ++p) {
    // wchar_t holds UTF-32 here; a UTF-16 platform never reaches this branch.
    const auto cp = static_cast<uint32_t>(*p);
    char buf[4];
    const int n = utf8EncodeChar(cp, buf);
    if (n == 0) return std::nullopt;
    out.append(buf, size_t(n));
  }
  return out;
}

std::optional<std::string> readTextFile(const FilePath& path) {
  const std::optional<std::string> name = nativePath(path);
  if (!name) return std::nullopt;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(name->c_str(), "rb"),
                                                       &std::fclose);
  if (!file) return std::nullopt;
  std::string raw;
  char buf[1 << 16];
  for (;;) {
    const size_t got = std::fread(buf, 1, sizeof buf, file.get());
    raw.append(buf, got);
    if (got < sizeof buf) break;
  }
  if (std::ferror(file.get())) return std::nullopt;  // e.g. a directory
  // Text mode on every platform: CR LF reads as LF. Most files have no CR.
  std::string text;
  text.reserve(raw.size());
  std::string_view rest(raw);
  for (size_t cr = rest.find('\r'); cr != std::string_view::npos; cr = rest.find('\r')) {
    const bool before_lf = cr + 1 < rest.size() && rest[cr + 1] == '\n';
    text.append(rest.substr(0, before_lf ? cr : cr + 1));
    rest.remove_prefix(cr + 1);
  }
  text.append(rest);
  return text;
}

}  // namespace nuvra::readers
