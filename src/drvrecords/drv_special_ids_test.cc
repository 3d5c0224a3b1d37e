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

}  // namespace
}  // namespace orv
