// The orvdb tool end to end: answers checked against the model's known
// values, exit statuses, error messages, JSON and CSV read back, and golden
// outputs of every subcommand (rewritten only by `ninja update_tool_golden`).
#include <errno.h>
#include <gtest/gtest.h>

#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

#include "explain.h"
#include "query_setup.h"
#include "support/files.h"
#include "support/query_context.h"
#include "tool_test_util.h"

namespace orvtool {
namespace {

// Answers the model is known to give, with their exit statuses.
struct Known {
  const char* args;    // command line after "orvdb"
  int status;          // exit status
  const char* output;  // standard output
};
const Known kKnown[] = {
    {"query root 2", 0, "1.50\n"},
    {"query root 0x0019", 0, "Vexal QX Port Driver Zelpar11\n"},
    {"query root 8 -s 0=1", 0, "ZelUI_CustomPhotoDetect\n"},
    {"query root 8 -s 0=154", 0, "ZelUI_SilentModeTime\n"},
    {"query root 0x12 -m 0=SSR", 0, "ZelSLM_SSR\n"},
    {"query root 8 -s 0=155", 1, "DB_NOT_FOUND\n"},
    {"query root 1", 1, "DB_NO_ENTRY\n"},
    {"query drv 0x1003 -s 28=9", 0, "21000 29700\n"},
    {"query drv 4101", 0, "29700 59420\n"},
    {"query drv 0x1043", 0, "-2\n"},
    {"query drv 0x101F", 0, "vexfa15.icm\n"},
    {"query drv 0x1008 -s 4=1 -s 9=0 -s 5=261 -s 81=0 -s 8=5 -s 6=1", 0, "180 180\n"},
    {"query drv 0x1008 -s 4=1 -s 9=0 -s 5=261 -s 81=0 -s 8=3 -s 6=1", 1, "DB_NOT_FOUND\n"},
    {"query drv 0x1008 --selectors 50 -s 4=1 -s 9=0 -s 5=1", 3, "DB_NO_SELECTOR\n"},
    {"query lm 0x2001 -m 1=BK -s 0=16 -s 1=0x10000", 0, "1 5010 5312 5313 10101\n"},
    {"query lm 0x2001 -m 1=SC -s 0=17 -s 1=0x90000", 0, "1 5010 5317 5320 10101\n"},
    {"query lm 0x2001 -m 1=NO --selectors 0", 0, "1 5011 0 0 10101\n"},
    {"query lm 0x2007", 0, "255 16711680 65535 -1 -1\n"},
    {"query lm 0x2004", 0, "133\n"},
    {"query lm 0x2009 -m 0=QXR-7310", 0, "1\n"},
    {"query lm 0x2009 -m 0=qxr-7310", 0, "0\n"},
    {"query lm 0x2012 -s 2=0x7711", 0, "1\n"},
    {"query lm 0x2036 -s 10=81", 0, "2\n"},
    {"query mnt 0x3007", 0, "0 1 10 30 60\n"},
    {"query mnt 0x300B -s 0=100", 0, "40 43 6C 65 61 6E 69 6E 67 3D 31\ntext: \"@Cleaning=1\"\n"},
    {"query mnt 0x300B -s 0=1000", 1, "DB_NOT_FOUND\n"},
    {"query pa 0x4002 -s 0=4", 0, "1 2051\n"},
    {"query pa 0x4005 -s 0=2 -s 1=277", 0, "3 21073 17046 2 21072 17045\n"},
    {"query pa 0x4007 -s 0=4 -s 1=263 -s 2=1", 0, "9 1\n"},
    {"query pa 0x4004 --selectors 1 -s 0=1", 3, "DB_NO_SELECTOR\n"},
    {"query sm 0x6011", 0, "7082\n"},
    {"query sm 0x600D", 0, "0\n"},
};

TEST(Tool, KnownAnswersAndExitStatuses) {
  for (const Known& k : kKnown) {
    ToolRun r = tool(words(k.args));
    EXPECT_EQ(r.status, k.status) << k.args << "\n" << r.err;
    EXPECT_EQ(r.out, k.output) << k.args;
    EXPECT_EQ(r.err, "") << k.args;
  }
}

TEST(Tool, JsonAnswersParseBack) {
  ToolRun r = tool({"query", "drv", "0x1003", "-s", "28=9", "--json"});
  ASSERT_EQ(r.status, 0);
  nlohmann::json j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["id"], 0x1003);
  EXPECT_EQ(j["context"]["selectors"].size(), 29u);  // 0 to 28, the highest it reads
  EXPECT_EQ(j["context"]["selectors"]["28"], 9);
  EXPECT_EQ(j["answer"]["result"], "DB_OK");
  EXPECT_EQ(j["answer"]["size"], 8);
  EXPECT_EQ(j["answer"]["value"], nlohmann::json({21000, 29700}));

