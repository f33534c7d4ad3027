/* nuvra_tokenizer: text to token ids and back, behind a flat C interface.
 *
 * Every function but nuvraTokenizerDestroy returns one of the status codes
 * below. Results (tokens, decoded text, vocabulary entries) stay in the handle
 * and are copied out by the query functions; a failed call keeps the previous
 * result. A handle serves one thread at a time; distinct handles are
 * independent. */
#ifndef NUVRA_TOKENIZER_H_
#define NUVRA_TOKENIZER_H_

#include <stddef.h>
#include <stdint.h>
#include <wchar.h>

#if defined(_WIN32)
#if defined(NUVRA_TOKENIZER_BUILDING)
#define NUVRA_TOKENIZER_API __declspec(dllexport)
#else
#define NUVRA_TOKENIZER_API
#endif
#else
#define NUVRA_TOKENIZER_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Status codes. */
#define NUVRA_TOKENIZER_STATUS_SUCCESS 0
#define NUVRA_TOKENIZER_STATUS_INVALID_ARGUMENT (-1)
#define NUVRA_TOKENIZER_STATUS_ERROR_FILE_API (-2)
#define NUVRA_TOKENIZER_STATUS_MEMORY_INSUFFICIENT (-5)
#define NUVRA_TOKENIZER_STATUS_INVALID_STATE (-7)
#define NUVRA_TOKENIZER_STATUS_UNKNOWN (-128)

/* Tokenizer types. */
#define NUVRA_TOKENIZER_TYPE_BPE_TRANSCRIPT 0
#define NUVRA_TOKENIZER_TYPE_BPE_WORD_END 1
#define NUVRA_TOKENIZER_TYPE_SPM_SHIFTED 2
#define NUVRA_TOKENIZER_TYPE_SPM_PADDED 3
#define NUVRA_TOKENIZER_TYPE_WORDPIECE_JA 4
#define NUVRA_TOKENIZER_TYPE_WORDPIECE_JA_CHAR 5
#define NUVRA_TOKENIZER_TYPE_SPM_EOS 6
#define NUVRA_TOKENIZER_TYPE_BPE_FILES 7
#define NUVRA_TOKENIZER_TYPE_WORDPIECE 8
#define NUVRA_TOKENIZER_TYPE_BPE_FILES_BARE 9
#define NUVRA_TOKENIZER_TYPE_SPM_BOS 10

/* Create flags. */
#define NUVRA_TOKENIZER_FLAG_NONE 0
/* The byte-level decoder cuts its text at the first invalid UTF-8 sequence. */
#define NUVRA_TOKENIZER_FLAG_UTF8_SAFE 1

typedef struct NuvraTokenizer NuvraTokenizer;

/* Lifecycle. */
NUVRA_TOKENIZER_API int32_t nuvraTokenizerCreate(NuvraTokenizer** tokenizer, int32_t type,
                                                 int32_t flags);
NUVRA_TOKENIZER_API void nuvraTokenizerDestroy(NuvraTokenizer* tokenizer);

/* Encode: plain text, or with special-token texts recognised. */
NUVRA_TOKENIZER_API int32_t nuvraTokenizerEncode(NuvraTokenizer* tokenizer, const char* text);
NUVRA_TOKENIZER_API int32_t nuvraTokenizerEncodeWithSpecialTokens(NuvraTokenizer* tokenizer,
                                                                  const char* text);

/* Decode: special tokens left out, or written. */
NUVRA_TOKENIZER_API int32_t nuvraTokenizerDecode(NuvraTokenizer* tokenizer, const int32_t* ids,
                                                 uint32_t count);
NUVRA_TOKENIZER_API int32_t nuvraTokenizerDecodeWithSpecialTokens(NuvraTokenizer* tokenizer,
                                                                  const int32_t* ids,
                                                                  uint32_t count);

/* Results of the last encode. Word ids and character spans exist for types 7 and 8. */
NUVRA_TOKENIZER_API int32_t nuvraTokenizerGetTokenCount(NuvraTokenizer* tokenizer, uint32_t* count);
NUVRA_TOKENIZER_API int32_t nuvraTokenizerGetTokens(NuvraTokenizer* tokenizer, int32_t* ids,
                                                    uint32_t capacity);
