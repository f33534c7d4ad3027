#include "tokenizer_session.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "type_catalog.h"

namespace nuvra::cli {

int exitCodeFor(int32_t status) {
  switch (status) {
    case NUVRA_TOKENIZER_STATUS_SUCCESS: return kExitOk;
    case NUVRA_TOKENIZER_STATUS_INVALID_ARGUMENT: return kExitInvalidArgument;
    case NUVRA_TOKENIZER_STATUS_ERROR_FILE_API: return kExitFile;
    case NUVRA_TOKENIZER_STATUS_MEMORY_INSUFFICIENT: return kExitMemory;
    case NUVRA_TOKENIZER_STATUS_INVALID_STATE: return kExitState;
    default: return kExitUnknown;
  }
}

std::string statusText(int32_t status) {
  const char* name = "unknown failure";
  switch (status) {
    case NUVRA_TOKENIZER_STATUS_SUCCESS: name = "success"; break;
    case NUVRA_TOKENIZER_STATUS_INVALID_ARGUMENT: name = "invalid argument"; break;
    case NUVRA_TOKENIZER_STATUS_ERROR_FILE_API: name = "file cannot be opened or loaded"; break;
    case NUVRA_TOKENIZER_STATUS_MEMORY_INSUFFICIENT: name = "out of memory"; break;
    case NUVRA_TOKENIZER_STATUS_INVALID_STATE: name = "invalid state"; break;
    default: break;
  }
  return std::string(name) + " (" + std::to_string(status) + ")";
}

TokenizerSession::TokenizerSession(int type, const Resources& resources, int32_t flags)
    : type_(type) {
  const int32_t status = nuvraTokenizerCreate(&handle_, type, flags);
  if (status != NUVRA_TOKENIZER_STATUS_SUCCESS) {
    throw Failure(exitCodeFor(status),
                  "cannot create a tokenizer of type " + std::to_string(type) + ": " +
                      statusText(status));
  }
  // The dictionary before anything else, added tokens after the vocabulary
  // they extend (a vocabulary file replaces the whole list).
  try {
    open(resources.dictionary, kDictionary);
    open(resources.vocab, kVocab);
    open(resources.added_tokens, kAddedTokens);
    open(resources.merges, kMerges);
    open(resources.config, kConfig);
    open(resources.model, kModel);
  } catch (...) {
    nuvraTokenizerDestroy(handle_);
    throw;
  }
}

TokenizerSession::~TokenizerSession() { nuvraTokenizerDestroy(handle_); }

bool TokenizerSession::hasSpans() const { return typeInfo(type_).has_spans; }

void TokenizerSession::open(const std::string& path, unsigned kind) {
  if (path.empty()) return;
  const TypeInfo& info = typeInfo(type_);
  const auto file_kind = static_cast<FileKind>(kind);
  const std::string what = std::string(optionName(file_kind)) + " " + path;
  if ((info.accepts & kind) == 0) {
    throw Failure(kExitState, what + ": type " + std::to_string(type_) + " (" + info.name +
                                  ") takes no " + fileDescription(file_kind) + "; it takes " +
                                  optionList(info.accepts));
  }
  // The library says only "cannot open"; the file system can say why.
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) {
    throw Failure(kExitFile, what + ": " + std::strerror(errno));
  }
  const bool want_directory = file_kind == kDictionary;
  if (want_directory != S_ISDIR(st.st_mode)) {
    throw Failure(kExitFile, what + ": " + (want_directory ? "not a directory" : "a directory") +
                                 ", expected a " + fileDescription(file_kind));
  }
  int32_t status = NUVRA_TOKENIZER_STATUS_SUCCESS;
  switch (file_kind) {
    case kVocab: status = nuvraTokenizerOpenVocabFileA(handle_, path.c_str()); break;
    case kMerges: status = nuvraTokenizerOpenMergeFileA(handle_, path.c_str()); break;
    case kAddedTokens: status = nuvraTokenizerOpenAddedTokensFileA(handle_, path.c_str()); break;
    case kConfig: status = nuvraTokenizerOpenTokenizerConfigFileA(handle_, path.c_str()); break;
    case kModel: status = nuvraTokenizerOpenModelFileA(handle_, path.c_str()); break;
    case kDictionary: status = nuvraTokenizerOpenDictionaryFileA(handle_, path.c_str()); break;
  }
  if (status == NUVRA_TOKENIZER_STATUS_ERROR_FILE_API) {
    throw Failure(kExitFile, what + ": cannot be loaded as a " + fileDescription(file_kind));
  }
  if (status != NUVRA_TOKENIZER_STATUS_SUCCESS) {
    throw Failure(exitCodeFor(status), what + ": not a valid " +
                                           std::string(fileDescription(file_kind)) + ": " +
                                           statusText(status));
  }
}

