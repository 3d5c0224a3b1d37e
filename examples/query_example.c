/* Asks the built-in data base for the package's version text and prints it. */
#include <stdio.h>

#include "orvdb/orvdb.h"

int main(void) {
  ORV_QUERY_CONTEXT ctx = {0};
  uint16_t text[64];
  uint32_t needed = 0;
  int32_t result = ORV_AccessRootDataBase(0x0002, &ctx, sizeof text, text, &needed);
  if (result != DB_OK) {
    printf("Root 0x0002: result %d\n", (int)result);
    return 1;
  }
  printf("Root 0x0002 (version text): \"");
  for (uint32_t i = 0; i < needed / 2 && text[i] != 0; ++i) putchar(text[i] < 128 ? text[i] : '?');
  printf("\"\n");
  return 0;
}
