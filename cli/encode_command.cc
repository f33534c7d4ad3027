#include "encode_command.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>
#include <thread>

#include <nlohmann/json.hpp>

#include "line_reader.h"

namespace nuvra::cli {
namespace {

// Each thread encodes one block of about this size per round.
constexpr size_t kBlockBytes = 1 << 20;
constexpr size_t kMinBlockBytes = 16 << 10;
// Inputs smaller than this finish before a progress bar is worth drawing.
constexpr uint64_t kProgressMinBytes = 8u << 20;

// Where encoding stopped: the line and the cause, reported after the output
// of every line before it, as one thread would have left it.
struct LineError {
  bool failed = false;
  int exit_code = kExitOk;
  uint64_t line = 0;
  std::string cause;
};

class Worker {
 public:
  Worker(const EncodeOptions& options) : session_(options.type, options.resources),
                                         options_(options) {}

  // Encodes the lines of `block` into `out`; stops at the first failure.
  void encodeBlock(std::string_view block, uint64_t first_line, std::string& out,
                   LineError& error) {
    forEachLine(block, first_line, [&](std::string_view line, uint64_t number) {
      return encodeLine(line, number, out, error);
    });
  }

  bool encodeLine(std::string_view line, uint64_t number, std::string& out, LineError& error) {
    if (line.find('\0') != std::string_view::npos) {
      return fail(error, number, kExitInvalidArgument,
                  "holds a NUL byte, which ends a text at the C interface");
    }
    text_.assign(line);
    const int32_t status = session_.encode(text_, options_.special, ids_);
    if (status != NUVRA_TOKENIZER_STATUS_SUCCESS) {
      return fail(error, number, exitCodeFor(status), "encode failed: " + statusText(status));
    }
    switch (options_.format) {
      case OutputFormat::kIds: appendIds(out); break;
      case OutputFormat::kTokens: appendTokens(out); break;
      case OutputFormat::kJson: return appendJson(out, number, error);
      case OutputFormat::kUint16:
        for (const int32_t id : ids_) {
          if (id < 0 || id > 0xFFFF) {
            return fail(error, number, kExitInvalidArgument,
                        "id " + std::to_string(id) + " does not fit in uint16; use --format u32");
          }
          out.push_back(static_cast<char>(id & 0xFF));
          out.push_back(static_cast<char>(id >> 8));
        }
        break;
      case OutputFormat::kUint32:
        for (const int32_t id : ids_) {
          const auto value = static_cast<uint32_t>(id);
          for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>(value >> shift));
        }
        break;
    }
    return true;
  }

 private:
  static bool fail(LineError& error, uint64_t line, int exit_code, std::string cause) {
    error = {true, exit_code, line, std::move(cause)};
    return false;
  }

  void appendIds(std::string& out) {
    char digits[16];
    for (size_t i = 0; i < ids_.size(); ++i) {
      if (i > 0) out.push_back(' ');
      const auto result = std::to_chars(digits, digits + sizeof digits, ids_[i]);
      out.append(digits, result.ptr);
    }
    out.push_back('\n');
  }

  void appendTokens(std::string& out) {
    const std::vector<std::string>& table = session_.vocabTable();
    for (size_t i = 0; i < ids_.size(); ++i) {
      if (i > 0) out.push_back(' ');
      const int32_t id = ids_[i];
      if (id >= 0 && static_cast<size_t>(id) < table.size()) {
        out.append(table[static_cast<size_t>(id)]);
      } else {
        out.append("<" + std::to_string(id) + ">");
      }
    }
    out.push_back('\n');
  }

  bool appendJson(std::string& out, uint64_t number, LineError& error) {
    nlohmann::ordered_json record = {{"ids", ids_}};
    if (session_.hasSpans()) {
      const int32_t status = session_.spans(word_ids_, starts_, ends_);
      if (status != NUVRA_TOKENIZER_STATUS_SUCCESS) {
        return fail(error, number, exitCodeFor(status), "spans unavailable: " + statusText(status));
      }
      nlohmann::ordered_json spans = nlohmann::ordered_json::array();
      for (size_t i = 0; i < starts_.size(); ++i) spans.push_back({starts_[i], ends_[i]});
      record["word_ids"] = word_ids_;
      record["spans"] = std::move(spans);
    }
    out.append(record.dump());
    out.push_back('\n');
    return true;
  }

