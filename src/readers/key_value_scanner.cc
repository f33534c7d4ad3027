#include "readers/key_value_scanner.h"

#include "readers/byte_search.h"

namespace nuvra::readers {

bool KeyValueScanner::next(RawPair& pair) {
  const std::string_view c = content_;
  const size_t n = c.size();
  size_t p = position_;
  while (p < n && c[p] != '"') ++p;
  if (p >= n) return false;
  const size_t key_start = ++p;
  // A backslash escapes the next character, a quote among them.
  pair.key_escaped = false;
  for (;;) {
    p = findAnyOf(c.data(), p, n, '"', '\\', '\\');
    if (p >= n || c[p] == '"') break;
    pair.key_escaped = true;
    p += 2;
  }
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
  if (value_end_ == ValueEnd::kToDelimiter) {
    p = findAnyOf(c.data(), p, n, ',', '}', '}');
  } else {
    // "{% if a, b %}" or ["A, B"]: nothing inside ends the value.
    for (size_t arrays = 0; p < n; ++p) {
      const char ch = c[p];
      if (ch == '"') {
        for (++p; p < n && c[p] != '"';) p += c[p] == '\\' ? 2 : 1;
        if (p >= n) return false;
      } else if (ch == '[') {
        ++arrays;
      } else if (ch == ']' && arrays > 0) {
        --arrays;
      } else if (ch == '{' || (arrays == 0 && (ch == ',' || ch == '}'))) {
        break;
      }
    }
  }
  if (p >= n) return false;
  pair.value = c.substr(value_start, p - value_start);
  position_ = p + 1;
  return true;
}

}  // namespace nuvra::readers
