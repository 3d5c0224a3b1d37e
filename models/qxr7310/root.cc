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
  m.answer({0x0002, "version text of the package"}, str("1.50"));
  m.answer({0x0003, kCompanion}, str("vexfa01.dll"));
  m.answer({0x0004, kConstant}, int8({1}));
  m.answer({0x0005, kConstant}, int8({102}));
  m.answer({0x0006, kConstant}, int8({103}));
  m.answer({0x0007, kConstant}, int8({102}));

  std::vector<Node> by_tag;
  for (const TaggedName& t : kNamesBeforeFields) by_tag.push_back(case_(t.tag, str(t.name)));
  uint32_t tag = kFirstFieldTag;
  for (const char* code : kFieldCodes) by_tag.push_back(case_(tag++, str(field_name(code))));
  for (const TaggedName& t : kNamesAfterFields) by_tag.push_back(case_(t.tag, str(t.name)));
  m.answer({kValueNameId, "name of a printer configuration value, by tag (selector 0)"},
           switch_sel(0, by_tag));

  m.answer({0x0009, kConstant}, int8({0}));
  m.answer({0x000C, kConstant}, int8({1}));
  m.answer({0x000D, kConstant}, int8({0}));
  m.answer({0x000E, kConstant}, int8({4}));
  m.answer({0x000F, kConstant}, int8({0}));
  m.answer({0x0010, "file name of the package's help file"}, str("vexfa02.hlp"));
  m.answer({0x0011, kConstant}, int16({17603}));

  std::vector<Node> by_code;
  for (const char* code : kFieldCodes) by_code.push_back(case_str(code, str(field_name(code))));
  m.answer({0x0012,
            "name of a printer configuration value, by three-letter field code (match string 0)"},
           switch_str(0, by_code));

  m.answer({0x0013, kCompanion}, str("vexfa03.dll"));
  m.answer({0x0014, kCompanion}, str("vexfa04.dll"));
  m.answer({0x0018, kCompanion}, str("vexfa07.dll"));
  m.answer({0x0019, "name of the package's port driver"}, str("Vexal QX Port Driver Zelpar11"));
  m.answer({0x001D, "file name of the package's settings file"}, str("vexfa06.ini"));
  m.answer({0x0021, kConstant}, int8({1}));
  m.answer({0x0022, kConstant}, int8({0}));
  m.answer({0x0023, "name of the model's print processor"}, str("Vexal QXR-7310 Print Processor"));
  m.answer({0x0024, kConstant}, int8({1}));
  m.answer({0x0026, kCompanion}, str("vexfa08.dll"));
  m.answer({0x0027, kCompanion}, str("vexfa05.dll"));
}

}  // namespace orv::model