  TokenizerSession session_;
  const EncodeOptions& options_;
  std::string text_;
  std::vector<int32_t> ids_, word_ids_, starts_, ends_;
};

class Output {
 public:
  Output(const std::string& path, bool binary)
      : file_(path.empty() ? stdout : std::fopen(path.c_str(), "wb")),
        name_(path.empty() ? "standard output" : path) {
    if (file_ == nullptr) throw Failure(kExitFailure, path + ": " + std::strerror(errno));
    if (binary && path.empty() && ::isatty(fileno(stdout))) {
      throw Failure(kExitUsage, "binary token output is not for a terminal: give -o FILE or a pipe");
    }
  }
  ~Output() {
    if (file_ != stdout) std::fclose(file_);
  }
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  void write(const std::string& bytes) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
      throw Failure(kExitFailure, name_ + ": " + std::strerror(errno));
    }
  }
  void close() {
    if (std::fflush(file_) != 0 || std::ferror(file_)) {
      throw Failure(kExitFailure, name_ + ": " + std::strerror(errno));
    }
  }

 private:
  std::FILE* file_;
  std::string name_;
};

// A bar with MB/s on standard error, for large files on a terminal only.
class Progress {
 public:
  Progress(const LineReader& reader)
      : enabled_(::isatty(STDERR_FILENO) && reader.size() >= kProgressMinBytes),
        reader_(reader),
        start_(std::chrono::steady_clock::now()) {}
  ~Progress() {
    if (enabled_ && drawn_) std::fputc('\n', stderr);
  }

  void update() {
    if (!enabled_) return;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    const double fraction =
        std::min(1.0, double(reader_.consumed()) / double(reader_.size()));
    const int filled = int(fraction * 30);
    std::fprintf(stderr, "\r%s [%.*s%*s] %3d%% %7.1f MB/s", reader_.name().c_str(), filled,
                 "##############################", 30 - filled, "", int(fraction * 100),
                 seconds > 0 ? double(reader_.consumed()) / 1e6 / seconds : 0.0);
    drawn_ = true;
  }

 private:
  bool enabled_;
  bool drawn_ = false;
  const LineReader& reader_;
  std::chrono::steady_clock::time_point start_;
};

[[noreturn]] void raise(const std::string& where, const LineError& error) {
  throw Failure(error.exit_code, where + ":" + std::to_string(error.line) + ": " + error.cause);
}

// Rounds of one block per worker; outputs are written in block order, so
// the result does not depend on the number of threads.
void encodeFile(const std::string& path, std::vector<std::unique_ptr<Worker>>& workers,
                Output& output) {
  LineReader reader(path);
  Progress progress(reader);
  const size_t n = workers.size();
  // Small files still give every thread several blocks.
  const size_t block_bytes =
      reader.size() == 0 ? kBlockBytes
                         : size_t(std::clamp<uint64_t>(reader.size() / (n * 8), kMinBlockBytes,
                                                       kBlockBytes));
  std::vector<std::string> blocks(n), outs(n);
  std::vector<LineError> errors(n);
  std::vector<uint64_t> first_lines(n);
  uint64_t next_line = 1;
  bool more = true;
  while (more) {
    size_t filled = 0;
    while (filled < n && (more = reader.next(blocks[filled], block_bytes))) {
      first_lines[filled] = next_line;
      next_line += countLines(blocks[filled]);
      outs[filled].clear();
      errors[filled] = LineError();
      ++filled;
    }
    if (filled == 1) {
      workers[0]->encodeBlock(blocks[0], first_lines[0], outs[0], errors[0]);
    } else if (filled > 1) {
      std::vector<std::thread> threads;
      for (size_t i = 0; i < filled; ++i) {
        threads.emplace_back([&, i] {
          workers[i]->encodeBlock(blocks[i], first_lines[i], outs[i], errors[i]);
        });
      }
      for (std::thread& thread : threads) thread.join();
    }
    for (size_t i = 0; i < filled; ++i) {
      output.write(outs[i]);
      if (errors[i].failed) raise(reader.name(), errors[i]);
    }
    progress.update();
  }
}

}  // namespace

void runEncode(const EncodeOptions& options) {
  const bool binary =
      options.format == OutputFormat::kUint16 || options.format == OutputFormat::kUint32;
  Output output(options.output, binary);
  std::vector<std::unique_ptr<Worker>> workers;
  const int threads = options.texts.empty() ? std::max(1, options.threads) : 1;
  for (int i = 0; i < threads; ++i) workers.push_back(std::make_unique<Worker>(options));

  if (!options.texts.empty()) {
    std::string out;
    for (size_t i = 0; i < options.texts.size(); ++i) {
      LineError error;
      out.clear();
      const bool ok = workers[0]->encodeLine(options.texts[i], i + 1, out, error);
      output.write(out);
      if (!ok) raise("argument", error);
    }
  } else if (options.inputs.empty()) {
    encodeFile("-", workers, output);
  } else {
    for (const std::string& input : options.inputs) encodeFile(input, workers, output);
  }
  output.close();
}

}  // namespace nuvra::cli
