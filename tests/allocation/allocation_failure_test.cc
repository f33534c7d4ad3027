// Every allocation of a call fails in turn: the call reports -5, leaks
// nothing (LeakSanitizer checks at exit in the sanitizer build) and leaves
// the handle answering exactly as before.
#include <dlfcn.h>
#include <execinfo.h>
#include <gtest/gtest.h>
#include <link.h>

#include <cstdlib>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "support/tokenizer.h"
#include "nuvra_tokenizer.h"
#include "support/temp_files.h"

namespace {

// The allocation that fails, counted from when the test arms it; -1 when disarmed.
long fail_at = -1;
long allocations = 0;
bool failed = false;
// Code ranges of the libraries whose own allocations are spared (see findForeignCode).
struct Range {
  uintptr_t begin, end;
};
Range foreign[8];
int foreign_count = 0;

bool insideForeignCode() {
  void* frames[48];
  const int depth = backtrace(frames, 48);
  for (int i = 0; i < depth; ++i) {
    const auto address = reinterpret_cast<uintptr_t>(frames[i]);
    for (int k = 0; k < foreign_count; ++k) {
      if (address >= foreign[k].begin && address < foreign[k].end) return true;
    }
  }
  return false;
}

void* allocate(size_t size) {
  if (fail_at >= 0 && !insideForeignCode() && allocations++ == fail_at) {
    failed = true;
    throw std::bad_alloc();
  }
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}

}  // namespace

