/* orvdb: model data of the QXR-7310 printer driver package.
 *
 * Six functions answer numbered queries, one per domain of data ids. Each
 * takes a data id, a query context describing the printer and the caller's
 * settings, and an output buffer; it reports the size the answer needs and
 * copies the answer when the buffer is large enough. The library keeps no
 * state between calls; any number of threads may call it at once. */
#ifndef ORVDB_ORVDB_H_
#define ORVDB_ORVDB_H_

#include <stdint.h>

#ifdef _WIN32
#include <windows.h>
#define ORV_API WINAPI
typedef HANDLE ORV_HANDLE;
typedef WCHAR ORV_WCHAR;
#else
#define ORV_API
typedef void* ORV_HANDLE;
typedef uint16_t ORV_WCHAR; /* 16-bit text on every platform */
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The caller's description of one query. The library never writes to it. */
typedef struct ORV_QUERY_CONTEXT {
  ORV_HANDLE hPrinter;           /* open printer handle, or NULL */
  uint32_t dwReserved;           /* passed on unread into contexts the library builds */
  uint32_t cStrings;             /* entries in ppStrings */
  const char* const* ppStrings;  /* match strings (8-bit, NUL-terminated); entries may be NULL */
  uint32_t cSelectors;           /* entries in pSelectors */
  const uint32_t* pSelectors;    /* the caller's current settings, indexed by selector number */
  const ORV_WCHAR* pPrinterName; /* printer opened for the call when hPrinter is NULL */
} ORV_QUERY_CONTEXT;

/* Result codes. */
#define DB_OK 0                 /* answer copied; *pcbNeeded = bytes written */
#define DB_NOT_FOUND 1          /* id outside the function's range, or no value applies */
#define DB_MORE_DATA 2          /* buffer NULL or too small; *pcbNeeded = bytes needed */
#define DB_NO_ENTRY 3           /* id inside the range but not in the data base */
#define DB_ERROR (-1)           /* inconsistent data base, bad argument or memory exhausted */
#define DB_NO_MATCH_STRING (-2) /* a needed match string is missing from the context */
#define DB_NO_SELECTOR (-3)     /* a needed selector is missing from the context */
#define DB_NO_CONTEXT (-4)      /* context NULL, or a printer handle needed and not available */

/* Each function answers the ids of one domain. pBuf may be NULL to ask for the
 * size; pcbNeeded must not be NULL (DB_ERROR otherwise). Cost: a walk of one
 * small decision tree and a copy of the answer; the Drv function assembles
 * some answers from several such walks. */

/* Package facts, ids 0x0001-0x0FFF. */
int32_t ORV_API ORV_AccessRootDataBase(uint16_t id, const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf,
                                       void* pBuf, uint32_t* pcbNeeded);
/* Printer driver data, ids 0x1001-0x1FFF. */
int32_t ORV_API ORV_AccessDrvDataBase(uint16_t id, const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf,
                                      void* pBuf, uint32_t* pcbNeeded);
/* Language monitor data, ids 0x2001-0x2FFF. */
int32_t ORV_API ORV_AccessLMDataBase(uint16_t id, const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf,
                                     void* pBuf, uint32_t* pcbNeeded);
/* Maintenance data, ids 0x3001-0x3FFF. */
int32_t ORV_API ORV_AccessMntDataBase(uint16_t id, const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf,
                                      void* pBuf, uint32_t* pcbNeeded);
/* PA data, ids 0x4001-0x4FFF. */
int32_t ORV_API ORV_AccessPADataBase(uint16_t id, const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf,
                                     void* pBuf, uint32_t* pcbNeeded);
/* SM data, ids 0x6001-0x6FFF. */
int32_t ORV_API ORV_AccessSMDataBase(uint16_t id, const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf,
                                     void* pBuf, uint32_t* pcbNeeded);

#ifdef __cplusplus
}
#endif

#endif /* ORVDB_ORVDB_H_ */
