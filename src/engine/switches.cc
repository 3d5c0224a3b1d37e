#include "engine/switches.h"

#include <stdlib.h>
#include <string.h>

#include "engine/resolver.h"
#include "engine/scratch_context.h"
#include "platform/platform.h"

namespace orv {

int32_t printer_data_switch_start(const Image& image, const ORV_QUERY_CONTEXT* ctx, Item item,
                                  SwitchStart* start, int depth) {
  uint32_t root = 0;
  int32_t result = find_root_item(image, kValueNameId, &root);
  if (result != DB_OK) return result;

  ScratchContext* scratch = create_scratch_context(0, nullptr);
  if (scratch == nullptr) return DB_ERROR;
  scratch->selectors()[0] = item_tag(item.word1);
  Leaf name{};
  const Item& root_item = image.items[root];
  result = resolve_at_depth(image, kValueNameId, &scratch->context, root_item.word0,
                            root_item.word1, &name, depth + 1);
  release_scratch_context(scratch);
  if (result != DB_OK) return DB_ERROR;

  if (ctx == nullptr || ctx->hPrinter == nullptr) return DB_NO_CONTEXT;

  uint32_t value = 0;
  int read = read_printer_dword(image, ctx->hPrinter, name.word0, name.word1, &value);
  if (read == 0) {
    start->value = value;
    start->first_case = 0;
    return DB_OK;
  }
  if (read != 1) return DB_ERROR;
  // Not available: only a trailing default may decide.
  uint16_t count = item_count(item.word1);
  if (count == 0) return DB_NOT_FOUND;
  uint64_t last = static_cast<uint64_t>(item_offset(item.word0)) + count - 1;
  if (image.items == nullptr || last >= image.item_count) return DB_ERROR;
  if (item_kind(image.items[last].word0) != ITEM_DEFAULT) return DB_NOT_FOUND;
  start->value = 0;
  start->first_case = count - 1u;
  return DB_OK;
}

int32_t locale_switch_start(uint32_t word1, SwitchStart* start) {
  int32_t country = 0;
  if (read_country_code(item_tag(word1), &country) != 0) return DB_ERROR;
  start->value = static_cast<uint32_t>(country);
  start->first_case = 0;
  return DB_OK;
}

int read_printer_dword(const Image& image, ORV_HANDLE printer, uint32_t word0, uint32_t word1,
                       uint32_t* value) {
  if (printer == nullptr) return 1;
  if (value == nullptr) return -1;
  if (item_kind(word0) != ITEM_STRING) return -1;
  uint32_t offset = item_offset(word0);
  uint16_t count = item_count(word1);
  if (image.byte_pool == nullptr || static_cast<uint64_t>(offset) + count > image.byte_count) {
    return -1;
  }
  // One character more than stored, so the name ends in a NUL even when the
  // stored text lacks one.
  uint32_t chars = static_cast<uint32_t>(count) + 1;
  ORV_WCHAR* name = static_cast<ORV_WCHAR*>(platform_alloc(chars * sizeof(ORV_WCHAR)));
  if (name == nullptr) return -1;
  for (uint32_t i = 0; i < count; ++i) name[i] = image.byte_pool[offset + i];
  name[count] = 0;
  uint8_t data[4] = {0, 0, 0, 0};
  uint32_t type = 0;
  uint32_t needed = 0;
  uint32_t status = platform_get_printer_data(printer, name, &type, data, sizeof data, &needed);
  platform_free(name);
  if (status != 0) return 1;
  memcpy(value, data, sizeof data);
  return 0;
}

int read_country_code(uint16_t tag, int32_t* value) {
  if (value == nullptr || tag != kLocaleTag) return -1;
  uint32_t length = platform_country_code_text(nullptr, 0);
  if (length == 0) return -1;
  char* text = static_cast<char*>(platform_alloc(length));
  if (text == nullptr) return -1;
  if (platform_country_code_text(text, length) == 0) {
    platform_free(text);
    return -1;
  }
  text[length - 1] = '\0';  // terminated whatever the locale wrote
  long number = strtol(text, nullptr, 10);
  platform_free(text);
  if (number > INT32_MAX) number = INT32_MAX;
  if (number < INT32_MIN) number = INT32_MIN;
  *value = static_cast<int32_t>(number);
  return 0;
}

}  // namespace orv