void* operator new(size_t size) { return allocate(size); }
void* operator new[](size_t size) { return allocate(size); }
// Callers of the nothrow forms (stable_sort's buffer) cope with null by design.
void* operator new(size_t size, const std::nothrow_t&) noexcept { return std::malloc(size == 0 ? 1 : size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return std::malloc(size == 0 ? 1 : size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }

namespace nuvra {
namespace {

using testing::Tokenizer;

// The sentencepiece library (0.1.97) is not exception-safe: a bad_alloc
// thrown inside its model parse or its encode unwinds through half-built
// protobuf messages whose destructors then read freed memory (SEGV). Only
// our own allocations, outside its frames, are failed here; MeCab's are
// spared likewise. NUVRA_FAIL_INSIDE_LIBRARIES=1 fails them all.
void findForeignCode() {
  if (std::getenv("NUVRA_FAIL_INSIDE_LIBRARIES") != nullptr) return;
  dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void*) {
        const std::string name = info->dlpi_name;
        if (name.find("libsentencepiece.so") == std::string::npos && name.find("libmecab.so") == std::string::npos) {
          return 0;
        }
        for (int i = 0; i < info->dlpi_phnum && foreign_count < 8; ++i) {
          const ElfW(Phdr)& segment = info->dlpi_phdr[i];
          if (segment.p_type != PT_LOAD || (segment.p_flags & PF_X) == 0) continue;
          const uintptr_t begin = info->dlpi_addr + segment.p_vaddr;
          foreign[foreign_count++] = {begin, begin + segment.p_memsz};
        }
        return 0;
      },
      nullptr);
  void* warm[1];
  backtrace(warm, 1);  // loads the unwinder before any allocation is counted
}

// What a caller sees of a handle: its last results and vocabulary, then
// what its tables make of a probe text (which replaces the results).
std::string view(NuvraTokenizer* t, const std::string& text) {
  std::string out;
  for (int32_t id : testing::tokens(t)) out += std::to_string(id) + " ";
  out += "|" + testing::text(t) + "|";
  for (const std::string& entry : testing::vocabEntries(t)) out += entry + " ";
  return out + testing::observe(t, text);
}

// Runs `call` with its n-th allocation failing; true when it got that far.
template <typename Call>
bool failAt(long n, Call&& call) {
  allocations = 0;
  failed = false;
  fail_at = n;
  call();
  fail_at = -1;
  return failed;
}

using Call = std::function<int32_t(NuvraTokenizer*)>;

// Each file open, both encodes and both decodes of one type, with each of
// their allocations failing in turn on one handle in the state a caller
// would be in (the files before it opened, an earlier encode and decode),
// which every failure must leave exactly as it was.
void failEachCall(int32_t type, const std::vector<Call>& files, const std::string& text,
                  const std::vector<int32_t>& ids) {
  const auto count = uint32_t(ids.size());
  std::vector<Call> calls = files;
  calls.push_back([=](NuvraTokenizer* t) { return nuvraTokenizerEncode(t, text.c_str()); });
  calls.push_back([=](NuvraTokenizer* t) { return nuvraTokenizerEncodeWithSpecialTokens(t, text.c_str()); });
  calls.push_back([=](NuvraTokenizer* t) { return nuvraTokenizerDecode(t, ids.data(), count); });
  calls.push_back([=](NuvraTokenizer* t) { return nuvraTokenizerDecodeWithSpecialTokens(t, ids.data(), count); });
  for (size_t step = 0; step < calls.size(); ++step) {
    const auto prepare = [&] {
      Tokenizer t(type);
      for (size_t i = 0; i < std::min(step, files.size()); ++i) EXPECT_EQ(files[i](t.get()), 0);
      return t;
    };
    const auto earlier = [&](NuvraTokenizer* t) {  // the results a failure must keep
      const int32_t earlier_ids[] = {0, 1, 2};
      nuvraTokenizerEncodeWithSpecialTokens(t, text.substr(0, text.size() / 2).c_str());
      nuvraTokenizerDecode(t, earlier_ids, 3);
    };
    Tokenizer reference = prepare();
    earlier(reference.get());
    const std::string before = view(reference.get(), text);
    const int32_t unfailed = calls[step](reference.get());
    Tokenizer t = prepare();
    long n = 0;
    for (;; ++n) {
      earlier(t.get());
      int32_t status = 0;
      if (!failAt(n, [&] { status = calls[step](t.get()); })) {
        EXPECT_EQ(status, unfailed);
        break;
      }
      SCOPED_TRACE("type " + std::to_string(type) + ", call " + std::to_string(step) + ", allocation " + std::to_string(n));
      ASSERT_EQ(status, NUVRA_TOKENIZER_STATUS_MEMORY_INSUFFICIENT);
      ASSERT_EQ(view(t.get(), text), before);
    }
    std::printf("type %d, call %zu: %ld allocations\n", type, step, n);
  }
}

Call openA(int32_t (*open)(NuvraTokenizer*, const char*), const std::string& path) {
  return [=](NuvraTokenizer* t) { return open(t, path.c_str()); };
}

// Create with its n-th allocation failing, for n = 0, next(0), ...: -5 and no handle.
void failCreate(int32_t type, long (*next)(long)) {
  for (long n = 0;; n = next(n)) {
    NuvraTokenizer* t = nullptr;
    int32_t status = 0;
    const bool failed_here = failAt(n, [&] { status = nuvraTokenizerCreate(&t, type, 0); });
    Tokenizer owned(t);
    if (!failed_here) return;
    ASSERT_EQ(status, NUVRA_TOKENIZER_STATUS_MEMORY_INSUFFICIENT) << "type " << type << ", allocation " << n;
    ASSERT_EQ(t, nullptr);
  }
}

class AllocationFailure : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { findForeignCode(); }
  testing::TempDir dir_;
};

// Runs first in its process: the first Create of types 0 and 1 builds the
// tables every later handle shares, and a failure part way must leave them
// to be built whole by the next one. Failing every one of its allocations
// would take a million runs: the failures are spread over the build instead.
TEST_F(AllocationFailure, Create) {
  for (int32_t type : {0, 1}) {
    failCreate(type, [](long n) { return n * 5 / 4 + 1; });
    EXPECT_EQ(Tokenizer(type).vocabSize(), type == 0 ? 50259u : 49408u);
  }
  for (int32_t type : {0, 1, 2, 4, 7, 8}) {
    failCreate(type, [](long n) { return n + 1; });
  }
}

TEST_F(AllocationFailure, BytePairEncoding) {
  const std::string vocab = dir_.write("vocab.json", R"({"h": 0, "e": 1, "l": 2, "o": 3, "\u0120": 4,
      "w": 5, "r": 6, "d": 7, "he": 8, "ll": 9, "hell": 10, "hello": 11, "\u0120w": 12,
      "<|endoftext|>": 13, "!": 14})");
  const std::string merges = dir_.write("merges.txt", "#version: 0.2\nh e\nl l\nhe ll\nhell o\n\xC4\xA0 w\n");
  failEachCall(7, {openA(nuvraTokenizerOpenVocabFileA, vocab), openA(nuvraTokenizerOpenMergeFileA, merges)},
               "hello world!<|endoftext|> hello", {11, 12, 3, 6, 2, 7, 13, 14, 99});
  // Added tokens extend the list in place of type 0.
  const std::string added = dir_.write("added.json", R"({"<|x|>": 15, "hello": 20})");
  failEachCall(0, {openA(nuvraTokenizerOpenVocabFileA, vocab), openA(nuvraTokenizerOpenAddedTokensFileA, added)},
               "hello<|x|> world", {11, 15, 20, 13, 16});
}

