/* Encodes a sentence with the built-in byte-level tables (type 0), prints
 * its ids and decodes them back. */
#include <stdio.h>
#include <stdlib.h>

#include "nuvra_tokenizer.h"

int main(int argc, char** argv) {
  const char* text = argc > 1 ? argv[1] : "Hello world, this is nuvra_tokenizer.";
  NuvraTokenizer* tokenizer = NULL;
  int32_t status = nuvraTokenizerCreate(&tokenizer, NUVRA_TOKENIZER_TYPE_BPE_TRANSCRIPT,
                                        NUVRA_TOKENIZER_FLAG_UTF8_SAFE);
  if (status != NUVRA_TOKENIZER_STATUS_SUCCESS) {
    fprintf(stderr, "create failed: %d\n", status);
    return 1;
  }
  uint32_t count = 0;
  int32_t* ids = NULL;
  char* decoded = NULL;
  uint32_t length = 0;
  status = nuvraTokenizerEncode(tokenizer, text);
  if (status == NUVRA_TOKENIZER_STATUS_SUCCESS) status = nuvraTokenizerGetTokenCount(tokenizer, &count);
  if (status == NUVRA_TOKENIZER_STATUS_SUCCESS) {
    ids = malloc(sizeof(int32_t) * (count + 1));
    status = ids ? nuvraTokenizerGetTokens(tokenizer, ids, count) : NUVRA_TOKENIZER_STATUS_MEMORY_INSUFFICIENT;
  }
  if (status == NUVRA_TOKENIZER_STATUS_SUCCESS) {
    printf("text:  %s\nids:  ", text);
    for (uint32_t i = 0; i < count; ++i) printf(" %d", ids[i]);
    printf("\n");
    status = nuvraTokenizerDecode(tokenizer, ids, count);
  }
  if (status == NUVRA_TOKENIZER_STATUS_SUCCESS) status = nuvraTokenizerGetTextLength(tokenizer, &length);
  if (status == NUVRA_TOKENIZER_STATUS_SUCCESS) {
    decoded = malloc(length);
    status = decoded ? nuvraTokenizerGetText(tokenizer, decoded, length) : NUVRA_TOKENIZER_STATUS_MEMORY_INSUFFICIENT;
  }
  if (status == NUVRA_TOKENIZER_STATUS_SUCCESS) printf("back:  %s\n", decoded);
  else fprintf(stderr, "failed: %d\n", status);
  free(decoded);
  free(ids);
  nuvraTokenizerDestroy(tokenizer);
  return status == NUVRA_TOKENIZER_STATUS_SUCCESS ? 0 : 1;
}
