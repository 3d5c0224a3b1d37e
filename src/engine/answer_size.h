// The size check every answer makes before it writes: a missing or short
// buffer gets the needed size and DB_MORE_DATA, so that a null buffer is the
// way to ask for the size.
#ifndef ORVDB_ENGINE_ANSWER_SIZE_H_
#define ORVDB_ENGINE_ANSWER_SIZE_H_

#include <stdint.h>

namespace orv {

// True when `pBuf` can take `size` bytes.
inline bool buffer_holds(uint32_t size, uint32_t cbBuf, const void* pBuf) {
  return pBuf != nullptr && cbBuf >= size;
}

// True, with *pcbNeeded = size, when the buffer cannot take `size` bytes: the
// caller answers DB_MORE_DATA. *pcbNeeded is left alone when it can.
inline bool buffer_short(uint32_t size, uint32_t cbBuf, const void* pBuf, uint32_t* pcbNeeded) {
  if (buffer_holds(size, cbBuf, pBuf)) return false;
  *pcbNeeded = size;
  return true;
}

// Writes *pcbNeeded = size whatever the buffer; true when it can take the
// answer. For the answers whose size is reported before the check.
inline bool report_size(uint32_t size, uint32_t cbBuf, const void* pBuf, uint32_t* pcbNeeded) {
  *pcbNeeded = size;
  return buffer_holds(size, cbBuf, pBuf);
}

}  // namespace orv

#endif  // ORVDB_ENGINE_ANSWER_SIZE_H_
