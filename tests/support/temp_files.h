#ifndef NUVRA_TESTS_SUPPORT_TEMP_FILES_H_
#define NUVRA_TESTS_SUPPORT_TEMP_FILES_H_

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>

namespace nuvra::testing {

// A directory of small files that a test writes and that vanishes with it.
class TempDir {
 public:
  TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr ? base : "/tmp") + "/nuvra_test_XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempDir() {
    const std::string command = "rm -rf '" + path_ + "'";
    [[maybe_unused]] const int ignored = std::system(command.c_str());
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // Writes `bytes` exactly (binary) to `name` and returns its path.
  std::string write(const std::string& name, const std::string& bytes) const {
    const std::string file = path_ + "/" + name;
    std::ofstream out(file, std::ios::binary);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + file);
    return file;
  }
  std::string missing(const std::string& name) const { return path_ + "/" + name; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// The UTF-32 wide form of a UTF-8 path made of ASCII and 2- or 3-byte characters.
inline std::wstring widen(const std::string& utf8) {
  std::wstring out;
  for (size_t i = 0; i < utf8.size();) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    if (b < 0x80) {
      out.push_back(wchar_t(b));
      i += 1;
    } else if (b < 0xE0) {
      out.push_back(wchar_t(((b & 0x1F) << 6) | (utf8[i + 1] & 0x3F)));
      i += 2;
    } else {
      out.push_back(wchar_t(((b & 0x0F) << 12) | ((utf8[i + 1] & 0x3F) << 6) | (utf8[i + 2] & 0x3F)));
      i += 3;
    }
  }
  return out;
}

}  // namespace nuvra::testing

#endif  // NUVRA_TESTS_SUPPORT_TEMP_FILES_H_