TEST_F(AllocationFailure, WordPiece) {
  const std::string vocab = dir_.write("vocab.txt", "[PAD]\n[UNK]\n[CLS]\n[SEP]\n[MASK]\nhello\nworld\n##s\n,\n!\n");
  const std::string config = dir_.write("config.json", R"({"do_lower_case": false})");
  failEachCall(8, {openA(nuvraTokenizerOpenVocabFileA, vocab), openA(nuvraTokenizerOpenTokenizerConfigFileA, config)},
               "Hello worlds, [SEP] x! \xE4\xB8\xAD", {2, 5, 6, 7, 8, 3, 9, 1, 40});
}

TEST_F(AllocationFailure, SentencePiece) {
  if (std::system("command -v spm_train > /dev/null 2>&1") != 0) GTEST_SKIP() << "no spm_train";
  std::string corpus;
  for (int i = 0; i < 300; ++i) corpus += "the cat sat on a mat while dogs ran far away " + std::to_string(i % 7) + "\n";
  const std::string prefix = dir_.path() + "/model";
  const std::string train = "spm_train --input=" + dir_.write("corpus.txt", corpus) + " --model_prefix=" + prefix +
                            " --vocab_size=40 --hard_vocab_limit=false --normalization_rule_name=identity --minloglevel=3 > /dev/null 2>&1";
  ASSERT_EQ(std::system(train.c_str()), 0);
  failEachCall(2, {openA(nuvraTokenizerOpenModelFileA, prefix + ".model")}, "the cat <s> sat on a mat</s> \xE3\x81\x82",
               {0, 5, 6, 7, 2, 1, 3, 39, 41, 99});
}

TEST_F(AllocationFailure, Japanese) {
  const std::string vocab = dir_.write("vocab.txt", "[PAD]\n[UNK]\n[CLS]\n[SEP]\n[MASK]\n\xE7\x8C\xAB\n##\xE3\x81\xA7\n");
  const std::string dictionary = NUVRA_MECAB_DICTIONARY;
  Tokenizer probe_handle(4);
  if (nuvraTokenizerOpenDictionaryFileA(probe_handle.get(), dictionary.c_str()) != 0) {
    GTEST_SKIP() << "no dictionary loads from " << dictionary;
  }
  failEachCall(4, {openA(nuvraTokenizerOpenDictionaryFileA, dictionary), openA(nuvraTokenizerOpenVocabFileA, vocab)},
               "\xE5\x90\xBE\xE8\xBC\xA9\xE3\x81\xAF\xE7\x8C\xAB\xE3\x81\xA7\xE3\x81\x82\xE3\x82\x8B [CLS]",
               {2, 5, 6, 3, 1, 9});
}

}  // namespace
}  // namespace nuvra
