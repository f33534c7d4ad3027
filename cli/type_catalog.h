#ifndef NUVRA_CLI_TYPE_CATALOG_H_
#define NUVRA_CLI_TYPE_CATALOG_H_

#include <map>
#include <string>

namespace nuvra::cli {

// Kinds of resource file, one command-line option each.
enum FileKind : unsigned {
  kVocab = 1u << 0,
  kMerges = 1u << 1,
  kAddedTokens = 1u << 2,
  kConfig = 1u << 3,
  kModel = 1u << 4,
  kDictionary = 1u << 5,
};

struct TypeInfo {
  const char* name;
  unsigned accepts;   // FileKind bits
  unsigned requires;  // FileKind bits without which encode gives nothing useful
  bool has_spans;     // word ids and character spans can be read
};

const TypeInfo& typeInfo(int type);

// Option text of a kind ("--vocab") and what such a file is, for messages.
const char* optionName(FileKind kind);
const char* fileDescription(FileKind kind);
// "--vocab, --merges" for a set of kinds, "no file" when empty.
std::string optionList(unsigned kinds);

// Names and numbers, both accepted by --type.
std::map<std::string, int> typeNames();

}  // namespace nuvra::cli

#endif  // NUVRA_CLI_TYPE_CATALOG_H_