  r = tool({"query", "root", "0x23", "--json", "--printer", "p", "--printer-data", "ZelUI_InkDry=7",
            "--clock", "20240229235959", "--country", "49"});
  j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["answer"]["value"], "Vexal QXR-7310 Print Processor");
  EXPECT_EQ(j["answer"]["size"], 62);
  EXPECT_EQ(j["context"]["printer"],
            nlohmann::json({{"name", "p"}, {"values", {{"ZelUI_InkDry", 7}}}}));
  EXPECT_EQ(j["context"]["country"], 49);
  EXPECT_EQ(j["context"]["clock"], "2024-02-29 23:59:59");
  EXPECT_EQ(j["context"]["clock_fixed"], true);

  // Bytes carry their hex and, when printable, their text.
  r = tool({"query", "mnt", "0x300B", "-s", "0=100", "--json"});
  j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["answer"]["value"],
            nlohmann::json({{"hex", "40 43 6C 65 61 6E 69 6E 67 3D 31"}, {"text", "@Cleaning=1"}}));

  r = tool({"query", "mnt", "0x300B", "-s", "0=1000", "--json"});
  EXPECT_EQ(r.status, 1);
  j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["answer"]["result"], "DB_NOT_FOUND");
  EXPECT_EQ(j["answer"]["code"], 1);
}

TEST(Tool, SweepCsvAndJsonHoldTheWholeAnswerSpace) {
  // 0x200F by match string 1: BK 2, CL/VC 1, LD/VL 3, NO 23, PB 24, SC 20, UK 22, else 21.
  ToolRun r = tool({"sweep", "lm", "0x200F", "--csv"});
  ASSERT_EQ(r.status, 0) << r.err;
  auto csv = read_csv(r.out);
  ASSERT_TRUE(csv) << r.out;
  EXPECT_EQ((*csv)[0], (std::vector<std::string>{"m1", "result", "answer"}));
  std::map<std::string, std::string> answer;
  for (size_t k = 1; k < csv->size(); ++k) answer[(*csv)[k][0]] = (*csv)[k][2];
  std::map<std::string, std::string> want = {{"BK", "2"},  {"CL", "1"},  {"VC", "1"},  {"LD", "3"},
                                             {"VL", "3"},  {"NO", "23"}, {"PB", "24"}, {"SC", "20"},
                                             {"UK", "22"}, {"", "21"}};
  EXPECT_EQ(answer, want);

  // 0x4002 by selector 0 (cases 1 to 4, no default).
  r = tool({"sweep", "pa", "0x4002", "--json"});
  nlohmann::json j = nlohmann::json::parse(r.out);
  ASSERT_EQ(j["rows"].size(), 5u);
  EXPECT_EQ(j["count"], 5);
  EXPECT_EQ(j["rows"][3]["combination"]["selectors"]["0"], 4);
  EXPECT_EQ(j["rows"][3]["answer"]["value"], nlohmann::json({1, 2051}));
  EXPECT_EQ(j["rows"][4]["answer"]["result"], "DB_NOT_FOUND");
  // JSON Lines: the same rows, one object a line between a head and an end.
  r = tool({"sweep", "pa", "0x4002", "--json-lines"});
  std::istringstream lines(r.out);
  std::vector<nlohmann::json> objects;
  for (std::string line; std::getline(lines, line);) objects.push_back(nlohmann::json::parse(line));
  ASSERT_EQ(objects.size(), 7u);
  EXPECT_EQ(objects.front()["sweep"]["id"], 0x4002);
  EXPECT_EQ(objects.back()["end"]["count"], 5);
  for (size_t k = 0; k < 5; ++k) EXPECT_EQ(objects[k + 1]["row"], j["rows"][k]) << k;
}

