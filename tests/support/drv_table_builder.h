// The Drv tables of a hand-built image, filled entry by entry: a selector
// with its values and their identifiers, a command sequence with its
// fragment items. Other tables (mode rows and parts) are the store's
// vectors, set as they are; a test may also change any vector to spoil the
// tables.
#ifndef ORVDB_TESTS_SUPPORT_DRV_TABLE_BUILDER_H_
#define ORVDB_TESTS_SUPPORT_DRV_TABLE_BUILDER_H_

#include <stdint.h>

#include <utility>
#include <vector>

#include "drvrecords/drv_tables.h"
#include "modelc/table_schema.h"

namespace orv::testing {

class DrvTableBuilder : public model::DrvTableStore {
 public:
  // Adds selector `index` with its values, each with its value identifier.
  void selector(uint16_t index, const std::vector<std::pair<uint16_t, uint32_t>>& values) {
    sel_indices.push_back(index);
    sel_value_counts.push_back(static_cast<uint16_t>(values.size()));
    sel_first.push_back(static_cast<uint32_t>(sel_values.size()));
    for (const auto& [value, id] : values) {
      sel_values.push_back(value);
      sel_value_ids.push_back(id);
    }
  }
  // Adds command sequence `id` of the given fragment items.
  void sequence(uint16_t id, const std::vector<uint32_t>& fragments) {
    seq_ids.push_back(id);
    seq_fragment_counts.push_back(static_cast<uint16_t>(fragments.size()));
    seq_first.push_back(static_cast<uint32_t>(seq_fragments.size()));
    seq_fragments.insert(seq_fragments.end(), fragments.begin(), fragments.end());
  }
  // The tables over the vectors, an empty one absent; valid while the
  // builder lives and no vector grows.
  DrvTables tables() const { return model::view_of<DrvTables>(*this); }
};

}  // namespace orv::testing

#endif  // ORVDB_TESTS_SUPPORT_DRV_TABLE_BUILDER_H_
