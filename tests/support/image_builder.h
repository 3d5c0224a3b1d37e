// Builds small data base images item by item, so that tests can reach every
// item kind, every error branch and every edge case of the engine.
#ifndef ORVDB_TESTS_SUPPORT_IMAGE_BUILDER_H_
#define ORVDB_TESTS_SUPPORT_IMAGE_BUILDER_H_

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/image.h"
#include "modelc/table_schema.h"

namespace orv::testing {

// The image's tables are those of the list of tables (items, root_ids,
// root_items, i32_pool, i16_pool, byte_pool, match_pool, ...), as vectors.
class ImageBuilder : public model::ImageTableStore {
 public:
  // Appends an item; returns its index.
  uint32_t add(uint8_t kind, uint32_t offset, uint16_t tag, uint16_t count);
  // Appends an item with a whole 32-bit word 1 (cases, masks).
  uint32_t add_raw(uint8_t kind, uint32_t offset, uint32_t word1);
  // Reserves `n` consecutive items (filled later with set); returns the first index.
  uint32_t reserve(uint32_t n);
  void set(uint32_t index, uint8_t kind, uint32_t offset, uint16_t tag, uint16_t count);
  void set_raw(uint32_t index, uint8_t kind, uint32_t offset, uint32_t word1);

  // Pool appenders; each returns the offset of the first element added.
  uint32_t bytes(const std::vector<uint8_t>& values);
  uint32_t text(const std::string& s, bool with_nul = true);
  uint32_t i16(const std::vector<uint16_t>& values);
  uint32_t i32(const std::vector<int32_t>& values);
  uint32_t match(const std::string& s);

  // Leaf helpers over the pools; each returns the new item's index.
  uint32_t string_leaf(uint16_t id, const std::string& s);
  uint32_t bytes_leaf(uint16_t id, const std::vector<uint8_t>& values);
  uint32_t int8_leaf(uint16_t id, const std::vector<int8_t>& values);
  uint32_t uint8_leaf(uint16_t id, const std::vector<uint8_t>& values);
  uint32_t int16_leaf(uint16_t id, const std::vector<int16_t>& values);
  uint32_t uint16_leaf(uint16_t id, const std::vector<uint16_t>& values);
  uint32_t int32_leaf(uint16_t id, const std::vector<int32_t>& values);
  uint32_t computed_leaf(uint16_t id, uint16_t function);

  // A switch on `selector` whose cases, (value, target item) pairs, lead to
  // items added before; returns the switch's index.
  uint32_t selector_switch(uint16_t selector,
                           const std::vector<std::pair<uint32_t, uint32_t>>& cases);
  // Root `id`: a chain of `depth` sequences, each the only child of the one
  // before, ending in a leaf of `id`; returns the first sequence's index.
  uint32_t sequence_chain(uint16_t id, int depth);

  // Adds a root slot.
  void root(uint16_t id, uint32_t item);

  // The image over the builder's tables; valid while the builder lives and is unchanged.
  Image image() const;

  const DrvTables* drv_tables = nullptr;  // the image's Drv tables; may be null
};

}  // namespace orv::testing

#endif  // ORVDB_TESTS_SUPPORT_IMAGE_BUILDER_H_
