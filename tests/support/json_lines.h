#ifndef NUVRA_TESTS_SUPPORT_JSON_LINES_H_
#define NUVRA_TESTS_SUPPORT_JSON_LINES_H_

#include <cstdint>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/utf8.h"

namespace nuvra::testing {

// One line of a fixture file: a flat JSON object of strings and of arrays
// of integers (arrays of strings are skipped). Parsed here rather than by the
// library's reader, so that a fault there cannot hide in the expectations.
struct JsonLine {
  std::map<std::string, std::string> strings;
  std::map<std::string, std::vector<int32_t>> ints;
};

inline std::string jsonString(const std::string& s, size_t& i) {
  std::string out;
  auto hex4 = [&] { return uint32_t(std::stoul(s.substr((i += 4) - 4, 4), nullptr, 16)); };
  for (++i; s.at(i) != '"'; ++i) {
    if (s[i] != '\\') {
      out += s[i];
    } else if (const char e = s.at(++i); e == 'u') {
      ++i;
      uint32_t cp = hex4();
      if (cp >= 0xD800 && cp < 0xDC00 && s.compare(i, 2, "\\u") == 0) {
        i += 2;
        cp = 0x10000 + ((cp - 0xD800) << 10) + (hex4() - 0xDC00);
      }
      --i;
      appendUtf8(cp, out);
    } else {
      const std::string plain = "nrtbf", decoded = "\n\r\t\b\f";
      out += plain.find(e) != std::string::npos ? decoded[plain.find(e)] : e;  // or \" \\ \/
    }
  }
  ++i;
  return out;
}

inline std::vector<JsonLine> readJsonLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::vector<JsonLine> out;
  for (std::string s; std::getline(in, s);) {
    if (s.empty()) continue;
    JsonLine& line = out.emplace_back();
    for (size_t i = s.find('"'); i != std::string::npos; i = s.find('"', i)) {
      const std::string key = jsonString(s, i);
      i = s.find_first_not_of(": ", i);
      if (s[i] == '"') {
        line.strings[key] = jsonString(s, i);
      } else {  // an array of integers, or of strings to skip
        std::vector<int32_t>& ints = line.ints[key];
        for (i = s.find_first_not_of(" [", i); s.at(i) != ']'; i = s.find_first_not_of(", ", i)) {
          size_t used = 0;
          if (s[i] == '"') {
            jsonString(s, i);
          } else {
            ints.push_back(int32_t(std::stol(s.substr(i), &used)));
            i += used;
          }
        }
        ++i;
      }
    }
  }
  return out;
}

}  // namespace nuvra::testing

#endif  // NUVRA_TESTS_SUPPORT_JSON_LINES_H_
