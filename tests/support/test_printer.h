// A printer of the platform the library runs on, made for a test: on Windows
// a printer of the local spooler (port FILE:, the generic PostScript driver),
// in the stand-in platform's build a printer of its in-memory store. Its
// configuration values are what the printer-data switch and the silent-mode
// block read. Needs only the public headers, so that tests linking just a
// model's library can use it.
#ifndef ORVDB_TESTS_SUPPORT_TEST_PRINTER_H_
#define ORVDB_TESTS_SUPPORT_TEST_PRINTER_H_

#include <stdint.h>

#include <string>
#include <vector>

#include "orvdb/orvdb.h"

namespace orv::testing {

class TestPrinter {
 public:
  // Creates the printer; its name carries the process id, so that runs at the
  // same time do not meet. False (with a message on stderr) when it fails.
  bool Create();
  // Removes the printer and closes its handle.
  void Delete();

  // Stores a configuration value of `size` bytes (Windows: REG_BINARY).
  bool SetBytes(const std::string& value_name, const void* data, uint32_t size);
  // Stores a 32-bit configuration value (Windows: REG_DWORD).
  bool SetDword(const std::string& value_name, uint32_t data);

  // The printer's name, for a query context's pPrinterName.
  const ORV_WCHAR* name() const { return wide_name_.data(); }
  // An open handle of the printer, for a query context's hPrinter; null before Create.
  ORV_HANDLE handle() const { return handle_; }

 private:
  // Sets the name, and its 16-bit form with a terminating NUL.
  void set_name(const std::string& name) {
    name_ = name;
    wide_name_.assign(name.begin(), name.end());
    wide_name_.push_back(0);
  }

  std::string name_;                  // the name
  std::vector<ORV_WCHAR> wide_name_;  // the same, 16-bit, NUL-terminated
  ORV_HANDLE handle_ = nullptr;       // open while the printer exists
};

}  // namespace orv::testing

#endif  // ORVDB_TESTS_SUPPORT_TEST_PRINTER_H_