int32_t TokenizerSession::encode(const std::string& text, bool special,
                                 std::vector<int32_t>& ids) {
  int32_t status = special ? nuvraTokenizerEncodeWithSpecialTokens(handle_, text.c_str())
                           : nuvraTokenizerEncode(handle_, text.c_str());
  uint32_t count = 0;
  if (status == NUVRA_TOKENIZER_STATUS_SUCCESS) status = nuvraTokenizerGetTokenCount(handle_, &count);
  if (status != NUVRA_TOKENIZER_STATUS_SUCCESS) return status;
  ids.resize(count);
  return count == 0 ? status : nuvraTokenizerGetTokens(handle_, ids.data(), count);
}

int32_t TokenizerSession::spans(std::vector<int32_t>& word_ids, std::vector<int32_t>& starts,
                                std::vector<int32_t>& ends) {
  uint32_t count = 0;
  int32_t status = nuvraTokenizerGetTokenCount(handle_, &count);
  word_ids.resize(count);
  starts.resize(count);
  ends.resize(count);
  if (status != NUVRA_TOKENIZER_STATUS_SUCCESS || count == 0) return status;
  status = nuvraTokenizerGetWordIDs(handle_, word_ids.data(), count);
  if (status == NUVRA_TOKENIZER_STATUS_SUCCESS)
    status = nuvraTokenizerGetCharStarts(handle_, starts.data(), count);
  if (status == NUVRA_TOKENIZER_STATUS_SUCCESS)
    status = nuvraTokenizerGetCharEnds(handle_, ends.data(), count);
  return status;
}

int32_t TokenizerSession::decode(const std::vector<int32_t>& ids, bool special,
                                 std::string& text) {
  // The interface wants a non-null array even for no ids.
  static const int32_t kNoIds[1] = {0};
  const int32_t* data = ids.empty() ? kNoIds : ids.data();
  const auto count = static_cast<uint32_t>(ids.size());
  int32_t status = special ? nuvraTokenizerDecodeWithSpecialTokens(handle_, data, count)
                           : nuvraTokenizerDecode(handle_, data, count);
  uint32_t length = 0;
  if (status == NUVRA_TOKENIZER_STATUS_SUCCESS) status = nuvraTokenizerGetTextLength(handle_, &length);
  if (status != NUVRA_TOKENIZER_STATUS_SUCCESS) return status;
  text.resize(length);
  status = nuvraTokenizerGetText(handle_, text.data(), length);
  text.resize(length > 0 ? length - 1 : 0);
  return status;
}

uint32_t TokenizerSession::vocabSize() {
  uint32_t size = 0;
  const int32_t status = nuvraTokenizerGetVocabSize(handle_, &size);
  if (status != NUVRA_TOKENIZER_STATUS_SUCCESS) {
    throw Failure(exitCodeFor(status), "cannot read the vocabulary size: " + statusText(status));
  }
  return size;
}

const std::vector<std::string>& TokenizerSession::vocabTable() {
  if (vocab_loaded_) return vocab_table_;
  const uint32_t size = vocabSize();
  vocab_table_.resize(size);
  for (uint32_t id = 0; id < size; ++id) {
    const char* text = nullptr;
    const int32_t status = nuvraTokenizerGetVocab(handle_, static_cast<int32_t>(id), &text);
    if (status != NUVRA_TOKENIZER_STATUS_SUCCESS) {
      throw Failure(exitCodeFor(status), "cannot read vocabulary entry " + std::to_string(id) +
                                             ": " + statusText(status));
    }
    vocab_table_[id] = text;
  }
  vocab_loaded_ = true;
  return vocab_table_;
}

}  // namespace nuvra::cli
