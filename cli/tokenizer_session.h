#ifndef NUVRA_CLI_TOKENIZER_SESSION_H_
#define NUVRA_CLI_TOKENIZER_SESSION_H_

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "nuvra_tokenizer.h"

namespace nuvra::cli {

// Exit codes: one per failure status, so scripts can tell a missing file
// from a wrong one or from a bad id.
enum ExitCode : int {
  kExitOk = 0,
  kExitFailure = 1,          // input or output could not be read or written
  kExitUsage = 2,            // the command line itself is wrong
  kExitFile = 3,             // status -2: a file is missing or cannot be loaded
  kExitState = 4,            // status -7: the type does not take that file or operation
  kExitInvalidArgument = 5,  // status -1: a bad id or text
  kExitMemory = 6,           // status -5
  kExitUnknown = 7,          // status -128
};

// A failure to report in one line and leave with `exit_code`.
class Failure : public std::runtime_error {
 public:
  Failure(int exit_code, const std::string& message)
      : std::runtime_error(message), exit_code_(exit_code) {}
  int exitCode() const { return exit_code_; }

 private:
  int exit_code_;
};

int exitCodeFor(int32_t status);
// "invalid argument (-1)" and so on.
std::string statusText(int32_t status);

struct Resources {
  std::string vocab;
  std::string merges;
  std::string added_tokens;
  std::string config;
  std::string model;
  std::string dictionary;
};

// One handle with its resource files loaded. Each thread owns its own.
class TokenizerSession {
 public:
  // Throws Failure naming the file and the cause when a file is refused.
  TokenizerSession(int type, const Resources& resources, int32_t flags = 0);
  ~TokenizerSession();
  TokenizerSession(const TokenizerSession&) = delete;
  TokenizerSession& operator=(const TokenizerSession&) = delete;

  int type() const { return type_; }
  bool hasSpans() const;

  // `text` must hold no NUL byte. Statuses are returned, not thrown: the
  // caller knows the line to name.
  int32_t encode(const std::string& text, bool special, std::vector<int32_t>& ids);
  // Word ids and spans of the last encode (types with spans only).
  int32_t spans(std::vector<int32_t>& word_ids, std::vector<int32_t>& starts,
                std::vector<int32_t>& ends);
  int32_t decode(const std::vector<int32_t>& ids, bool special, std::string& text);

  uint32_t vocabSize();
  // Every entry, index = id; built once, for token output and reverse lookups.
  const std::vector<std::string>& vocabTable();

 private:
  void open(const std::string& path, unsigned kind);

  NuvraTokenizer* handle_ = nullptr;
  int type_;
  std::vector<std::string> vocab_table_;
  bool vocab_loaded_ = false;
};

}  // namespace nuvra::cli

#endif  // NUVRA_CLI_TOKENIZER_SESSION_H_
