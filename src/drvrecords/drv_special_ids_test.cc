#include "drvrecords/drv_special_ids.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

// The index finds every row by its id and nothing for any other id.
TEST(DrvSpecialIdsTest, EveryIdFindsItsOwnRowAndNoOther) {
  uint32_t found = 0;
  for (uint32_t id = 0; id <= 0xFFFF; ++id) {
    const DrvSpecialId* row = find_drv_special_id(static_cast<uint16_t>(id));
    if (row == nullptr) continue;
    ++found;
    EXPECT_EQ(row->id, id);
  }
  EXPECT_EQ(found, kDrvSpecialIdCount);
  for (const DrvSpecialId& row : kDrvSpecialIds) EXPECT_EQ(find_drv_special_id(row.id), &row);
}

// The ids the handler answers by code of its own, and the ordinary ids
// around and between them.
TEST(DrvSpecialIdsTest, SpecialIdsAreExactlyTheHandlersOwn) {
  for (uint16_t id = 0x100C; id <= 0x101E; ++id) {
    EXPECT_EQ(find_drv_special_id(id) != nullptr, id != 0x1015) << id;
  }
  for (uint16_t id : {0x104D, 0x104E, 0x1051, 0x1054}) EXPECT_NE(find_drv_special_id(id), nullptr);
  for (uint16_t id :
       {0x0000, 0x1001, 0x100B, 0x101F, 0x104C, 0x104F, 0x1050, 0x1052, 0x1053, 0x1055, 0xFFFF}) {
    EXPECT_EQ(find_drv_special_id(id), nullptr) << id;
  }
}

// Each rule the rows must agree on, broken in one row of a sound pair: the
// check refuses every one, and takes the sound pair as it is.
TEST(DrvSpecialIdsTest, ConsistencyRefusesEachBrokenRule) {
  // A list that looks attr2 up with selector 28 set, and a command sequence.
  const DrvSpecialId lookup = {
      0x1010, DrvPath::kStoredList, 28, 28, {kNoId, 0x500E, kNoId}, kNoId, kNoId, false, 29};
  const DrvSpecialId sequence = {0x1018,
                                 DrvPath::kCommandSequence,
                                 kNoSelector,
                                 kNoSelector,
                                 {kNoId, kNoId, kNoId},
                                 kNoId,
                                 kNoId,
                                 false,
                                 0};
  struct Broken {
    const char* rule;
    void (*breaks)(DrvSpecialId* row, DrvSpecialId* other);
  };
  const Broken cases[] = {
      {"two rows for one id", [](DrvSpecialId* r, DrvSpecialId* o) { o->id = r->id; }},
      {"the set selector not demanded",
       [](DrvSpecialId* r, DrvSpecialId*) { r->min_selectors = 28; }},
      {"selectors demanded without lookups",
       [](DrvSpecialId*, DrvSpecialId* o) { o->min_selectors = 1; }},
      {"a selector beyond the scratch context",
       [](DrvSpecialId* r, DrvSpecialId*) {
         r->attr_selector = kScratchCapacities[kAttributeScratch].selectors;
         r->min_selectors = static_cast<uint8_t>(r->attr_selector + 1);
       }},
      {"a full list without its selector",
       [](DrvSpecialId* r, DrvSpecialId*) {
         r->path = DrvPath::kFullList;
         r->key_selector = kNoSelector;
       }},
      {"attr3 both looked up and compared",
       [](DrvSpecialId* r, DrvSpecialId*) {
         r->attr_ids[2] = 0x500B;
         r->compared_list = 0x1010;
       }},
      {"a required marker that is missing",
       [](DrvSpecialId* r, DrvSpecialId*) { r->marker_required = true; }},
      {"a selector set with nothing to look up",
       [](DrvSpecialId* r, DrvSpecialId*) { r->attr_ids[1] = kNoId; }},
      {"lookups without a selector to set",
       [](DrvSpecialId*, DrvSpecialId* o) { o->attr_ids[0] = 0x5006; }},
      {"records filled on another path",
       [](DrvSpecialId*, DrvSpecialId* o) { o->marker = 0x5005; }},
  };
  const DrvSpecialId sound[] = {lookup, sequence};
  EXPECT_TRUE(drv_special_ids_consistent(sound, 2));
  for (const Broken& c : cases) {
    DrvSpecialId rows[] = {lookup, sequence};
    c.breaks(&rows[0], &rows[1]);
    EXPECT_FALSE(drv_special_ids_consistent(rows, 2)) << c.rule;
  }
}

}  // namespace
}  // namespace orv