// Every text answer of the value names, read back from its CSV cell with an
// RFC 4180 reader, is the text the plain query prints.
TEST(Tool, CsvTextAnswersReadBackAsThePlainAnswer) {
  ToolRun r = tool({"sweep", "root", "0x0008", "--csv"});
  ASSERT_EQ(r.status, 0) << r.err;
  auto csv = read_csv(r.out);
  ASSERT_TRUE(csv) << "not RFC 4180 CSV:\n" << r.out;
  ASSERT_EQ((*csv)[0], (std::vector<std::string>{"s0", "result", "answer"}));
  size_t texts = 0;
  for (size_t k = 1; k < csv->size(); ++k) {
    const std::vector<std::string>& row = (*csv)[k];
    ToolRun plain = tool({"query", "root", "0x0008", "-s", "0=" + row[0]});
    if (row[1] != "DB_OK") {
      EXPECT_EQ(plain.out, row[1] + "\n");
      continue;
    }
    EXPECT_EQ(row[2] + "\n", plain.out) << "s0=" << row[0];
    ++texts;
  }
  EXPECT_GT(texts, 50u);
}

// What a sweep holds fixed is on its first line: the clock, and the
// selectors only computed items read (the user-defined size's width and
// length, 29 and 30, for the printable area of Drv 0x1004; the option-bits
// command's quantity, 80, and the option bits themselves, 79, of which the
// tree tells only bit 23 apart, for command sequence 0x1018).
TEST(Tool, SweepNamesWhatItHoldsFixedOnItsFirstLine) {
  struct Case {
    const char* args;   // command line
    const char* first;  // the first line of the output
  };
  const Case cases[] = {
      {"sweep drv 0x1004",
       "held fixed: clock 2026-12-06 18:44:29; selectors 29 30 at 0 where only computed items "
       "read them"},
      {"sweep drv 0x1018",
       "held fixed: clock 2026-12-06 18:44:29; selector 80 at 0 where only computed items read "
       "it; selector 79 only at the values the trees tell apart, though computed items read it "
       "whole"},
      {"sweep drv 0x1003", "held fixed: clock 2026-12-06 18:44:29"},
  };
  for (const Case& c : cases) {
    ToolRun r = tool(words(c.args));
    EXPECT_EQ(r.status, 0) << c.args;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), c.first) << c.args;
  }
}

