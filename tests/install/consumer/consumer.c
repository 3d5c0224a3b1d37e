/* Asks the installed library for the version text (Root id 2) and prints it. */
#include <stdio.h>

#include "orvdb/orvdb.h"

int main(void) {
  ORV_QUERY_CONTEXT ctx = {0};
  ORV_WCHAR text[16];
  uint32_t needed = 0;
  int32_t r = ORV_AccessRootDataBase(0x0002, &ctx, sizeof text, text, &needed);
  if (r != DB_OK) {
    printf("result %d\n", (int)r);
    return 1;
  }
  for (uint32_t i = 0; i < needed / 2 && text[i] != 0; ++i) putchar((char)text[i]);
  putchar('\n');
  return 0;
}
