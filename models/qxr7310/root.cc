// Root domain: the package's version text, companion file names, the names
// of the port driver and print processor, small integers, and the names of
// the printer configuration values by tag (the value-name id) and by three-letter
// field code (id 0x0012).
#include "domains.h"
#include "engine/image.h"
#include "modelc/description.h"

namespace orv::model {
namespace {

// A value name and the tag that selects it under the value-name id.
struct TaggedName {
  uint32_t tag;      // selector 0
  const char* name;  // printer configuration value name
};

// Tags 201-223 are the field codes of id 0x0012; their names are
// "ZelSLM_" and the code.
constexpr const char* kFieldCodes[] = {"SSR", "SFA", "RDC", "RST", "TLN", "FEP", "BST", "ECH",
                                       "PID", "TRB", "CHD", "CIL", "SPS", "OPT", "LVR", "MID",
                                       "HCU", "DJS", "DBS", "DWS", "DOC", "DSC", "CIR"};
constexpr uint32_t kFirstFieldTag = 201;

// The names of the other tags, in case order (field-code tags go between 156 and 301).
constexpr TaggedName kNamesBeforeFields[] = {
    {1, "ZelUI_CustomPhotoDetect"},
    {2, "ZelUI_CustomECPMode"},
    {3, "ZelUI_CustomPausePage"},
    {4, "ZelUI_CustomPauseScan"},
    {5, "ZelUI_CustomPHAAfter"},
    {6, "ZelUI_CustomManualPHA"},
    {7, "ZelUI_CustomCleanAfter"},
    {8, "ZelUI_CustomEconomyClean"},
    {9, "ZelUI_CustomInkOutDetect"},
    {10, "ZelUI_CustomPreventTrans"},
    {11, "ZelUI_CustomEnableSealedPrintMode"},
    {12, "ZelUI_CustomEvenlyPrint"},
    {51, "ZelUI_InkDry"},
    {101, "ZelSLM_CHDID"},
    {102, "ZelSLM_CartridgeDetectID"},
    {151, "ZelUI_AutoPowerOn"},
    {152, "ZelUI_AutoPowerOff"},
    {153, "ZelUI_SilentModeEnable"},
    {154, "ZelUI_SilentModeTime"},
    {156, "ZelUI_InkAlertEnable"},
};
constexpr TaggedName kNamesAfterFields[] = {
    {301, "ZelSLM_DeviceID"},
    {302, "ZelSLM_Status"},
    {303, "ZelSLM_UserName"},
    {304, "ZelSLM_PaperSource"},
    {305, "ZelSLM_JobId"},
    {306, "ZelSLM_Page"},
    {307, "ZelSLM_Notify"},
    {308, "ZelSLM_ECP"},
    {309, "ZelSLM_BSCCStatus"},
    {310, "ZelSLM_TimeLastUpdated"},
    {311, "ZelSLM_CartridgeJobInfo"},
    {313, "ZelSLM_Version"},
    {314, "ZelSLM_LMStatusType"},
    {315, "ZelSLM_LMStatusNoofParam"},
    {316, "ZelSLM_LMStatusParam1"},
    {317, "ZelSLM_LMStatusParam2"},
    {318, "ZelSLM_LMStatusParam3"},
    {319, "ZelSLM_LMStatusParam4"},
    {320, "ZelSLM_LMStatusParam5"},
    {321, "ZelSLM_Bidirection"},
    {322, "ZelSLM_AllowCancel"},
    {323, "ZelSLM_WriteError"},
    {324, "ZelSLM_DifferentPrinter"},
    {325, "ZelSLM_StatusInfo"},
    {326, "ZelSLM_LMStatusMagicNumber"},
    {327, "ZelSLM_DisplayDialog"},
    {402, "ZelUI_ManageablePrinter"},
    {403, "ZelUI_ShipmentPlace"},
    {404, "ZelUI_LanguageDefault"},
    {405, "ZelUI_LanguageCurrent"},
    {406, "ZelUI_LanguageSelect"},
    {501, "ZelPP_Counter"},
    {502, "ZelPP_LMCheck"},
    {503, "ZelPP_TurnPage"},
    {504, "ZelPP_DupInfo"},
};

std::string field_name(const char* code) { return std::string("ZelSLM_") + code; }

}  // namespace

void describe_root(Model& m) {
  m.root({0x0002}, str(0x0002, "1.50"));
  m.root({0x0003}, str(0x0003, "vexfa01.dll"));
  m.root({0x0004}, int8(0x0004, {1}));
  m.root({0x0005}, int8(0x0005, {102}));
  m.root({0x0006}, int8(0x0006, {103}));
  m.root({0x0007}, int8(0x0007, {102}));

  std::vector<Node> by_tag;
  for (const TaggedName& t : kNamesBeforeFields)
    by_tag.push_back(case_(t.tag, str(kValueNameId, t.name)));
  uint32_t tag = kFirstFieldTag;
  for (const char* code : kFieldCodes)
    by_tag.push_back(case_(tag++, str(kValueNameId, field_name(code))));
  for (const TaggedName& t : kNamesAfterFields)
    by_tag.push_back(case_(t.tag, str(kValueNameId, t.name)));
  m.root({kValueNameId}, switch_sel(0, by_tag));

  m.root({0x0009}, int8(0x0009, {0}));
  m.root({0x000C}, int8(0x000C, {1}));
  m.root({0x000D}, int8(0x000D, {0}));
  m.root({0x000E}, int8(0x000E, {4}));
  m.root({0x000F}, int8(0x000F, {0}));
  m.root({0x0010}, str(0x0010, "vexfa02.hlp"));
  m.root({0x0011}, int16(0x0011, {17603}));

  std::vector<Node> by_code;
  for (const char* code : kFieldCodes)
    by_code.push_back(case_str(code, str(0x0012, field_name(code))));
  m.root({0x0012}, switch_str(0, by_code));

  m.root({0x0013}, str(0x0013, "vexfa03.dll"));
  m.root({0x0014}, str(0x0014, "vexfa04.dll"));
  m.root({0x0018}, str(0x0018, "vexfa07.dll"));
  m.root({0x0019}, str(0x0019, "Vexal QX Port Driver Zelpar11"));
  m.root({0x001D}, str(0x001D, "vexfa06.ini"));
  m.root({0x0021}, int8(0x0021, {1}));
  m.root({0x0022}, int8(0x0022, {0}));
  m.root({0x0023}, str(0x0023, "Vexal QXR-7310 Print Processor"));
  m.root({0x0024}, int8(0x0024, {1}));
  m.root({0x0026}, str(0x0026, "vexfa08.dll"));
  m.root({0x0027}, str(0x0027, "vexfa05.dll"));
}

}  // namespace orv::model