TEST(Tool, BadInputGetsOneLineErrorAndStatus2) {
  struct Bad {
    const char* args;     // command line
    const char* message;  // expected part of the error line
  };
  const Bad bad[] = {
      {"query xx 1", "unknown domain 'xx'"},
      {"query drv 0x2001", "id 0x2001 is outside the Drv range 0x1001-0x1FFF"},
      {"query root 0x10000", "out of range"},
      {"query root 12z", "id '12z' is not a number"},
      {"query drv 0x1003 -s 28=nine", "value of selector 28 'nine' is not a number"},
      {"query drv 0x1003 -s 30=1", "selector 30 is never read by Drv 0x1003 (it reads: 28)"},
      {"query drv 0x1003 -s 28", "-s '28': expected INDEX=VALUE"},
      {"query drv 0x1003 --selectors 10 -s 28=9", "selector 28 lies beyond --selectors 10"},
      {"query root 2 -m 0=x", "match string 0 is never read by Root 0x0002"},
      {"query root 2 --printer p --printer-data ZelUI_InkDry=yes",
       "--printer-data value 'yes' is not a number"},
      {"query root 2 --printer-data ZelUI_InkDry=1", "needs --printer"},
      {"query root 2 --clock 20241301000000", "--clock '20241301000000': not a valid date"},
      {"query root 2 --clock 2024", "expected 14 digits"},
      {"query root 2 --country one", "--country 'one' is not a number"},
      {"query", "DOMAIN is required"},
      {"frobnicate", "unknown subcommand 'frobnicate'"},
      {"sweep pa 0x4002 --csv --json", "excludes"},
      {"ids zz", "unknown domain 'zz' (expected one of: root, drv, lm, mnt, pa, sm)"},
      // Arguments as users expect them.
      {"query root 2 --foo --bar baz", "query: not expected: --foo --bar baz"},
      {"query drv 0x1003 -s 28=9 -s 28=8", "selector 28 is given twice (-s 28=8)"},
      {"query lm 0x2001 -m 1=BK -m 1=SC", "match string 1 is given twice (-m 1=SC)"},
      {"query root 2 --printer p --printer-data A=1 --printer-data a=2",
       "printer value a is given twice (--printer-data a=2)"},
      {"query root 2 --clock 20240101000000 --clock 20240101000001", "--clock"},
      {"",
       "a subcommand is required (one of: query, explain, ids, dump, check, sweep, "
       "reference, diff)"},
  };
  for (const Bad& b : bad) {
    ToolRun r = tool(words(b.args));
    EXPECT_EQ(r.status, 2) << b.args;
    EXPECT_EQ(r.out, "") << b.args;
    EXPECT_NE(r.err.find(b.message), std::string::npos) << b.args << ": " << r.err;
    EXPECT_EQ(r.err.rfind(ORVDB_TOOL_NAME ": error: ", 0), 0u) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
}

// An id that does not exist ends every subcommand that takes an id with
// status 1, as a query of it does.
TEST(Tool, AnIdThatDoesNotExistExitsOneEverywhere) {
  for (const char* args : {"query drv 0x1FFF", "explain drv 0x1FFF", "sweep drv 0x1FFF",
                           "dump 0x1FFF", "query root 0x0FFF", "sweep sm 0x6FFF"}) {
    ToolRun r = tool(words(args));
    EXPECT_EQ(r.status, 1) << args << "\n" << r.out << r.err;
  }
}

// A stream that cannot be written ends the run with status 4 and one line
// naming the system's error; a closed pipe (EPIPE) ends it quietly.
TEST(Tool, OutputThatCannotBeWrittenIsAnError) {
  struct Failing : std::streambuf {
    int error;  // the errno it throws with, or 0 to fail without throwing
    explicit Failing(int e) : error(e) {}
    int_type overflow(int_type) override {
      if (error != 0) throw OutputError(error);
      return traits_type::eof();
    }
  };
  const struct {
    int error;            // what the stream fails with
    const char* message;  // the line on standard error, empty for none
  } cases[] = {
      {ENOSPC, ORVDB_TOOL_NAME ": error: cannot write the output: No space left on device\n"},
      {EIO, ORVDB_TOOL_NAME ": error: cannot write the output: Input/output error\n"},
      {EPIPE, ""},
      {0, ORVDB_TOOL_NAME ": error: cannot write the output: the stream failed\n"},
  };
  for (const auto& c : cases) {
    Failing buffer(c.error);
    std::ostream out(&buffer);
    out.exceptions(c.error != 0 ? std::ios::badbit : std::ios::goodbit);
    std::ostringstream err;
    EXPECT_EQ(run_tool(ORVDB_TOOL_NAME, {"dump"}, out, err), 4) << c.error;
    EXPECT_EQ(err.str(), c.message);
  }
}

// --version, the help's exit statuses and its plain positionals.
TEST(Tool, HelpAndVersionSayWhatUsersLookFor) {
  ToolRun version = tool({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_TRUE(
      std::regex_match(version.out, std::regex(ORVDB_TOOL_NAME R"( \d+\.\d+\.\d+ \(QXR-7310\)\n)")))
      << version.out;
  for (const char* sub : {"", "query", "sweep", "diff"}) {
    ToolRun help =
        tool(sub[0] ? std::vector<std::string>{sub, "--help"} : std::vector<std::string>{"--help"});
    for (const ExitStatusMeaning& e : kExitStatuses) {
      EXPECT_NE(help.out.find("  " + std::to_string(e.status) + "  " + e.meaning),
                std::string::npos)
          << sub << " " << e.status;
    }
  }
  ToolRun diff = tool({"diff", "--help"});
  EXPECT_NE(diff.out.find("Usage: " ORVDB_TOOL_NAME " diff [OPTIONS] OLD [NEW]\n"),
            std::string::npos)
      << diff.out;
  EXPECT_NE(diff.out.find("\n  OLD REQUIRED "), std::string::npos) << diff.out;
  EXPECT_EQ(diff.out.find("(1x)"), std::string::npos) << diff.out;
}

TEST(Tool, CheckFindsTheImageSound) {
  ToolRun r = tool({"check"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("roots 145\n"), std::string::npos);
  EXPECT_NE(r.out.find("i32 pool 5\n"), std::string::npos);
  EXPECT_NE(r.out.find("image sound\n"), std::string::npos);
}

TEST(Tool, EverySubcommandHasHelp) {
  for (const char* sub : {"query", "explain", "ids", "dump", "check", "sweep"}) {
    ToolRun r = tool({sub, "--help"});
    EXPECT_EQ(r.status, 0) << sub;
    EXPECT_NE(r.out.find(sub), std::string::npos) << sub;
  }
}

// Golden outputs: the exact text of a few runs of every subcommand.
struct Golden {
  const char* name;  // file name in the golden folder, without .txt
  const char* args;  // command line
};
const Golden kGolden[] = {
    {"query_root_text", "query root 2"},
    {"query_root_name", "query root 8 -s 0=154"},
    // JSON with the clock and the country fixed, which the query echoes.
    {"query_root_json", "query root 0x12 -m 0=SSR --json --clock 20261206184429 --country 1"},
    {"query_drv_numbers", "query drv 0x1003 -s 28=9"},
    {"query_drv_json", "query drv 0x1003 -s 28=9 --json --clock 20261206184429 --country 1"},
    {"query_lm_numbers", "query lm 0x2001 -m 1=BK -s 0=16 -s 1=0x10000"},
    {"query_mnt_block", "query mnt 0x300B -s 0=1"},
    {"query_mnt_json", "query mnt 0x300B -s 0=1 --json --clock 20261206184429 --country 1"},
    {"query_drv_sequence_json",
     "query drv 0x1018 -s 79=0x800000 --json --clock 20261206184429 --country 1"},
    {"explain_drv_json", "explain drv 0x1003 -s 28=9 --json --clock 20261206184429 --country 1"},
    {"query_pa_numbers", "query pa 0x4005 -s 0=2 -s 1=277"},
    {"query_sm_numbers", "query sm 0x6011"},
    {"query_drv_records", "query drv 0x100D"},
    {"query_drv_sequence", "query drv 0x1018 -s 79=0x800000"},
    {"query_drv_mode_record", "query drv 0x101E -s 4=1 -s 9=0 -s 5=1 -s 8=1 -s 6=2"},
    {"query_not_found", "query mnt 0x300B -s 0=1000"},
    {"query_error", "query drv 0x1003 -s 30=1"},
    {"explain_drv_deep", "explain drv 0x1008 -s 4=1 -s 9=0 -s 5=261 -s 81=0 -s 8=5 -s 6=1"},
    {"explain_drv_not_found", "explain drv 0x1008 -s 4=1 -s 9=0 -s 5=261 -s 81=0 -s 8=3 -s 6=1"},
    {"explain_lm_string", "explain lm 0x2001 -m 1=LD -s 0=17 -s 1=0x10000"},
    // One special path of each kind, as the Drv handler's observer sees it.
    {"explain_drv_stored_list", "explain drv 0x100C"},
    {"explain_drv_full_list", "explain drv 0x1013 -s 5=1"},
    {"explain_drv_compared_list", "explain drv 0x1011"},
    {"explain_drv_selector8_list", "explain drv 0x1017 -s 4=1 -s 9=0 -s 5=1 -s 81=0"},
    {"explain_drv_command_sequence", "explain drv 0x1018 -s 79=0x800000"},
    {"explain_drv_mode_record", "explain drv 0x101E -s 4=1 -s 9=0 -s 5=1 -s 8=1 -s 6=2"},
    {"ids_drv", "ids drv"},
    {"dump_drv_sequence", "dump 0x1018"},
    {"sweep_drv_computed", "sweep drv 0x1004"},
    {"ids_lm", "ids lm"},
    {"ids_pa", "ids pa"},
    {"dump_lm_tree", "dump 0x2009"},
    {"check", "check"},
    {"sweep_pa_text", "sweep pa 0x4005"},
    {"sweep_lm_csv", "sweep lm 0x2001 --csv"},
    {"sweep_lm_json", "sweep lm 0x2013 --json"},
    {"help_query", "query --help"},
    {"help", "--help"},
    {"ids_json", "ids sm --json"},
    {"dump_json_tree", "dump 0x2009 --json"},
    {"check_json", "check --json"},
    {"sweep_pa_json_lines", "sweep pa 0x4002 --json-lines"},
    // Pictures: a tree shared by several ids, a walk's route, a Drv path's walks.
    {"dump_dot_paper_table", "dump --dot 0x1003"},
    {"explain_dot_lm_string", "explain --dot lm 0x2009 -m 0=QXR-7310"},
    {"explain_dot_drv_command_sequence", "explain --dot drv 0x1018 -s 79=0x800000"},
};

std::string transcript(const Golden& g) {
  ToolRun r = tool(words(g.args));
  return "$ " ORVDB_TOOL_NAME " " + std::string(g.args) + "\nexit " + std::to_string(r.status) +
         "\n--- stdout\n" + r.out + "--- stderr\n" + r.err;
}

TEST(ToolGolden, OutputsMatchTheGoldenFiles) {
  bool update = getenv("ORVDB_UPDATE_TOOL_GOLDEN") != nullptr;
  for (const Golden& g : kGolden) {
    std::string path = std::string(ORVDB_TOOL_GOLDEN_DIR) + "/" + g.name + ".txt";
    std::string got = transcript(g);
    if (update) {
      orv::testing::write_file(path, got);
      continue;
    }
    ASSERT_TRUE(std::filesystem::exists(path))
        << path << " is missing; run: ninja update_tool_golden";
    EXPECT_EQ(got, orv::testing::read_file(path))
        << g.name << " differs; if intended: ninja update_tool_golden";
  }
}

TEST(Explain, DeepPathShowsEveryLevelDownToTheLeaf) {
  // Settings selector 4 = 1, 9 = 0, 5 = 261, 81 = 0, 8 = 5, 6 = 1: 180, 180.
  const orv::Image& image = orv::builtin_image();
  const orv::testing::QueryContext c(82, {{4, 1}, {9, 0}, {5, 261}, {81, 0}, {8, 5}, {6, 1}});
  IdInfo info;
  info.id = 0x1008;
  std::ostringstream out;
  std::vector<ExplainedWalk> walks = explain_walks(image, info, &c.ctx, out);
  const std::string all = out.str();
  ASSERT_EQ(walks.size(), 1u);
  ASSERT_EQ(walks[0].result, DB_OK);
  for (const char* step :
       {"selector 4 = 1", "selector 9 = 0", "selector 5 = 261", "selector 81 = 0", "selector 8 = 5",
        "selector 6 = 1", "id=0x1015", "id=0x1008 n=2: the leaf => DB_OK"}) {
    EXPECT_NE(all.find(step), std::string::npos) << step << "\n" << all;
  }
}

}  // namespace
}  // namespace orvtool
