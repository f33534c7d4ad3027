#ifndef NUVRA_CLI_ENCODE_COMMAND_H_
#define NUVRA_CLI_ENCODE_COMMAND_H_

#include <string>
#include <vector>

#include "tokenizer_session.h"

namespace nuvra::cli {

enum class OutputFormat { kIds, kTokens, kJson, kUint16, kUint32 };

struct EncodeOptions {
  int type = 0;
  Resources resources;
  bool special = false;
  OutputFormat format = OutputFormat::kIds;
  int threads = 1;
  std::vector<std::string> texts;   // encoded one by one
  std::vector<std::string> inputs;  // files, "-" for standard input; one encode per line
  std::string output;               // empty: standard output
};

// Encodes and writes; throws Failure.
void runEncode(const EncodeOptions& options);

}  // namespace nuvra::cli

#endif  // NUVRA_CLI_ENCODE_COMMAND_H_
