/* Compiled as C: the public header must be plain C, and the library must
 * link and run from a C program. */
#include <stdio.h>
#include <string.h>

#include "nuvra_tokenizer.h"

int main(void) {
  NuvraTokenizer* tokenizer = NULL;
  uint32_t length = 0;
  char text[4] = {'x', 'x', 'x', 'x'};
  char bytes[4];
  uint32_t written = 0;
  if (nuvraTokenizerCreate(&tokenizer, NUVRA_TOKENIZER_TYPE_WORDPIECE, NUVRA_TOKENIZER_FLAG_NONE) !=
      NUVRA_TOKENIZER_STATUS_SUCCESS) {
    fprintf(stderr, "create failed\n");
    return 1;
  }
  if (nuvraTokenizerGetTextLength(tokenizer, &length) != NUVRA_TOKENIZER_STATUS_SUCCESS ||
      length != 1 || nuvraTokenizerGetText(tokenizer, text, 1) != NUVRA_TOKENIZER_STATUS_SUCCESS ||
      text[0] != '\0') {
    fprintf(stderr, "fresh handle has text\n");
    return 1;
  }
  nuvraTokenizerDestroy(tokenizer);
  if (nuvraTokenizerUtf32ToUtf8(bytes, &written, 0x20AC) != NUVRA_TOKENIZER_STATUS_SUCCESS ||
      written != 3 || memcmp(bytes, "\xE2\x82\xAC", 3) != 0) {
    fprintf(stderr, "conversion failed\n");
    return 1;
  }
  return 0;
}
