#include "wordpiece/analyzer.h"

#include <mecab.h>

#include <iterator>
#include <utility>

#include "wordpiece/dictionary_check.h"

namespace nuvra::wordpiece {

std::unique_ptr<Analyzer> Analyzer::open(const std::string& directory) {
  if (!isSoundDictionary(directory)) return nullptr;
  // An argument vector, not a command line, so that spaces in the path stay.
  // Naming the dicrc as the resource file keeps MeCab from needing a mecabrc.
  std::string program = "nuvra_tokenizer";
  std::string dictionary_option = "-d";
  std::string path = directory;
  std::string resource_option = "-r";
  std::string resource = directory + "/dicrc";
  char* argv[] = {program.data(), dictionary_option.data(), path.data(), resource_option.data(),
                  resource.data()};
  std::unique_ptr<MeCab::Tagger> tagger(MeCab::createTagger(int(std::size(argv)), argv));
  if (tagger == nullptr) return nullptr;
  return std::unique_ptr<Analyzer>(new Analyzer(std::move(tagger)));
}

Analyzer::Analyzer(std::unique_ptr<MeCab::Tagger> tagger) : tagger_(std::move(tagger)) {}

Analyzer::~Analyzer() = default;

bool Analyzer::analyze(std::string_view text, std::vector<std::string_view>& words) {
  words.clear();
  const MeCab::Node* node = tagger_->parseToNode(text.data(), text.size());
  if (node == nullptr) return false;
  for (; node != nullptr; node = node->next) {
    if (node->stat != MECAB_NOR_NODE && node->stat != MECAB_UNK_NODE) continue;
    std::string_view surface(node->surface, node->length);
    const size_t nul = surface.find('\0');
    if (nul != std::string_view::npos) surface = surface.substr(0, nul);
    words.push_back(surface);
  }
  return true;
}

}  // namespace nuvra::wordpiece
