/* A program using the installed library: prints the ids of "Hello world". */
#include <stdio.h>

#include <nuvra_tokenizer.h>

int main(void) {
  NuvraTokenizer* tokenizer = NULL;
  int32_t ids[16];
  uint32_t count = 0;
  if (nuvraTokenizerCreate(&tokenizer, NUVRA_TOKENIZER_TYPE_BPE_TRANSCRIPT, 0) != 0) return 1;
  int ok = nuvraTokenizerEncode(tokenizer, "Hello world") == 0 &&
           nuvraTokenizerGetTokenCount(tokenizer, &count) == 0 && count <= 16 &&
           nuvraTokenizerGetTokens(tokenizer, ids, 16) == 0;
  for (uint32_t i = 0; ok && i < count; ++i) printf(i ? " %d" : "%d", ids[i]);
  printf("\n");
  nuvraTokenizerDestroy(tokenizer);
  return ok ? 0 : 1;
}
