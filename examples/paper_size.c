/* examples/paper_size.c: the size of paper code 9, asked as every answer is:
 * first the size it needs, then the answer into a buffer of that size. */
#include <stddef.h>
#include <stdio.h>

#include "orvdb/orvdb.h"

int main(void) {
  uint32_t selectors[29] = {0};
  selectors[28] = 9; /* selector 28: the paper size code */
  ORV_QUERY_CONTEXT ctx = {0};
  ctx.cSelectors = 29;
  ctx.pSelectors = selectors;

  uint32_t needed = 0;
  int32_t result = ORV_AccessDrvDataBase(0x1003, &ctx, 0, NULL, &needed);
  printf("size query: result %d, %u bytes needed\n", (int)result, (unsigned)needed);

  /* Two numbers, stored as 16-bit values, answered as 32-bit integers. */
  int32_t size[2];
  result = ORV_AccessDrvDataBase(0x1003, &ctx, sizeof size, size, &needed);
  printf("answer: result %d, %u bytes: %d x %d (1/100 mm)\n", (int)result, (unsigned)needed,
         (int)size[0], (int)size[1]);
  return result == DB_OK ? 0 : 1;
}
