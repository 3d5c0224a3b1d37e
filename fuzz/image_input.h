// One input of the image fuzz target, decoded: the query (its id, how it is
// asked, an allocation to fail, the country, the buffer), then a data base
// image whose tables are allocated at exactly the counts it declares, then
// the query context. Shared by the target and by the test that holds the
// tool's explain to the engine on every input of the corpus.
#ifndef ORVDB_FUZZ_IMAGE_INPUT_H_
#define ORVDB_FUZZ_IMAGE_INPUT_H_

#include <stddef.h>
#include <stdint.h>

#include <vector>

#include "drvrecords/drv_tables.h"
#include "engine/image.h"
#include "fuzz_support.h"
#include "modelc/table_schema.h"

namespace orv::fuzz {

// Tables of the decoded image, each vector exactly its declared count
// (fields as the list of tables names them), and the image over them.
struct DecodedImage {
  model::ImageTableStore tables;   // the image's own tables
  model::DrvTableStore drv_store;  // the Drv tables
  DrvTables drv{};                 // the Drv tables over drv_store
  Image image{};                   // the image over tables (and drv, when it has them)
};

// The country codes the input chooses among for the locale (null: the
// locale call fails).
constexpr const char* kCountries[] = {"49", "1", nullptr};

// The whole input.
struct ImageInput {
  uint16_t id = 0;          // the query's id
  uint8_t how = 0;          // which path asks it (entry point, Drv handler, generic path)
  uint8_t fail_at = 0;      // the allocation to fail, 0 for none
  uint8_t country = 0;      // which country code the locale reports
  uint8_t buffer_mode = 0;  // bit 1: no buffer
  uint32_t cb = 0;          // the buffer size
  DecodedImage image;       // the image
  DecodedContext context;   // the query context
};

// Decodes `data` into *input (every input decodes: missing bytes read as 0).
void decode_image_input(const uint8_t* data, size_t size, ImageInput* input);

}  // namespace orv::fuzz

#endif  // ORVDB_FUZZ_IMAGE_INPUT_H_
