#include "line_reader.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "tokenizer_session.h"

namespace nuvra::cli {

LineReader::LineReader(const std::string& path)
    : file_(path == "-" ? stdin : std::fopen(path.c_str(), "rb")),
      owned_(path != "-"),
      name_(path == "-" ? "standard input" : path) {
  if (file_ == nullptr) throw Failure(kExitFile, path + ": " + std::strerror(errno));
  struct stat st;
  if (::fstat(fileno(file_), &st) == 0) {
    if (S_ISDIR(st.st_mode)) {
      std::fclose(file_);
      throw Failure(kExitFile, path + ": is a directory");
    }
    if (S_ISREG(st.st_mode)) size_ = static_cast<uint64_t>(st.st_size);
  }
}

LineReader::~LineReader() {
  if (owned_) std::fclose(file_);
}

bool LineReader::next(std::string& block, size_t bytes) {
  block.swap(carry_);
  carry_.clear();
  while (!eof_ && block.size() < bytes) {
    const size_t old = block.size();
    block.resize(std::max(bytes, old + 65536));
    const size_t got = std::fread(block.data() + old, 1, block.size() - old, file_);
    block.resize(old + got);
    consumed_ += got;
    if (got == 0) {
      if (std::ferror(file_)) throw Failure(kExitFailure, name_ + ": " + std::strerror(errno));
      eof_ = true;
    }
  }
  if (!eof_) {
    // Keep the partial last line for the next block; a single line longer
    // than the block is read whole.
    size_t cut = block.rfind('\n');
    while (cut == std::string::npos && !eof_) {
      const size_t old = block.size();
      block.resize(old * 2);
      const size_t got = std::fread(block.data() + old, 1, old, file_);
      block.resize(old + got);
      consumed_ += got;
      if (got == 0) eof_ = true;
      cut = block.find('\n', old);
    }
    if (cut != std::string::npos) {
      carry_.assign(block, cut + 1);
      block.resize(cut + 1);
    }
  }
  return !block.empty();
}

uint64_t countLines(std::string_view block) {
  uint64_t lines = static_cast<uint64_t>(std::count(block.begin(), block.end(), '\n'));
  if (!block.empty() && block.back() != '\n') ++lines;
  return lines;
}

}  // namespace nuvra::cli
