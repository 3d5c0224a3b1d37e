// The platform operations on Windows: the spooler, the global heap, the local
// clock and the user's locale, called directly.
#include <limits.h>
#include <windows.h>
#include <winspool.h>

#include "platform/platform.h"

namespace orv {

bool platform_open_printer(const ORV_WCHAR* name, ORV_HANDLE* handle) {
  if (handle == nullptr) return false;
  HANDLE opened = nullptr;
  // The spooler does not write to the name; the parameter is not const only
  // because of how the function was first declared.
  if (name == nullptr || !OpenPrinterW(const_cast<LPWSTR>(name), &opened, nullptr)) {
    *handle = nullptr;
    return false;
  }
  *handle = opened;
  return opened != nullptr;
}

void platform_close_printer(ORV_HANDLE handle) {
  if (handle != nullptr) ClosePrinter(handle);
}

uint32_t platform_get_printer_data(ORV_HANDLE handle, const ORV_WCHAR* value_name, uint32_t* type,
                                   void* data, uint32_t size, uint32_t* needed) {
  // DWORD is not the same type as uint32_t everywhere, so go through locals.
  DWORD value_type = 0;
  DWORD value_needed = 0;
  const DWORD result = GetPrinterDataW(handle, const_cast<LPWSTR>(value_name), &value_type,
                                       static_cast<LPBYTE>(data), size, &value_needed);
  if (type != nullptr) *type = value_type;
  if (needed != nullptr) *needed = value_needed;
  return result;
}

void* platform_alloc(uint32_t bytes) {
  // Fixed memory: the handle is the block's address.
  return reinterpret_cast<void*>(GlobalAlloc(GMEM_FIXED, bytes));
}

void platform_free(void* block) {
  if (block != nullptr) GlobalFree(reinterpret_cast<HGLOBAL>(block));
}

void platform_local_time(LocalTime* time) {
  if (time == nullptr) return;
  SYSTEMTIME now = {};
  GetLocalTime(&now);
  *time = LocalTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

uint32_t platform_country_code_text(char* buffer, uint32_t size) {
  const int capacity = size > static_cast<uint32_t>(INT_MAX) ? INT_MAX : static_cast<int>(size);
  const int result = GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_ICOUNTRY,
                                    capacity == 0 ? nullptr : buffer, capacity);
  return result > 0 ? static_cast<uint32_t>(result) : 0;
}

}  // namespace orv
