#include "readers/merge_file_reader.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

#include "readers/token_index.h"

namespace nuvra::readers {
namespace {

bool isFieldBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view upToNul(std::string_view field) { return field.substr(0, field.find('\0')); }

// Rule indices by pair: open addressing, at most half full, seeded per
// process like the token index, since a merge file is input too and must not
// be able to pile its pairs into one run of slots. Each slot keeps the high
// half of its pair's hash beside the index, so a probe reads another rule
// only when the halves agree.
class PairIndex {
 public:
  explicit PairIndex(size_t most_pairs) {
    while (capacity_ < most_pairs * 2) capacity_ *= 2;
    slots_.assign(capacity_, kEmpty);
  }
  uint64_t hash(std::string_view first, std::string_view second) const {
    return hashText(first, seed_) * 0x9E3779B97F4A7C15ULL ^ hashText(second, ~seed_);
  }
  void prefetch(uint64_t h) const { __builtin_prefetch(&slots_[size_t(h) & (capacity_ - 1)]); }
  // The rule of (first, second), whose hash is `h`, or -1 after noting that
  // `next` will be it.
  int64_t findOrAdd(uint64_t h, std::string_view first, std::string_view second,
                    const std::vector<MergePair>& rules, uint32_t next) {
    const uint64_t tag = h & ~uint64_t(UINT32_MAX);
    for (size_t i = size_t(h) & (capacity_ - 1);; i = (i + 1) & (capacity_ - 1)) {
      const uint64_t slot = slots_[i];
      if (slot == kEmpty) {
        slots_[i] = tag | next;
        return -1;
      }
      if ((slot & ~uint64_t(UINT32_MAX)) != tag) continue;
      const MergePair& rule = rules[uint32_t(slot)];
      if (rule.left == first && rule.right == second) return uint32_t(slot);
    }
  }

 private:
  static constexpr uint64_t kEmpty = UINT64_MAX;
  uint64_t seed_ = processHashSeed();
  size_t capacity_ = 16;
  std::vector<uint64_t> slots_;
};

}  // namespace

MergePairScanner::MergePairScanner(std::string_view content)
    : content_(content),
      most_pairs_(size_t(std::count(content.begin(), content.end(), '\n')) + 1) {}

bool MergePairScanner::next(MergePair& pair) {
  const std::string_view content = content_;
  const size_t n = content.size();
  size_t p = at_;
  for (;;) {
    if (p >= n) break;
    // First field, ended by a space, tab or line feed.
    const size_t first_start = p;
    while (p < n && !isFieldBlank(content[p]) && content[p] != '\n') ++p;
    if (p >= n) break;  // no terminator: the partial field is dropped
    const std::string_view first = content.substr(first_start, p - first_start);
    const char terminator = content[p++];
    if (rank_ == 0 && !first.empty() && first[0] == '#') {
      if (terminator != '\n') {
        while (p < n && content[p] != '\n') ++p;
        if (p < n) ++p;
      }
      continue;
    }
    while (p < n && isFieldBlank(content[p])) ++p;
    if (p >= n) break;
    // Second field: up to the end of the line. When only blanks followed
    // the first field on its line, the next line is the second field.
    if (terminator != '\n' && content[p] == '\n') ++p;
    const size_t second_start = p;
    while (p < n && content[p] != '\n') ++p;
    const std::string_view second = content.substr(second_start, p - second_start);
    if (p < n) ++p;
    at_ = p;
    // Ranks are signed 32-bit: a list longer than that is refused, not wrapped.
    if (rank_ == std::numeric_limits<int32_t>::max()) {
      throw std::length_error("merge list longer than 2^31 - 1 pairs");
    }
    pair = {upToNul(first), upToNul(second), rank_++};
    return true;
  }
  at_ = n;
  return false;
}

std::vector<MergePair> parseMergePairs(std::string_view content) {
  MergePairScanner scanner(content);
  std::vector<MergePair> rules;
  rules.reserve(scanner.mostPairs());
  PairIndex seen(scanner.mostPairs());
  // Nearly every first probe of the index misses the cache, so pairs are
  // read a batch at a time and their slots fetched before any is looked up.
  constexpr size_t kBatch = 32;
  MergePair batch[kBatch];
  uint64_t hashes[kBatch];
  for (bool ended = false; !ended;) {
    size_t count = 0;
    while (count < kBatch) {
      if (!scanner.next(batch[count])) {
        ended = true;
        break;
      }
      hashes[count] = seen.hash(batch[count].left, batch[count].right);
      seen.prefetch(hashes[count++]);
    }
    for (size_t k = 0; k < count; ++k) {
      const MergePair& found = batch[k];
      const int64_t earlier =
          seen.findOrAdd(hashes[k], found.left, found.right, rules, uint32_t(rules.size()));
      if (earlier < 0) {
        rules.push_back(found);
      } else {
        rules[size_t(earlier)].rank = found.rank;
      }
    }
  }
  return rules;
}

MergeList parseMergeList(std::string_view content) {
  MergeList rules;
  for (const MergePair& pair : parseMergePairs(content)) {
    rules.push_back({std::string(pair.left), std::string(pair.right), pair.rank});
  }
  return rules;
}

std::optional<MergeList> readMergeFile(const FilePath& path) {
  const std::optional<std::string> content = readTextFile(path);
  if (!content) return std::nullopt;
  return parseMergeList(*content);
}

}  // namespace nuvra::readers
