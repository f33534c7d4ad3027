#ifndef NUVRA_TESTS_SUPPORT_TEXT_LINES_H_
#define NUVRA_TESTS_SUPPORT_TEXT_LINES_H_

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace nuvra::testing {

// The bytes of a file the test needs; a missing one fails the test.
inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in) << "cannot read " << path;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The parts between separators; a final separator ends the last part.
inline std::vector<std::string> splitLines(const std::string& text, char separator = '\n') {
  std::vector<std::string> parts;
  std::istringstream in(text);
  for (std::string part; std::getline(in, part, separator);) parts.push_back(part);
  return parts;
}

}  // namespace nuvra::testing

#endif  // NUVRA_TESTS_SUPPORT_TEXT_LINES_H_
