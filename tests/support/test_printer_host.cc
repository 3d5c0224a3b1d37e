// The test printer of the stand-in platform: a printer of its in-memory store.
#include <unistd.h>

#include <cstdio>

#include "orvdb/host_platform.h"
#include "support/test_printer.h"

namespace orv::testing {

bool TestPrinter::Create() {
  set_name("orvdb test printer " + std::to_string(getpid()));
  if (orv_host_add_printer(name_.c_str()) != 0) {
    std::fprintf(stderr, "orv_host_add_printer failed\n");
    return false;
  }
  handle_ = orv_host_open_printer(name_.c_str());
  return handle_ != nullptr;
}

// The store cannot forget one printer: the whole stand-in platform is reset.
void TestPrinter::Delete() {
  if (handle_ == nullptr) return;
  orv_host_close_printer(handle_);
  handle_ = nullptr;
  orv_host_reset();
}

bool TestPrinter::SetBytes(const std::string& value_name, const void* data, uint32_t size) {
  return orv_host_set_printer_data(name_.c_str(), value_name.c_str(), data, size) == 0;
}

bool TestPrinter::SetDword(const std::string& value_name, uint32_t data) {
  return SetBytes(value_name, &data, sizeof data);
}

}  // namespace orv::testing
