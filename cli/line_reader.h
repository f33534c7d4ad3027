#ifndef NUVRA_CLI_LINE_READER_H_
#define NUVRA_CLI_LINE_READER_H_

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace nuvra::cli {

// Reads a file (or standard input for "-") in blocks of whole lines, so each
// block can be encoded on its own thread.
class LineReader {
 public:
  explicit LineReader(const std::string& path);  // throws Failure
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // Fills `block` with about `bytes` bytes ending after a line feed (or at the
  // end of input); false once the input is exhausted.
  bool next(std::string& block, size_t bytes);

  const std::string& name() const { return name_; }
  // Size of a regular file, 0 for pipes and terminals.
  uint64_t size() const { return size_; }
  uint64_t consumed() const { return consumed_; }

 private:
  std::FILE* file_;
  bool owned_;
  std::string name_;
  std::string carry_;
  uint64_t size_ = 0;
  uint64_t consumed_ = 0;
  bool eof_ = false;
};

// Calls `visit(line, line_number)` for each line of `block`, the line feed
// and a carriage return before it removed. Stops early when visit returns
// false and returns false then.
template <typename Visit>
bool forEachLine(std::string_view block, uint64_t first_line, Visit&& visit) {
  size_t start = 0;
  uint64_t number = first_line;
  while (start < block.size()) {
    size_t end = block.find('\n', start);
    const size_t next = end == std::string_view::npos ? block.size() : end + 1;
    if (end == std::string_view::npos) end = block.size();
    size_t stop = end;
    if (stop > start && block[stop - 1] == '\r') --stop;
    if (!visit(block.substr(start, stop - start), number)) return false;
    ++number;
    start = next;
  }
  return true;
}

uint64_t countLines(std::string_view block);

}  // namespace nuvra::cli

#endif  // NUVRA_CLI_LINE_READER_H_