NUVRA_TOKENIZER_API int32_t nuvraTokenizerGetWordIDs(NuvraTokenizer* tokenizer, int32_t* word_ids,
                                                     uint32_t capacity);
NUVRA_TOKENIZER_API int32_t nuvraTokenizerGetCharStarts(NuvraTokenizer* tokenizer, int32_t* starts,
                                                        uint32_t capacity);
NUVRA_TOKENIZER_API int32_t nuvraTokenizerGetCharEnds(NuvraTokenizer* tokenizer, int32_t* ends,
                                                      uint32_t capacity);

/* Result of the last decode: length includes the terminating NUL. */
NUVRA_TOKENIZER_API int32_t nuvraTokenizerGetTextLength(NuvraTokenizer* tokenizer, uint32_t* length);
NUVRA_TOKENIZER_API int32_t nuvraTokenizerGetText(NuvraTokenizer* tokenizer, char* buffer,
                                                  uint32_t size);

/* Vocabulary. The text pointer stays valid until the next GetVocab on the handle. */
NUVRA_TOKENIZER_API int32_t nuvraTokenizerGetVocabSize(NuvraTokenizer* tokenizer, uint32_t* size);
NUVRA_TOKENIZER_API int32_t nuvraTokenizerGetVocab(NuvraTokenizer* tokenizer, int32_t index,
                                                   const char** text);

/* Resource files: narrow (A) or wide (W) paths. */
NUVRA_TOKENIZER_API int32_t nuvraTokenizerOpenModelFileA(NuvraTokenizer* tokenizer, const char* path);
NUVRA_TOKENIZER_API int32_t nuvraTokenizerOpenModelFileW(NuvraTokenizer* tokenizer,
                                                         const wchar_t* path);
NUVRA_TOKENIZER_API int32_t nuvraTokenizerOpenDictionaryFileA(NuvraTokenizer* tokenizer,
                                                              const char* path);
NUVRA_TOKENIZER_API int32_t nuvraTokenizerOpenDictionaryFileW(NuvraTokenizer* tokenizer,
                                                              const wchar_t* path);
NUVRA_TOKENIZER_API int32_t nuvraTokenizerOpenVocabFileA(NuvraTokenizer* tokenizer, const char* path);
NUVRA_TOKENIZER_API int32_t nuvraTokenizerOpenVocabFileW(NuvraTokenizer* tokenizer,
                                                         const wchar_t* path);
NUVRA_TOKENIZER_API int32_t nuvraTokenizerOpenMergeFileA(NuvraTokenizer* tokenizer, const char* path);
NUVRA_TOKENIZER_API int32_t nuvraTokenizerOpenMergeFileW(NuvraTokenizer* tokenizer,
                                                         const wchar_t* path);
NUVRA_TOKENIZER_API int32_t nuvraTokenizerOpenAddedTokensFileA(NuvraTokenizer* tokenizer,
                                                               const char* path);
NUVRA_TOKENIZER_API int32_t nuvraTokenizerOpenAddedTokensFileW(NuvraTokenizer* tokenizer,
                                                               const wchar_t* path);
NUVRA_TOKENIZER_API int32_t nuvraTokenizerOpenTokenizerConfigFileA(NuvraTokenizer* tokenizer,
                                                                   const char* path);
NUVRA_TOKENIZER_API int32_t nuvraTokenizerOpenTokenizerConfigFileW(NuvraTokenizer* tokenizer,
                                                                   const wchar_t* path);

/* One character between UTF-8 and UTF-32. A count of 0 means the input could
 * not be converted; the status is still SUCCESS. */
NUVRA_TOKENIZER_API int32_t nuvraTokenizerUtf8ToUtf32(uint32_t* codepoint, uint32_t* consumed,
                                                      const char* bytes, uint32_t available);
NUVRA_TOKENIZER_API int32_t nuvraTokenizerUtf32ToUtf8(char* buffer, uint32_t* written,
                                                      uint32_t codepoint);

#ifdef __cplusplus
}
#endif

#endif /* NUVRA_TOKENIZER_H_ */
