// A query context that holds its own selectors, match strings and printer
// name, so that a test names only the settings it is about. A copy points at
// its own arrays; an empty array is passed as absent (a null pointer with
// count 0).
#ifndef ORVDB_TESTS_SUPPORT_QUERY_CONTEXT_H_
#define ORVDB_TESTS_SUPPORT_QUERY_CONTEXT_H_

#include <stdint.h>

#include <string>
#include <utility>
#include <vector>

#include "orvdb/orvdb.h"

namespace orv::testing {

// (selector index, value) pairs.
using SelectorValues = std::vector<std::pair<uint32_t, uint32_t>>;

class QueryContext {
 public:
  // `count` selectors, all 0 but the listed ones; the match strings as given.
  explicit QueryContext(uint32_t count = 0, const SelectorValues& values = {},
                        std::vector<const char*> strings = {})
      : selectors_(count, 0), strings_(std::move(strings)) {
    for (const auto& [index, value] : values) selectors_.at(index) = value;
    point();
  }
  // Exactly these selectors and match strings.
  static QueryContext of(std::vector<uint32_t> selectors, std::vector<const char*> strings = {}) {
    QueryContext c;
    c.selectors_ = std::move(selectors);
    c.strings_ = std::move(strings);
    c.point();
    return c;
  }
  QueryContext(const QueryContext& other)
      : ctx(other.ctx),
        selectors_(other.selectors_),
        strings_(other.strings_),
        printer_name_(other.printer_name_) {
    point();
  }
  QueryContext& operator=(const QueryContext& other) {
    ctx = other.ctx;
    selectors_ = other.selectors_;
    strings_ = other.strings_;
    printer_name_ = other.printer_name_;
    point();
    return *this;
  }

  // Sets selector `index` (which must lie within the array); returns the
  // context, so that settings chain.
  QueryContext& set(uint32_t index, uint32_t value) {
    selectors_.at(index) = value;
    return *this;
  }

  // Names the printer that the library opens for the call (pPrinterName).
  QueryContext& name_printer(const std::string& name) {
    printer_name_.assign(name.begin(), name.end());
    printer_name_.push_back(0);
    point();
    return *this;
  }

  // What the library is given. A test may set the printer fields, or change
  // the counts to hand the library less than the context holds.
  ORV_QUERY_CONTEXT ctx{};

 private:
  void point() {
    ctx.cSelectors = static_cast<uint32_t>(selectors_.size());
    ctx.pSelectors = selectors_.empty() ? nullptr : selectors_.data();
    ctx.cStrings = static_cast<uint32_t>(strings_.size());
    ctx.ppStrings = strings_.empty() ? nullptr : strings_.data();
    if (!printer_name_.empty()) ctx.pPrinterName = printer_name_.data();
  }

  std::vector<uint32_t> selectors_;
  std::vector<const char*> strings_;
  std::vector<ORV_WCHAR> printer_name_;  // NUL-terminated; empty: none named here
};

}  // namespace orv::testing

#endif  // ORVDB_TESTS_SUPPORT_QUERY_CONTEXT_H_
