#include "wordpiece/dictionary_check.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

namespace nuvra::wordpiece {
namespace {

// A regular file read in chunks. Copying a few megabytes through one small
// buffer costs a fifth of mapping them: the checks read each byte once.
class InputFile {
 public:
  explicit InputFile(const std::string& path) {
    // O_NONBLOCK: should a FIFO replace the file after the stat, open returns.
    fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat info;
    if (fd_ >= 0 && ::fstat(fd_, &info) == 0 && S_ISREG(info.st_mode)) size_ = uint64_t(info.st_size);
  }
  ~InputFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  uint64_t size() const { return size_; }

  bool read(uint64_t offset, size_t length, char* out) const {
    while (length > 0) {
      const ssize_t n = ::pread(fd_, out, length, off_t(offset));
      if (n <= 0) return false;
      out += n;
      offset += uint64_t(n);
      length -= size_t(n);
    }
    return true;
  }

  // Calls visit(records, count) for the `length` bytes from `offset`, in
  // chunks of whole records of `record_size` bytes; false when a read fails
  // or visit returns false.
  template <typename Visit>
  bool forEachChunk(uint64_t offset, uint64_t length, size_t record_size, Visit&& visit) const {
    constexpr size_t kChunk = 1 << 18;  // a multiple of every record size used
    std::vector<char> buffer(size_t(std::min<uint64_t>(length, kChunk)));
    while (length > 0) {
      const size_t n = size_t(std::min<uint64_t>(length, kChunk));
      if (!read(offset, n, buffer.data()) || !visit(buffer.data(), n / record_size)) return false;
      offset += n;
      length -= n;
    }
    return true;
  }

 private:
  int fd_ = -1;
  uint64_t size_ = 0;
};

template <typename T>
T load(const char* bytes) {
  T value;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

// matrix.bin: left and right context counts (16 bits each), then a cost per pair.
struct ContextSizes {
  uint32_t left, right;
};

std::optional<ContextSizes> checkMatrix(const InputFile& file) {
  char header[4];
  if (!file.read(0, sizeof header, header)) return std::nullopt;
  const ContextSizes sizes{load<uint16_t>(header), load<uint16_t>(header + 2)};
  if (file.size() != 4 + 2 * uint64_t(sizes.left) * sizes.right) return std::nullopt;
  return sizes;
}

// A lexicon (sys.dic, unk.dic): a 72-byte header, a double-array trie of
// (base, check) pairs of 32 bits, 16-byte tokens, feature texts.
//
// A unit reached by byte c from a node of base b sits at b + c + 1 and holds
// b as its check; its own base is where its children start, and a lookup
// reads up to 257 units from there. A unit whose check is itself ends a key,
// and its negative base encodes the key's run of tokens: first token (high
// bits) and count (low 8 bits). Each token: left and right context ids,
// part of speech, cost, feature offset.
bool checkLexicon(const InputFile& file, const ContextSizes& contexts) {
  constexpr size_t kHeaderSize = 72;
  char header[kHeaderSize];
  if (file.size() < kHeaderSize || !file.read(0, kHeaderSize, header)) return false;
  const uint32_t magic = load<uint32_t>(header);
  const uint32_t version = load<uint32_t>(header + 4);
  const uint32_t token_count = load<uint32_t>(header + 12);
  const uint64_t trie_bytes = load<uint32_t>(header + 24);
  const uint64_t token_bytes = load<uint32_t>(header + 28);
  const uint64_t feature_bytes = load<uint32_t>(header + 32);
  if ((magic ^ 0xEF718F77u) != file.size() || version != 102 || trie_bytes % 8 != 0 ||
      trie_bytes <= 8 * 257 || token_bytes != uint64_t(token_count) * 16 ||
      kHeaderSize + trie_bytes + token_bytes + feature_bytes != file.size()) {
    return false;
  }
  // 32-bit arithmetic throughout, branch-free: a trie has fewer than 2^29
  // units, and there are millions of them.
  const auto base_limit = uint32_t(trie_bytes / 8 - 257);
  uint32_t p = 0;
  uint32_t bad = 0;
  const bool trie_read = file.forEachChunk(kHeaderSize, trie_bytes, 8, [&](const char* units,
                                                                          size_t count) {
    for (size_t k = 0; k < count; ++k, ++p) {
      const auto b = load<uint32_t>(units + 8 * k);  // negative bases are huge here
      const auto c = load<uint32_t>(units + 8 * k + 4);
      const uint32_t value = ~b;  // -(base + 1) for a negative base
      bad |= uint32_t(p == 0 || p - c - 1 < 256) & uint32_t(b > base_limit);
      bad |= uint32_t(c == p) & (b >> 31) & uint32_t((value >> 8) + (value & 0xFF) > token_count);
    }
    return bad == 0;
  });
  return trie_read &&
         file.forEachChunk(kHeaderSize + trie_bytes, token_bytes, 16, [&](const char* tokens,
                                                                          size_t count) {
           for (size_t k = 0; k < count; ++k) {
             const char* token = tokens + 16 * k;
             bad |= uint32_t(load<uint16_t>(token) >= contexts.right) |
                    uint32_t(load<uint16_t>(token + 2) >= contexts.left) |
                    uint32_t(load<uint32_t>(token + 8) >= feature_bytes);
           }
           return bad == 0;
         });
}

// char.bin: the category count, 32-byte category names, then one 32-bit
// entry per UCS-2 code: category bit set (18 bits) and default category (8),
// which indexes MeCab's table of unknown-word tokens.
bool checkCharacters(const InputFile& file) {
  constexpr uint64_t kCodes = 0xFFFF;
  uint32_t categories = 0;
  char count[4];
  if (file.read(0, 4, count)) categories = load<uint32_t>(count);
  const uint64_t start = 4 + 32 * uint64_t(categories);
  if (categories == 0 || categories > 18 || file.size() != start + 4 * kCodes) return false;
  return file.forEachChunk(start, 4 * kCodes, 4, [&](const char* entries, size_t n) {
    uint32_t bad = 0;
    for (size_t k = 0; k < n; ++k) {
      const auto info = load<uint32_t>(entries + 4 * k);
      bad |= uint32_t((info & 0x3FFFF) >> categories != 0) |
             uint32_t(((info >> 18) & 0xFF) >= categories);
    }
    return bad == 0;
  });
}

}  // namespace

bool isSoundDictionary(const std::string& directory) {
  struct stat info;
  if (directory.empty() || ::stat(directory.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
    return false;
  }
  for (const char* name : kDictionaryFiles) {
    const std::string file = directory + "/" + name;
    if (::stat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  }
  const std::optional<ContextSizes> contexts = checkMatrix(InputFile(directory + "/matrix.bin"));
  return contexts && checkCharacters(InputFile(directory + "/char.bin")) &&
         checkLexicon(InputFile(directory + "/unk.dic"), *contexts) &&
         checkLexicon(InputFile(directory + "/sys.dic"), *contexts);
}

}  // namespace nuvra::wordpiece
