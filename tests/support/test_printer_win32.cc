// The test printer of the Windows build: a printer of the local spooler on
// port FILE:, with the generic PostScript driver, deleted by Delete.
#include <windows.h>
#include <winspool.h>

#include <cstdio>

#include "support/test_printer.h"

namespace orv::testing {
namespace {

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

}  // namespace

bool TestPrinter::Create() {
  set_name("orvdb test printer " + std::to_string(GetCurrentProcessId()));
  std::wstring driver = L"orvdb test driver";
  DRIVER_INFO_3W info = {};
  info.cVersion = 3;
  info.pName = driver.data();
  info.pDriverPath = const_cast<LPWSTR>(L"wineps.drv");
  info.pDataFile = const_cast<LPWSTR>(L"wineps.drv");
  info.pConfigFile = const_cast<LPWSTR>(L"wineps.drv");
  if (!AddPrinterDriverW(nullptr, 3, reinterpret_cast<LPBYTE>(&info)) &&
      GetLastError() != ERROR_PRINTER_DRIVER_ALREADY_INSTALLED) {
    std::fprintf(stderr, "AddPrinterDriverW: %lu\n", GetLastError());
    return false;
  }
  std::wstring name = Wide(name_);
  PRINTER_INFO_2W printer = {};
  printer.pPrinterName = name.data();
  printer.pPortName = const_cast<LPWSTR>(L"FILE:");
  printer.pDriverName = driver.data();
  printer.pPrintProcessor = const_cast<LPWSTR>(L"WinPrint");
  printer.pDatatype = const_cast<LPWSTR>(L"RAW");
  handle_ = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&printer));
  if (handle_ == nullptr) std::fprintf(stderr, "AddPrinterW: %lu\n", GetLastError());
  return handle_ != nullptr;
}

void TestPrinter::Delete() {
  if (handle_ == nullptr) return;
  DeletePrinter(handle_);
  ClosePrinter(handle_);
  handle_ = nullptr;
}

namespace {

bool Store(HANDLE printer, const std::string& value_name, DWORD type, const void* data,
           DWORD size) {
  std::wstring name = Wide(value_name);
  return SetPrinterDataW(printer, name.data(), type, static_cast<LPBYTE>(const_cast<void*>(data)),
                         size) == ERROR_SUCCESS;
}

}  // namespace

bool TestPrinter::SetBytes(const std::string& value_name, const void* data, uint32_t size) {
  return Store(handle_, value_name, REG_BINARY, data, size);
}

bool TestPrinter::SetDword(const std::string& value_name, uint32_t data) {
  return Store(handle_, value_name, REG_DWORD, &data, sizeof data);
}

}  // namespace orv::testing
