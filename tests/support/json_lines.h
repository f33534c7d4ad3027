#ifndef NUVRA_TESTS_SUPPORT_JSON_LINES_H_
#define NUVRA_TESTS_SUPPORT_JSON_LINES_H_

#include <nlohmann/json.hpp>

#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace nuvra::testing {

// The objects of a JSON-lines fixture, read by an independent JSON parser so
// that a fault of the library's own reader cannot hide in the expectations.
inline std::vector<nlohmann::json> readJsonLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::vector<nlohmann::json> out;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) out.push_back(nlohmann::json::parse(line));
  }
  return out;
}

}  // namespace nuvra::testing

#endif  // NUVRA_TESTS_SUPPORT_JSON_LINES_H_
