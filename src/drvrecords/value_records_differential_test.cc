// The value records filled by one forked walk per attribute id, held to the
// records filled the way they were before, one walk per record and id (kept
// here as the reference): the result and every byte of the buffer, on every
// list of both models over the settings the mode table allows, and on every
// image of the image fuzz corpus.
#include <gtest/gtest.h>
#include <string.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "drvrecords/drv_special_ids.h"
#include "drvrecords/value_records.h"
#include "engine/fetcher.h"
#include "engine/resolver.h"
#include "engine/scan.h"
#include "engine/scratch_context.h"
#include "image_input.h"
#include "orvdb/host_platform.h"
#include "platform/platform.h"
#include "support/files.h"
#include "support/leak_checked_test.h"
#include "support/query_context.h"

namespace orv {
namespace by_record {

namespace {

// The record field each attribute lookup fills, in the order of a row's attr_ids.
constexpr uint32_t kAttributeField[kAttributeFields] = {kRecordAttr1, kRecordAttr2, kRecordAttr3};

// Spreads n packed 32-bit values at the start of `records` into the `value`
// words of n records, last first so that nothing is overwritten before it
// moves; vacated packed slots are cleared.
void widen_value_records(uint8_t* records, uint32_t n) {
  static const uint32_t kZero = 0;
  for (uint32_t i = n; i-- > 1;) {
    uint32_t value;
    memcpy(&value, records + 4 * i, 4);
    memcpy(records + 4 * i, &kZero, 4);
    set_record_word(records, i, kRecordValue, value);
  }
}

// An internal id looked up once per record of a list. Its root slot is found
// on first use and kept for the rest of the call: the root index does not
// change, so every record would find the same slot.
struct AttributeSource {
  uint16_t id;          // the internal id
  uint32_t field;       // byte offset of the record field it fills
  bool looked_up;       // root_status and root are known
  int32_t root_status;  // the root lookup's result
  uint32_t root;        // item index of the id's tree, when root_status is DB_OK
};

// Walks the source's tree with `ctx` and writes its one-number value into
// the 4 bytes at `dest`. A value longer than 4 bytes means the data base is
// inconsistent (DB_ERROR); lookup results other than DB_OK pass through.
int32_t fetch_attribute(const Image& image, AttributeSource* source, const ORV_QUERY_CONTEXT* ctx,
                        uint8_t* dest) {
  if (!source->looked_up) {
    source->root_status = find_root_item(image, source->id, &source->root);
    source->looked_up = true;
  }
  if (source->root_status != DB_OK) return source->root_status;
  const Item& root = image.items[source->root];
  Leaf leaf{};
  int32_t result = resolve(image, source->id, ctx, root.word0, root.word1, &leaf);
  if (result != DB_OK) return result;
  uint32_t size = 0;
  result = fetch(image, ctx, 4, dest, &size, leaf);
  // The field holds 4 bytes: a longer value is an inconsistent data base, and
  // passing DB_MORE_DATA up without a size would leave the caller asking again.
  // On DB_OK the fetcher wrote no more than those 4 bytes.
  return result == DB_MORE_DATA ? DB_ERROR : result;
}

// Reads the two-number marker value of `id` for `ctx`: DB_OK with key and
// mark set; the root lookup's result when it fails; DB_ERROR when the value
// is not exactly two numbers.
int32_t fetch_marker_pair(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                          uint32_t* key, uint32_t* mark) {
  Leaf leaf{};
  int32_t result = find_root(image, id, ctx, &leaf);
  if (result != DB_OK) return result;
  uint32_t pair[2] = {0, 0};
  uint32_t size = 0;
  result = fetch(image, ctx, sizeof pair, pair, &size, leaf);
  if (result == DB_MORE_DATA) return DB_ERROR;  // longer than two numbers
  if (result != DB_OK) return result;
  if (size != sizeof pair) return DB_ERROR;
  *key = pair[0];
  *mark = pair[1];
  return DB_OK;
}

// attr1 of every record = the value identifier its value has among the
// values of selector `key`.
int32_t fill_value_identifiers(const Image& image, uint16_t key, uint8_t* records, uint32_t n) {
  const DrvTables* tables = image.drv_tables;
  if (tables == nullptr) return DB_ERROR;
  uint32_t slot = 0;
  int32_t result = find_selector_slot(*tables, key, &slot);
  if (result != DB_OK) return result;
  uint32_t m = tables->sel_value_counts[slot];
  if (n > m) return DB_ERROR;
  if (n == 0) return DB_OK;
  if (tables->sel_values == nullptr || tables->sel_value_ids == nullptr) return DB_ERROR;
  // The slot's values that lie inside the table; a search that runs past
  // them into a position beyond the table finds the table inconsistent.
  uint64_t first = tables->sel_first[slot];
  uint32_t inside = first >= tables->sel_value_count
                        ? 0
                        : static_cast<uint32_t>(tables->sel_value_count - first < m
                                                    ? tables->sel_value_count - first
                                                    : m);
  const uint16_t* values = tables->sel_values + (inside > 0 ? first : 0);
  const uint32_t* ids = tables->sel_value_ids + (inside > 0 ? first : 0);
  for (uint32_t i = 0; i < n; ++i) {
    uint32_t value = record_word(records, i, kRecordValue);
    // The table's values are 16 bits: a larger value is none of them.
    uint32_t k =
        value > 0xFFFFu ? inside : first_index_of(values, inside, static_cast<uint16_t>(value));
    if (k == inside) return inside < m ? DB_ERROR : DB_NOT_FOUND;
    set_record_word(records, i, kRecordAttr1, ids[k]);
  }
  return DB_OK;
}

// The attribute lookups of a row: per record, the row's attribute selector
// of a scratch copy of the caller's context = the value, then each attribute
// id into its field. The scratch context is of the kind every row's
// attribute selector fits (drv_special_ids.h checks it).
int32_t fill_attributes(const Image& image, const DrvSpecialId& row, const ORV_QUERY_CONTEXT* ctx,
                        uint8_t* records, uint32_t n) {
  if (usable_selectors(ctx) < row.min_selectors) return DB_NO_SELECTOR;
  const uint32_t selector = row.attr_selector;
  AttributeSource sources[kAttributeFields];
  uint32_t lookups = 0;
  for (uint32_t f = 0; f < kAttributeFields; ++f) {
    if (row.attr_ids[f] == kNoId) continue;
    sources[lookups++] = AttributeSource{row.attr_ids[f], kAttributeField[f], false, 0, 0};
  }
  ScratchContext* scratch = create_scratch_context(kAttributeScratch, ctx);
  if (scratch == nullptr) return DB_ERROR;
  int32_t result = DB_OK;
  for (uint32_t i = 0; i < n && result == DB_OK; ++i) {
    scratch->selectors()[selector] = record_word(records, i, kRecordValue);
    for (uint32_t l = 0; l < lookups && result == DB_OK; ++l) {
      result = fetch_attribute(image, &sources[l], &scratch->context,
                               records + i * kValueRecordSize + sources[l].field);
    }
  }
  release_scratch_context(scratch);
  return result;
}

// attr3 = 0 for a record that equals the next unmatched entry of the stored
// list of `list_id`, else 1.
int32_t compare_with_list(const Image& image, uint16_t list_id, const ORV_QUERY_CONTEXT* ctx,
                          uint8_t* records, uint32_t n) {
  Leaf leaf{};
  int32_t result = find_root(image, list_id, ctx, &leaf);
  if (result != DB_OK) return result;
  uint32_t c = item_count(leaf.word1);
  uint32_t bytes = 4 * c;
  // One word at least, so that an empty list is still a real buffer.
  uint32_t* list = static_cast<uint32_t*>(platform_alloc(bytes > 0 ? bytes : 4));
  if (list == nullptr) return DB_ERROR;
  uint32_t size = 0;
  result = fetch(image, ctx, bytes, list, &size, leaf);
  // The buffer was sized for the list: asking for more means an inconsistent data base.
  if (result == DB_MORE_DATA || (result == DB_OK && size != bytes)) result = DB_ERROR;
  uint32_t j = 0;
  for (uint32_t i = 0; i < n && result == DB_OK; ++i) {
    if (j == c) {
      result = DB_ERROR;
      break;
    }
    if (record_word(records, i, kRecordValue) == list[j]) {
      set_record_word(records, i, kRecordAttr3, 0);
      ++j;
    } else {
      set_record_word(records, i, kRecordAttr3, 1);
    }
  }
  platform_free(list);
  return result;
}

// Every record's mark is the marker pair's mark value when its value is the
// pair's key, else 0. Without a marker pair for these settings an optional
// marker marks nothing (every mark 0, cleared before the lookup) and a
// required one fails the query, leaving the marks as they were.
int32_t apply_marker(const Image& image, uint16_t marker, bool required,
                     const ORV_QUERY_CONTEXT* ctx, uint8_t* records, uint32_t n) {
  if (!required) {
    for (uint32_t i = 0; i < n; ++i) set_record_word(records, i, kRecordMark, 0);
  }
  uint32_t key = 0;
  uint32_t mark = 0;
  int32_t result = fetch_marker_pair(image, marker, ctx, &key, &mark);
  if (!required && (result == DB_NOT_FOUND || result == DB_NO_ENTRY)) return DB_OK;
  if (result != DB_OK) return result;
  for (uint32_t i = 0; i < n; ++i) {
    set_record_word(records, i, kRecordMark,
                    record_word(records, i, kRecordValue) == key ? mark : 0);
  }
  return DB_OK;
}

}  // namespace

// The post-processor as it was: every lookup a walk of its own.
int32_t fill_value_records(const Image& image, const DrvSpecialId& row,
                           const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf, void* pBuf, uint32_t n) {
  // The caller sized the buffer; a buffer that cannot hold the records is a bad argument.
  if (n > 0 && (pBuf == nullptr || cbBuf / kValueRecordSize < n)) return DB_ERROR;
  uint8_t* records = static_cast<uint8_t*>(pBuf);

  widen_value_records(records, n);

  int32_t result = DB_OK;
  if (row.key_selector != kNoSelector) {
    result = fill_value_identifiers(image, row.key_selector, records, n);
    if (result != DB_OK) return result;
  }
  if (row.attr_selector != kNoSelector) {
    result = fill_attributes(image, row, ctx, records, n);
    if (result != DB_OK) return result;
  }
  if (row.compared_list != kNoId) {
    result = compare_with_list(image, row.compared_list, ctx, records, n);
    if (result != DB_OK) return result;
  }
  if (row.marker == kNoId) return DB_OK;
  return apply_marker(image, row.marker, row.marker_required, ctx, records, n);
}

}  // namespace by_record

namespace {

// Fills `packed` (n values) as records of `row` both ways, from the same
// starting bytes, and holds the new way to the old one.
void expect_same_records(const Image& image, const DrvSpecialId& row, const ORV_QUERY_CONTEXT* ctx,
                         const std::vector<uint32_t>& packed, const std::string& what) {
  const uint32_t n = static_cast<uint32_t>(packed.size());
  const uint32_t size = kValueRecordSize * n + 8;  // a tail that neither may write
  std::vector<uint8_t> now(size, 0xA5);
  if (n != 0) memcpy(now.data(), packed.data(), 4 * n);  // an empty list has no data()
  std::vector<uint8_t> before = now;
  int32_t want = by_record::fill_value_records(image, row, ctx, size, before.data(), n);
  int32_t got = orv::fill_value_records(image, row, ctx, size, now.data(), n);
  ASSERT_EQ(got, want) << what;
  ASSERT_EQ(now, before) << what;
}

// The values a list of `row` may hold under `ctx`: its stored list when it
// resolves to numbers, else the values the selector-value table knows.
std::vector<std::vector<uint32_t>> lists_of(const Image& image, const DrvSpecialId& row,
                                            const ORV_QUERY_CONTEXT* ctx) {
  std::vector<std::vector<uint32_t>> lists;
  Leaf leaf{};
  if (find_root(image, row.id, ctx, &leaf) == DB_OK && item_count(leaf.word1) <= 300) {
    std::vector<uint32_t> values(item_count(leaf.word1) + 1);
    uint32_t got = 0;
    if (fetch(image, ctx, 4 * static_cast<uint32_t>(values.size()), values.data(), &got, leaf) ==
            DB_OK &&
        got % 4 == 0) {
      values.resize(got / 4);
      lists.push_back(values);
    }
  }
  const DrvTables* t = image.drv_tables;
  if (t != nullptr && t->sel_values != nullptr) {
    std::vector<uint32_t> all(t->sel_values, t->sel_values + std::min(t->sel_value_count, 200u));
    lists.push_back(all);
    std::reverse(all.begin(), all.end());
    lists.push_back(all);
  }
  // More records than one forked walk carries, and values of every width.
  std::vector<uint32_t> many;
  for (uint32_t v = 0; v < 150; ++v) many.push_back(v % 3 == 0 ? 0xFFFF0000u + v : v);
  lists.push_back(many);
  return lists;
}

class ValueRecordsDifferentialTest : public testing::LeakCheckedTest {};

TEST_F(ValueRecordsDifferentialTest, EveryListOfTheModelOverTheModeTablesSettings) {
  const Image& image = builtin_image();
  ASSERT_NE(image.drv_tables, nullptr);
  testing::QueryContext c(95);
  const ORV_QUERY_CONTEXT* ctx = &c.ctx;
  const DrvTables& t = *image.drv_tables;
  size_t compared = 0;
  for (uint32_t r = 0; r < t.mode_count; ++r) {
    for (uint32_t k = 0; k < kModeKeyCount; ++k) {
      c.set(kModeKeySelectors[k], static_cast<uint32_t>(t.mode_rows[r].keys[k]));
    }
    for (uint32_t paper : {9u, 256u, 274u}) {
      c.set(28, paper).set(7, r % 2 == 0 ? 4 : 7);
      for (const DrvSpecialId& row : kDrvSpecialIds) {
        if (!answers_value_records(row.path)) continue;
        for (const std::vector<uint32_t>& list : lists_of(image, row, ctx)) {
          expect_same_records(image, row, ctx, list,
                              "id " + std::to_string(row.id) + ", mode row " + std::to_string(r));
          ++compared;
        }
      }
    }
  }
  // Too few selectors for the attribute lookups.
  c.ctx.cSelectors = 5;
  for (const DrvSpecialId& row : kDrvSpecialIds) {
    if (answers_value_records(row.path)) expect_same_records(image, row, ctx, {1, 2, 3}, "few");
  }
  EXPECT_GT(compared, 10000u);
}

TEST_F(ValueRecordsDifferentialTest, EveryImageOfTheFuzzCorpus) {
  const std::vector<std::filesystem::path> files = testing::files_in(ORVDB_IMAGE_CORPUS_DIR);
  ASSERT_GT(files.size(), 100u);
  for (const std::filesystem::path& file : files) {
    const std::string data = testing::read_file(file);
    auto input = std::make_unique<fuzz::ImageInput>();
    fuzz::decode_image_input(reinterpret_cast<const uint8_t*>(data.data()), data.size(),
                             input.get());
    const Image& image = input->image.image;
    const ORV_QUERY_CONTEXT* ctx = &input->context.ctx;
    for (const DrvSpecialId& row : kDrvSpecialIds) {
      if (!answers_value_records(row.path)) continue;
      for (const std::vector<uint32_t>& list : lists_of(image, row, ctx)) {
        expect_same_records(image, row, ctx, list,
                            file.filename().string() + ", id " + std::to_string(row.id));
      }
    }
  }
}

}  // namespace
}  // namespace orv
