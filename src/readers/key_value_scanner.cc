#include "readers/key_value_scanner.h"

namespace nuvra::readers {

bool KeyValueScanner::next(RawPair& pair) {
  const std::string_view c = content_;
  const size_t n = c.size();
  size_t p = position_;
  while (p < n && c[p] != '"') ++p;
  if (p >= n) return false;
  const size_t key_start = ++p;
  // A backslash escapes the next character, a quote among them.
  while (p < n && c[p] != '"') p += c[p] == '\\' ? 2 : 1;
  if (p >= n) return false;
  pair.key = c.substr(key_start, p - key_start);
  ++p;
  // The separator: blanks and a colon ("key" : value is accepted), or else
  // everything up to and including the next colon or space.
  bool skipped_space = false;
  while (p < n && isBlank(c[p])) skipped_space |= c[p++] == ' ';
  if (p >= n) return false;
  if (c[p] == ':') {
    ++p;
  } else if (!skipped_space) {
    while (p < n && c[p] != ':' && c[p] != ' ') ++p;
    if (p >= n) return false;
    ++p;
  }
  const size_t value_start = p;
  while (p < n && c[p] != ',' && c[p] != '}') ++p;
  if (p >= n) return false;
  pair.value = c.substr(value_start, p - value_start);
  position_ = p + 1;
  return true;
}

}  // namespace nuvra::readers
