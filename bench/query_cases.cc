#include "query_cases.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <initializer_list>
#include <utility>

#include "drvrecords/drv_tables.h"
#include "engine/image.h"

namespace orvbench {
namespace {

using Settings = std::initializer_list<std::pair<uint16_t, uint32_t>>;

// One value record of a list answer.
constexpr uint32_t kRecord = sizeof(ORV_VALUE_RECORD);

// The last combination of the settings table: selector 4 = 3, 9 = 1,
// 5 = 383, 81 = 0, 8 = 1, 6 = 3.
constexpr Settings kLastSettings = {{4, 3}, {9, 1}, {5, 383}, {81, 0}, {8, 1}, {6, 3}};

std::unique_ptr<QueryCase> make_case(const char* name, const char* what, PathKind kind, Api api,
                                     uint16_t id, uint32_t buffer_bytes, uint32_t design_blocks) {
  auto c = std::make_unique<QueryCase>();
  memset(c.get(), 0, sizeof *c);
  c->name = name;
  c->what = what;
  c->kind = kind;
  c->api = api;
  c->id = id;
  c->buffer_bytes = buffer_bytes;
  c->design_blocks = design_blocks;
  c->key_string = -1;
  return c;
}

// A Drv-style selector array of `count` entries, zero but for the settings.
void set_selectors(QueryCase* c, const std::pair<uint16_t, uint32_t>* first,
                   const std::pair<uint16_t, uint32_t>* last, uint32_t count) {
  for (; first != last; ++first) c->selectors[first->first] = first->second;
  c->ctx.cSelectors = count;
  c->ctx.pSelectors = c->selectors;
}

void set_selectors(QueryCase* c, Settings settings, uint32_t count = kMaxSelectors) {
  set_selectors(c, settings.begin(), settings.end(), count);
}

void set_strings(QueryCase* c, std::initializer_list<const char*> strings) {
  uint32_t n = 0;
  for (const char* s : strings) c->strings[n++] = s;
  c->ctx.cStrings = n;
  c->ctx.ppStrings = c->strings;
}

// The floor's key reads these selectors.
void key_on(QueryCase* c, std::initializer_list<uint16_t> selectors) {
  for (uint16_t s : selectors) c->key_selectors[c->key_selector_count++] = s;
}

// Keys of the mode table's last row, so that the scan reads every row.
void last_mode_row_settings(std::pair<uint16_t, uint32_t> (&out)[orv::kModeKeyCount]) {
  const orv::DrvTables* tables = orv::builtin_image().drv_tables;
  if (tables == nullptr || tables->mode_count == 0) {
    fprintf(stderr, "the image has no mode table\n");
    abort();
  }
  const orv::ModeRow& last = tables->mode_rows[tables->mode_count - 1];
  for (uint32_t r = 0; r + 1 < tables->mode_count; ++r) {
    if (memcmp(tables->mode_rows[r].keys, last.keys, sizeof last.keys) == 0) {
      fprintf(stderr, "mode row %u has the keys of the last row\n", r);
      abort();
    }
  }
  for (uint32_t k = 0; k < orv::kModeKeyCount; ++k) {
    out[k] = {orv::kModeKeySelectors[k], static_cast<uint32_t>(static_cast<int32_t>(last.keys[k]))};
  }
}

std::vector<std::unique_ptr<QueryCase>> build_cases() {
  std::vector<std::unique_ptr<QueryCase>> cases;
  const PathKind G = PathKind::kGeneric;
  const PathKind S = PathKind::kSpecial;

  auto c = make_case("root_plain", "Root 0x0002 (plain string)", G, Api::kRoot, 0x0002, 10, 0);
  cases.push_back(std::move(c));

  c = make_case("root_string_switch", "Root 0x0012 \"CIR\" (last case)", G, Api::kRoot, 0x0012, 22,
                0);
  set_strings(c.get(), {"CIR"});
  c->key_string = 0;
  cases.push_back(std::move(c));

  c = make_case("root_selector_switch", "Root 0x0008 tag 504 (last case)", G, Api::kRoot,
                orv::kValueNameId, 28, 0);
  set_selectors(c.get(), {{0, 504}}, 1);
  key_on(c.get(), {0});
  cases.push_back(std::move(c));

  c = make_case("drv_paper_last", "Drv 0x1003 paper 274 (last branch)", G, Api::kDrv, 0x1003, 8, 0);
  set_selectors(c.get(), {{28, 274}});
  key_on(c.get(), {28});
  cases.push_back(std::move(c));

  c = make_case("drv_paper_first", "Drv 0x1003 paper 11 (first branch)", G, Api::kDrv, 0x1003, 8,
                0);
  set_selectors(c.get(), {{28, 11}});
  key_on(c.get(), {28});
  cases.push_back(std::move(c));

  c = make_case("drv_settings_tree", "Drv 0x1008 last settings combination", G, Api::kDrv, 0x1008,
                8, 0);
  set_selectors(c.get(), kLastSettings);
  key_on(c.get(), {4, 9, 5, 81, 8, 6});
  cases.push_back(std::move(c));

  c = make_case("drv_computed", "Drv 0x1004 user-defined size (computed)", G, Api::kDrv, 0x1004, 16,
                0);
  set_selectors(c.get(), {{28, 256}, {29, 21000}, {30, 29700}});
  key_on(c.get(), {28, 29, 30});
  cases.push_back(std::move(c));

  c = make_case("lm_string_switch", "LM 0x200F \"UK\" (last named case)", G, Api::kLM, 0x200F, 4,
                0);
  set_strings(c.get(), {"QXR-7310", "UK"});
  c->key_string = 1;
  cases.push_back(std::move(c));

  c = make_case("drv_stored_list", "Drv 0x100E stored list, 10 records", S, Api::kDrv, 0x100E,
                10 * kRecord, 0);
  set_selectors(c.get(), {{4, 1}, {9, 0}, {5, 1}, {81, 0}, {8, 1}, {6, 1}});
  key_on(c.get(), {4, 9});
  cases.push_back(std::move(c));

  c = make_case("drv_compare_list", "Drv 0x1011 comparison with 0x1010, 18 records", S, Api::kDrv,
                0x1011, 18 * kRecord, 2);
  set_selectors(c.get(), {{28, 9}});
  cases.push_back(std::move(c));

  c = make_case("drv_selector8_list", "Drv 0x1016 selector-8 list, 5 records", S, Api::kDrv, 0x1016,
                5 * kRecord, 1);
  set_selectors(c.get(), {{4, 1}, {9, 0}, {5, 1}, {81, 0}, {8, 1}, {6, 1}});
  key_on(c.get(), {4, 9, 5, 81});
  cases.push_back(std::move(c));

  c = make_case("drv_command_sequence", "Drv 0x1019 command sequence, A4, 57 bytes", S, Api::kDrv,
                0x1019, 57, 1);
  set_selectors(c.get(), {{4, 3}, {9, 1}, {5, 383}, {81, 0}, {8, 1}, {6, 3}, {28, 9}, {7, 4}});
  key_on(c.get(), {4, 9, 5, 81, 8, 6, 28, 7});
  cases.push_back(std::move(c));

  std::pair<uint16_t, uint32_t> row[orv::kModeKeyCount];
  last_mode_row_settings(row);
  c = make_case("drv_mode_record", "Drv 0x101E mode record, last row", S, Api::kDrv, 0x101E,
                sizeof(ORV_MODE_RECORD), 0);
  set_selectors(c.get(), row, row + orv::kModeKeyCount, kMaxSelectors);
  for (uint16_t s : orv::kModeKeySelectors) key_on(c.get(), {s});
  cases.push_back(std::move(c));
  return cases;
}

}  // namespace

const std::vector<std::unique_ptr<QueryCase>>& query_cases() {
  static const std::vector<std::unique_ptr<QueryCase>> cases = build_cases();
  return cases;
}

const QueryCase* find_case(const char* name) {
  for (const auto& c : query_cases()) {
    if (strcmp(c->name, name) == 0) return c.get();
  }
  return nullptr;
}

int32_t run_query(const QueryCase& c, void* buffer, uint32_t* needed) {
  switch (c.api) {
    case Api::kRoot:
      return ORV_AccessRootDataBase(c.id, &c.ctx, c.buffer_bytes, buffer, needed);
    case Api::kDrv:
      return ORV_AccessDrvDataBase(c.id, &c.ctx, c.buffer_bytes, buffer, needed);
    case Api::kLM:
      return ORV_AccessLMDataBase(c.id, &c.ctx, c.buffer_bytes, buffer, needed);
  }
  return DB_ERROR;
}

}  // namespace orvbench
