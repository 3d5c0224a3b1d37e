/* orvdb: model data of a printer driver package, one library per printer model.
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
#define DB_OK 0                 /* answer copied; *pcbNeeded = bytes written, but see below */
#define DB_NOT_FOUND 1          /* id outside the function's range, or no value applies */
#define DB_MORE_DATA 2          /* buffer NULL or too small; *pcbNeeded = bytes needed */
#define DB_NO_ENTRY 3           /* id inside the range but not in the data base */
#define DB_ERROR (-1)           /* inconsistent data base, bad argument or memory exhausted */
#define DB_NO_MATCH_STRING (-2) /* a needed match string is missing from the context */
#define DB_NO_SELECTOR (-3)     /* a needed selector is missing from the context */
#define DB_NO_CONTEXT (-4)      /* context NULL, or a printer handle needed and not available */

/* Answer forms. An answer is the value the data base holds for the id and
 * the caller's settings, in a fixed element width: numbers as 32-bit integers
 * in the machine's byte order, text as 16-bit characters with the terminating
 * NUL, byte strings (printer commands) unchanged. Some Drv ids answer in the
 * forms below. */

/* Value record: one value of a setting list, 20 bytes, no gaps. The Drv list
 * ids (0x100C-0x1014, 0x1016, 0x1017, 0x104D, 0x104E, 0x1051, 0x1054) answer
 * an array of these, one per value of the list. Which fields an id fills
 * depends on the id; a field it does not fill has no defined content. */
typedef struct ORV_VALUE_RECORD {
  int32_t value;  /* the setting value: a value of one selector */
  uint32_t attr1; /* the value's identifier, or a number looked up for the value */
  uint32_t attr2; /* a number looked up for the value */
  uint32_t attr3; /* a number looked up for the value, or 0/1 from a comparison of lists */
  uint32_t mark;  /* the mark the data base gives the value for the caller's settings, else 0 */
} ORV_VALUE_RECORD;

/* Mode record: the answer of Drv id 0x101E, 192 bytes, assembled from four
 * part records chosen by the caller's selectors 4, 9, 5, 8, 6 and 81. Parts
 * are raw little-endian bytes at the offsets this layout gives them; the
 * bytes after part D are never written (the caller's bytes stay), although
 * the needed size covers them. */
typedef struct ORV_MODE_RECORD {
  uint8_t partA[48];     /* bytes 0-47 */
  uint8_t partB[40];     /* bytes 48-87 */
  uint8_t partC[36];     /* bytes 88-123 */
  uint8_t partD[48];     /* bytes 124-171 */
  uint8_t unwritten[20]; /* bytes 172-191, left as the caller had them */
} ORV_MODE_RECORD;

/* Both layouts hold on every compiler: the fields need no padding. */
typedef char ORV_VALUE_RECORD_IS_20_BYTES[sizeof(ORV_VALUE_RECORD) == 20 ? 1 : -1];
typedef char ORV_MODE_RECORD_IS_192_BYTES[sizeof(ORV_MODE_RECORD) == 192 ? 1 : -1];

/* Command sequence: the answer of Drv ids 0x1018-0x101D, a byte string of
 * printer commands. It is the concatenation, in a fixed order, of the command
 * fragments that apply to the caller's settings, with nothing between them
 * and no length or terminator added; a fragment that does not apply adds
 * nothing, so a sequence may be empty (0 bytes, DB_OK). */

/* Each function answers the ids of one domain. pBuf may be NULL to ask for the
 * size; pcbNeeded must not be NULL (DB_ERROR otherwise).
 *
 * *pcbNeeded is written with DB_MORE_DATA (bytes needed) and with DB_OK
 * (bytes written), except that the Drv list ids leave it unwritten on DB_OK:
 * their caller takes the record count from the size query (needed size /
 * sizeof(ORV_VALUE_RECORD)). Other results leave it unwritten.
 *
 * When hPrinter is NULL and pPrinterName is not, the printer is opened by
 * name for the call and closed before it returns. A name that cannot be
 * opened is not an error: the query runs without a printer handle, and only
 * an answer that reads the printer's configuration data notices, answering
 * DB_NO_CONTEXT or what it answers for a value the printer lacks.
 *
 * Cost: a walk of one small decision tree and a copy of the answer; the Drv
 * function assembles some answers from several such walks. */

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
