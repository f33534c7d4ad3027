#include "readers/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/utf8.h"

namespace nuvra::readers {
namespace {

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

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

std::optional<LargeString> readFileBytes(const FilePath& path) {
  const std::optional<std::string> name = nativePath(path);
  if (!name) return std::nullopt;
  // Opening without blocking keeps a FIFO without writer from hanging us;
  // the type is asked of the descriptor we read, so a path swapped after
  // the check cannot slip a device or FIFO through.
  const Descriptor fd(::open(name->c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (fd.get() < 0) return std::nullopt;
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  const int flags = ::fcntl(fd.get(), F_GETFL);
  if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) return std::nullopt;
  // Read straight into place: a large file's buffer is written once.
  LargeString bytes(size_t(info.st_size), '\0');
  size_t have = 0;
  for (;;) {
    char spill[4096];
    const bool full = have == bytes.size();
    const ssize_t got = full ? ::read(fd.get(), spill, sizeof spill)
                             : ::read(fd.get(), bytes.data() + have, bytes.size() - have);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    if (full) {
      bytes.append(spill, size_t(got));  // the file grew since fstat
    }
    have += size_t(got);
  }
  bytes.resize(have);
  return bytes;
}

std::optional<LargeString> readTextFile(const FilePath& path) {
  std::optional<LargeString> text = readFileBytes(path);
  if (!text) return std::nullopt;
  // Text mode on every platform: CR LF reads as LF, folded in place.
  LargeString& s = *text;
  size_t out = s.find('\r');
  if (out == std::string::npos) return text;
  for (size_t i = out; i < s.size(); ++i) {
    if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') continue;
    s[out++] = s[i];
  }
  s.resize(out);
  return text;
}

}  // namespace nuvra::readers
