// The Root domain's answers through the exported access function.
#include <gtest/gtest.h>

#include "query_test_util.h"

namespace orv::model::testing {
namespace {

Answer root(uint16_t id, const std::vector<uint32_t>& sel = {},
            const std::vector<const char*>& str = {}) {
  return ask(ORV_AccessRootDataBase, id, sel, str);
}

struct TextCase {
  uint16_t id;
  const char* text;
};

TEST(RootData, PlainTextIds) {
  const TextCase cases[] = {
      {0x0002, "1.50"},
      {0x0003, "vexfa01.dll"},
      {0x0010, "vexfa02.hlp"},
      {0x0013, "vexfa03.dll"},
      {0x0014, "vexfa04.dll"},
      {0x0018, "vexfa07.dll"},
      {0x0019, "Vexal QX Port Driver Zelpar11"},
      {0x001D, "vexfa06.ini"},
      {0x0023, "Vexal QXR-7310 Print Processor"},
      {0x0026, "vexfa08.dll"},
      {0x0027, "vexfa05.dll"},
  };
  for (const TextCase& c : cases) {
    SCOPED_TRACE(c.id);
    Answer a = root(c.id);
    ASSERT_EQ(a.rc, DB_OK);
    std::string expected = std::string(c.text) + '\0';
    EXPECT_EQ(a.needed, 2 * expected.size());
    EXPECT_EQ(a.text(), expected);
  }
}

TEST(RootData, PlainNumberIds) {
  const std::pair<uint16_t, int32_t> cases[] = {
      {0x0004, 1}, {0x0005, 102}, {0x0006, 103}, {0x0007, 102}, {0x0009, 0},
      {0x000C, 1}, {0x000D, 0},   {0x000E, 4},   {0x000F, 0},   {0x0011, 17603},
      {0x0021, 1}, {0x0022, 0},   {0x0024, 1},
  };
  for (const auto& [id, value] : cases) {
    SCOPED_TRACE(id);
    Answer a = root(id);
    ASSERT_EQ(a.rc, DB_OK);
    EXPECT_EQ(a.needed, 4u);
    EXPECT_EQ(a.numbers(), std::vector<int32_t>{value});
  }
}

TEST(RootData, UnlistedIdsHaveNoEntry) {
  for (uint16_t id : {0x0001, 0x000A, 0x000B, 0x0015, 0x0016, 0x0017, 0x001A, 0x001B, 0x001C,
                      0x001E, 0x001F, 0x0020, 0x0025, 0x0028, 0x0100, 0x0FFF}) {
    EXPECT_EQ(root(id).rc, DB_NO_ENTRY) << id;
  }
  EXPECT_EQ(root(0x1000).rc, DB_NOT_FOUND);
}

TEST(RootData, ShortBufferGetsTheSize) {
  ORV_QUERY_CONTEXT ctx{};
  uint8_t buf[10];
  uint32_t needed = 0;
  EXPECT_EQ(ORV_AccessRootDataBase(0x0002, &ctx, 9, buf, &needed), DB_MORE_DATA);
  EXPECT_EQ(needed, 10u);
  EXPECT_EQ(ORV_AccessRootDataBase(0x0002, &ctx, 10, buf, &needed), DB_OK);
  const uint8_t expected[10] = {'1', 0, '.', 0, '5', 0, '0', 0, 0, 0};
  EXPECT_EQ(memcmp(buf, expected, 10), 0);
}

TEST(RootData, ValueNamesByTag) {
  const std::pair<uint32_t, const char*> cases[] = {
      {1, "ZelUI_CustomPhotoDetect"},
      {11, "ZelUI_CustomEnableSealedPrintMode"},
      {12, "ZelUI_CustomEvenlyPrint"},
      {51, "ZelUI_InkDry"},
      {102, "ZelSLM_CartridgeDetectID"},
      {154, "ZelUI_SilentModeTime"},
      {156, "ZelUI_InkAlertEnable"},
      {201, "ZelSLM_SSR"},
      {212, "ZelSLM_CIL"},
      {223, "ZelSLM_CIR"},
      {301, "ZelSLM_DeviceID"},
      {311, "ZelSLM_CartridgeJobInfo"},
      {313, "ZelSLM_Version"},
      {326, "ZelSLM_LMStatusMagicNumber"},
      {327, "ZelSLM_DisplayDialog"},
      {402, "ZelUI_ManageablePrinter"},
      {406, "ZelUI_LanguageSelect"},
      {501, "ZelPP_Counter"},
      {504, "ZelPP_DupInfo"},
  };
  for (const auto& [tag, name] : cases) {
    SCOPED_TRACE(tag);
    Answer a = root(0x0008, {tag});
    ASSERT_EQ(a.rc, DB_OK);
    EXPECT_EQ(a.text(), std::string(name) + '\0');
  }
  EXPECT_EQ(root(0x0008, {154}).needed, 42u);
  EXPECT_EQ(root(0x0008, {11}).needed, 68u);
}

TEST(RootData, ValueNameTagsAreExactlyTheListed) {
  // 78 tags in all; 155, 312, 401 and 0 are gaps.
  int found = 0;
  for (uint32_t tag = 0; tag <= 600; ++tag) found += root(0x0008, {tag}).rc == DB_OK;
  EXPECT_EQ(found, 78);
  for (uint32_t tag : {0u, 155u, 312u, 401u, 0x10000u + 1})
    EXPECT_EQ(root(0x0008, {tag}).rc, DB_NOT_FOUND);
  EXPECT_EQ(root(0x0008).rc, DB_NO_SELECTOR);
}

TEST(RootData, ValueNamesByFieldCode) {
  const char* const codes[] = {"SSR", "SFA", "RDC", "RST", "TLN", "FEP", "BST", "ECH",
                               "PID", "TRB", "CHD", "CIL", "SPS", "OPT", "LVR", "MID",
                               "HCU", "DJS", "DBS", "DWS", "DOC", "DSC", "CIR"};
  uint32_t tag = 201;
  for (const char* code : codes) {
    SCOPED_TRACE(code);
    Answer a = root(0x0012, {}, {code});
    ASSERT_EQ(a.rc, DB_OK);
    EXPECT_EQ(a.needed, 22u);
    EXPECT_EQ(a.text(), std::string("ZelSLM_") + code + '\0');
    EXPECT_EQ(a.text(), root(0x0008, {tag++}).text());
  }
  for (const char* code : {"cir", "CIRX", "CI", "", "SC"})
    EXPECT_EQ(root(0x0012, {}, {code}).rc, DB_NOT_FOUND) << code;
  EXPECT_EQ(root(0x0012, {}, {nullptr}).rc, DB_NOT_FOUND);
  EXPECT_EQ(root(0x0012).rc, DB_NO_MATCH_STRING);
}

}  // namespace
}  // namespace orv::model::testing
