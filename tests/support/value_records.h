// Value records held to what a test expects of them, a column per field,
// so that a test states only the fields its list fills.
#ifndef ORVDB_TESTS_SUPPORT_VALUE_RECORDS_H_
#define ORVDB_TESTS_SUPPORT_VALUE_RECORDS_H_

#include <gtest/gtest.h>
#include <stdint.h>

#include <vector>

namespace orv::testing {

// The expected fields of each record, in record order; an empty column is
// not checked. Fields are compared as signed 32-bit numbers.
struct RecordColumns {
  std::vector<int32_t> value{}, attr1{}, attr2{}, attr3{}, mark{};
};

// `Record` has the value record's five 32-bit fields (ORV_VALUE_RECORD, or a
// test's own struct of that layout); there are as many records as each
// checked column has entries.
template <typename Record>
void expect_records(const std::vector<Record>& got, const RecordColumns& want) {
  const struct {
    const char* name;
    const std::vector<int32_t>& column;
    int32_t (*field)(const Record&);
  } fields[] = {
      {"value", want.value, [](const Record& r) { return static_cast<int32_t>(r.value); }},
      {"attr1", want.attr1, [](const Record& r) { return static_cast<int32_t>(r.attr1); }},
      {"attr2", want.attr2, [](const Record& r) { return static_cast<int32_t>(r.attr2); }},
      {"attr3", want.attr3, [](const Record& r) { return static_cast<int32_t>(r.attr3); }},
      {"mark", want.mark, [](const Record& r) { return static_cast<int32_t>(r.mark); }},
  };
  for (const auto& f : fields) {
    if (f.column.empty()) continue;
    ASSERT_EQ(got.size(), f.column.size()) << "records, by the " << f.name << " column";
    for (size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(f.field(got[i]), f.column[i]) << f.name << " of record " << i;
    }
  }
}

}  // namespace orv::testing

#endif  // ORVDB_TESTS_SUPPORT_VALUE_RECORDS_H_
