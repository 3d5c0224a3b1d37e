/* examples/printer_name.c: a query that names its printer, on Windows and on
 * Linux, and a text answer read back from its 16-bit characters. */
#include <stdio.h>

#include "orvdb/orvdb.h"
#ifndef _WIN32
#include "orvdb/host_platform.h"
#endif

int main(void) {
#ifdef _WIN32
  const ORV_WCHAR* name = L"Office"; /* a printer of the spooler */
#else
  /* wchar_t is 32 bits wide here; u"" gives the 16-bit characters. */
  const ORV_WCHAR* name = u"Office";
  orv_host_add_printer("Office"); /* a printer of the stand-in platform */
#endif
  ORV_QUERY_CONTEXT ctx = {0};
  ctx.pPrinterName = name; /* opened for the call, closed before it returns */

  ORV_WCHAR text[32];
  uint32_t needed = 0;
  int32_t result = ORV_AccessRootDataBase(0x0002, &ctx, sizeof text, text, &needed);
  if (result != DB_OK) {
    printf("Root 0x0002: result %d\n", (int)result);
    return 1;
  }
  /* needed counts the bytes written: two per character and two for the NUL. */
  printf("Root 0x0002 (version text), %u bytes: \"", (unsigned)needed);
  for (uint32_t i = 0; i + 1 < needed / 2; ++i) putchar(text[i] < 128 ? text[i] : '?');
  printf("\"\n");
  return 0;
}
