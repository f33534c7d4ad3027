// nuvra-tokenize: encode, decode and look up tokens from the shell.
//
//   echo "Hello world" | nuvra-tokenize encode          -> 50258 15947 1002 50257
//   nuvra-tokenize encode --type bpe-files --vocab vocab.json --merges merges.txt
//                         --format json -i corpus.txt --threads 2
//   nuvra-tokenize decode 15947 1002
//   nuvra-tokenize vocab --token Hello
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "encode_command.h"
#include "line_reader.h"
#include "tokenizer_session.h"
#include "type_catalog.h"

namespace nuvra::cli {
namespace {

struct CommonOptions {
  int type = NUVRA_TOKENIZER_TYPE_BPE_TRANSCRIPT;
  Resources resources;
  bool special = false;
};

void addCommonOptions(CLI::App& command, CommonOptions& common) {
  std::map<std::string, int> names = typeNames();
  command.add_option("-t,--type", common.type, "tokenizer type, by name or number (default 0)")
      ->transform(CLI::CheckedTransformer(names, CLI::ignore_case).description(""))
      ->type_name("TYPE");
  command.add_option("--vocab", common.resources.vocab, "vocabulary (JSON or line-per-token)");
  command.add_option("--merges", common.resources.merges, "merge list");
  command.add_option("--added-tokens", common.resources.added_tokens, "added tokens (JSON)");
  command.add_option("--config", common.resources.config, "tokenizer configuration (JSON)");
  command.add_option("--model", common.resources.model, "SentencePiece model");
  command.add_option("--dictionary", common.resources.dictionary, "MeCab dictionary directory");
}

// Without the files its tokens come from, a type encodes nothing useful.
void requireResources(const CommonOptions& common) {
  const TypeInfo& info = typeInfo(common.type);
  const Resources& r = common.resources;
  unsigned given = 0;
  if (!r.vocab.empty()) given |= kVocab;
  if (!r.merges.empty()) given |= kMerges;
  if (!r.model.empty()) given |= kModel;
  if (!r.dictionary.empty()) given |= kDictionary;
  if (!r.added_tokens.empty()) given |= kAddedTokens;
  if (!r.config.empty()) given |= kConfig;
  const std::string type_name = "type " + std::to_string(common.type) + " (" + info.name + ")";
  if ((given & ~info.accepts) != 0) {
    throw Failure(kExitState, type_name + " takes no " + optionList(given & ~info.accepts) +
                                  "; it takes " + optionList(info.accepts));
  }
  const unsigned missing = info.requires & ~given;
  if (missing != 0) {
    throw Failure(kExitUsage, type_name + " needs " + optionList(missing));
  }
}

// A line of ids: "1 2 3", "1,2,3", a JSON array or an object with "ids".
bool parseIds(std::string_view line, std::vector<int32_t>& ids, std::string& cause) {
  ids.clear();
  const size_t first = line.find_first_not_of(" \t");
  if (first != std::string_view::npos && (line[first] == '[' || line[first] == '{')) {
    try {
      const nlohmann::json value = nlohmann::json::parse(line);
      const nlohmann::json& list = value.is_object() ? value.at("ids") : value;
      for (const nlohmann::json& id : list) {
        if (!id.is_number_integer() || id.get<int64_t>() < INT32_MIN ||
            id.get<int64_t>() > INT32_MAX) {
          cause = id.dump() + " is not a token id";
          return false;
        }
        ids.push_back(static_cast<int32_t>(id.get<int64_t>()));
      }
      return true;
    } catch (const nlohmann::json::exception& e) {
      cause = std::string("not a JSON list of ids: ") + e.what();
      return false;
    }
  }
  size_t pos = 0;
  while (pos < line.size()) {
    if (line[pos] == ' ' || line[pos] == '\t' || line[pos] == ',') {
      ++pos;
      continue;
    }
    size_t end = line.find_first_of(" \t,", pos);
    if (end == std::string_view::npos) end = line.size();
    int32_t id = 0;
    const auto result = std::from_chars(line.data() + pos, line.data() + end, id);
    if (result.ec != std::errc() || result.ptr != line.data() + end) {
      cause = "'" + std::string(line.substr(pos, end - pos)) + "' is not a token id";
      return false;
    }
    ids.push_back(id);
    pos = end;
  }
  return true;
}

void decodeLine(TokenizerSession& session, std::string_view line, const std::string& where,
                bool special, std::string& out) {
  std::vector<int32_t> ids;
  std::string cause;
  if (!parseIds(line, ids, cause)) throw Failure(kExitInvalidArgument, where + ": " + cause);
  // The families skip ids they do not know; a caller asking for them has a bug.
  const uint32_t size = session.vocabSize();
  for (const int32_t id : ids) {
    if (id < 0 || static_cast<uint32_t>(id) >= size) {
      throw Failure(kExitInvalidArgument, where + ": id " + std::to_string(id) +
                                              " is outside the vocabulary (size " +
                                              std::to_string(size) + ")");
    }
  }
  std::string text;
  const int32_t status = session.decode(ids, special, text);
  if (status != NUVRA_TOKENIZER_STATUS_SUCCESS) {
    throw Failure(exitCodeFor(status), where + ": decode failed: " + statusText(status));
  }
  out.append(text);
  out.push_back('\n');
}

void writeOut(const std::string& text) {
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) {
    throw Failure(kExitFailure, std::string("standard output: ") + std::strerror(errno));
  }
}

void runDecode(const CommonOptions& common, bool utf8_safe, const std::vector<std::string>& ids,
               const std::vector<std::string>& inputs) {
  TokenizerSession session(common.type, common.resources,
                           utf8_safe ? NUVRA_TOKENIZER_FLAG_UTF8_SAFE : 0);
  std::string out;
  if (!ids.empty()) {
    std::string joined;
    for (const std::string& id : ids) joined += id + " ";
    decodeLine(session, joined, "argument", common.special, out);
    writeOut(out);
    return;
  }
  const std::vector<std::string> files = inputs.empty() ? std::vector<std::string>{"-"} : inputs;
  std::string block;
  for (const std::string& file : files) {
    LineReader reader(file);
    uint64_t line = 1;
    while (reader.next(block, 1 << 20)) {
      out.clear();
      forEachLine(block, line, [&](std::string_view text, uint64_t number) {
        decodeLine(session, text, reader.name() + ":" + std::to_string(number), common.special,
                   out);
        return true;
      });
      line += countLines(block);
      writeOut(out);
    }
  }
}

void runVocab(const CommonOptions& common, const std::vector<std::string>& ids,
              const std::vector<std::string>& tokens, bool all) {
  TokenizerSession session(common.type, common.resources);
  std::string out;
  if (all) {
    const std::vector<std::string>& table = session.vocabTable();
    for (size_t id = 0; id < table.size(); ++id) out += std::to_string(id) + "\t" + table[id] + "\n";
  } else if (!ids.empty()) {
    const std::vector<std::string>& table = session.vocabTable();
    for (const std::string& text : ids) {
      int32_t id = -1;
      const auto result = std::from_chars(text.data(), text.data() + text.size(), id);
      if (result.ec != std::errc() || result.ptr != text.data() + text.size() || id < 0 ||
          static_cast<size_t>(id) >= table.size()) {
        throw Failure(kExitInvalidArgument, "id " + text + ": not an id of this vocabulary (size " +
                                                std::to_string(table.size()) + ")");
      }
      out += table[static_cast<size_t>(id)] + "\n";
    }
  } else if (!tokens.empty()) {
    // No export maps a token to its id; the last entry wins, as in the library.
    const std::vector<std::string>& table = session.vocabTable();
    for (const std::string& token : tokens) {
      const auto found = std::find(table.rbegin(), table.rend(), token);
      if (found == table.rend()) {
        throw Failure(kExitFailure, "token '" + token + "': not in the vocabulary");
      }
      out += std::to_string(table.rend() - found - 1) + "\n";
    }
  } else {
    out = std::to_string(session.vocabSize()) + "\n";
  }
  writeOut(out);
}

int run(int argc, char** argv) {
  CLI::App app{"Text to token ids and back with nuvra_tokenizer.", "nuvra-tokenize"};
  app.require_subcommand(1);
  app.footer(
      "Types: bpe-transcript (0), bpe-word-end (1), spm-shifted (2), spm-padded (3), "
      "wordpiece-ja (4), wordpiece-ja-char (5), spm-eos (6), bpe-files (7), wordpiece (8), "
      "bpe-files-bare (9), spm-bos (10).\n"
      "Exit codes: 1 input/output failure, 2 usage, 3 missing or unloadable file, "
      "4 file or operation the type does not take, 5 bad id or text, 6 out of memory, "
      "7 other library failure.");

  CommonOptions common;
  EncodeOptions encode;
  CLI::App* encode_command = app.add_subcommand(
      "encode", "encode texts: arguments, or one encode per line of files or standard input");
  addCommonOptions(*encode_command, common);
  encode_command->add_flag("-s,--special", common.special, "recognise special-token texts");
  encode_command->add_option("text", encode.texts, "texts to encode");
  encode_command->add_option("-i,--input", encode.inputs, "input files, - for standard input");
  encode_command->add_option("-o,--output", encode.output, "output file (default standard output)");
  const std::map<std::string, OutputFormat> formats = {{"ids", OutputFormat::kIds},
                                                       {"tokens", OutputFormat::kTokens},
                                                       {"json", OutputFormat::kJson},
                                                       {"u16", OutputFormat::kUint16},
                                                       {"u32", OutputFormat::kUint32}};
  encode_command
      ->add_option("-f,--format", encode.format,
                   "ids (one line per input line), tokens, json (ids, word ids, spans), "
                   "u16 or u32 (little-endian token file)")
      ->transform(CLI::CheckedTransformer(formats, CLI::ignore_case).description(""))
      ->type_name("FORMAT");
  encode_command->add_option("-j,--threads", encode.threads, "encoding threads for files")
      ->check(CLI::Range(1, 256));

  bool utf8_safe = false;
  std::vector<std::string> decode_ids, decode_inputs;
  CLI::App* decode_command = app.add_subcommand(
      "decode", "decode ids: arguments, or one text per line of ids (spaces, commas or JSON)");
  addCommonOptions(*decode_command, common);
  decode_command->add_flag("-s,--special", common.special, "write special tokens");
  decode_command->add_flag("--utf8-safe", utf8_safe, "cut byte-level output at invalid UTF-8");
  decode_command->add_option("ids", decode_ids, "token ids");
  decode_command->add_option("-i,--input", decode_inputs, "input files, - for standard input");

  std::vector<std::string> vocab_ids, vocab_tokens;
  bool vocab_all = false;
  CLI::App* vocab_command =
      app.add_subcommand("vocab", "vocabulary size, or the token of ids, or the id of tokens");
  addCommonOptions(*vocab_command, common);
  vocab_command->add_option("id", vocab_ids, "ids whose tokens to print");
  vocab_command->add_option("--token", vocab_tokens, "tokens whose ids to print");
  vocab_command->add_flag("--all", vocab_all, "every entry: id, tab, token");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? kExitOk : kExitUsage;
  }

  try {
    if (encode_command->parsed()) {
      requireResources(common);
      encode.type = common.type;
      encode.resources = common.resources;
      encode.special = common.special;
      runEncode(encode);
    } else if (decode_command->parsed()) {
      requireResources(common);
      runDecode(common, utf8_safe, decode_ids, decode_inputs);
    } else {
      runVocab(common, vocab_ids, vocab_tokens, vocab_all);
    }
  } catch (const Failure& failure) {
    std::fflush(stdout);
    std::fprintf(stderr, "nuvra-tokenize: %s\n", failure.what());
    return failure.exitCode();
  } catch (const std::exception& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "nuvra-tokenize: %s\n", e.what());
    return kExitFailure;
  }
  if (std::fflush(stdout) != 0) {
    std::fprintf(stderr, "nuvra-tokenize: standard output: %s\n", std::strerror(errno));
    return kExitFailure;
  }
  return kExitOk;
}

}  // namespace
}  // namespace nuvra::cli

int main(int argc, char** argv) { return nuvra::cli::run(argc, argv); }
