// Fuzz target: the image file loader. Every input is read twice: as it is,
// which exercises the header checks (magic, version, size, checksum), and
// with its size and checksum fields made to fit, so that mutations reach the
// directory and table checks and the verifier. The loader must refuse with
// one line or give an image; an image it gives must write back to a file
// that reads to the same bytes again, and, when the verifier finds no
// fault, answer every root id with a result code and nothing left
// allocated. Seeds: the image files the model compiler writes.
#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "engine/access.h"
#include "exports/exports.h"
#include "fuzz_support.h"
#include "modelc/image_file.h"

namespace orv::fuzz {
namespace {

using model::LoadedImage;

// Root ids asked per verified image, so that a large image stays fast.
constexpr uint32_t kMaxIdsAsked = 64;

// The domain whose range holds `id`; the Drv domain, whose handler also
// answers internal ids, for an id of no range.
Domain domain_of(uint16_t id) {
  for (Domain d :
       {Domain::kRoot, Domain::kDrv, Domain::kLM, Domain::kMnt, Domain::kPA, Domain::kSM}) {
    if (id >= domain_id_range(d).first && id <= domain_id_range(d).last) return d;
  }
  return Domain::kDrv;
}

// Asks the first root ids of a verified image through the entry path, with
// a context of zero selectors and empty match strings.
void ask_root_ids(const Image& image) {
  static const uint32_t kSelectors[128] = {};
  static const char* const kStrings[8] = {"", "", "", "", "", "", "", ""};
  ORV_QUERY_CONTEXT ctx{};
  ctx.cSelectors = 128;
  ctx.pSelectors = kSelectors;
  ctx.cStrings = 8;
  ctx.ppStrings = kStrings;
  for (uint32_t k = 0; k < image.root_count && k < kMaxIdsAsked; ++k) {
    const uint16_t id = image.root_ids[k];
    const Domain domain = domain_of(id);
    GuardedBuffer b(256);
    uint32_t needed = 0;
    int32_t r = access_database(image, domain, id, &ctx, 256, b.data(), &needed);
    if (!is_result_code(r)) fail("not a result code", id, r);
    if (!b.untouched_from(256)) fail("write past the buffer", id);
  }
  check_released(0);
}

void load(const uint8_t* data, size_t size) {
  LoadedImage loaded;
  std::string fault;
  if (!model::read_image_file(data, size, &loaded, &fault)) {
    if (fault.empty() || fault.find('\n') != std::string::npos) fail("refused without one line");
    return;
  }
  // What the loader gives writes back to a file that reads to itself.
  const Image image = loaded.tables.view();
  const std::string again = model::write_image_file(image, loaded.meanings);
  LoadedImage reread;
  if (!model::read_image_tables(reinterpret_cast<const uint8_t*>(again.data()), again.size(),
                                &reread, &fault))
    fail("a written image file does not read");
  if (model::write_image_file(reread.tables.view(), reread.meanings) != again)
    fail("a written image file does not read back to itself");
  if (loaded.report.faults.empty()) ask_root_ids(image);
}

int run(const uint8_t* data, size_t size) {
  prepare_host();
  load(data, size);
  if (size >= model::kImageFileHeaderSize) {
    std::vector<uint8_t> sealed(data, data + size);
    const uint32_t length = static_cast<uint32_t>(size);
    for (int i = 0; i < 4; ++i) sealed[model::kImageFileSizeAt + i] = (length >> (8 * i)) & 0xFF;
    const uint32_t crc = model::image_file_crc32(sealed.data() + model::kImageFileSizeAt,
                                                 size - model::kImageFileSizeAt);
    for (int i = 0; i < 4; ++i) sealed[model::kImageFileChecksumAt + i] = (crc >> (8 * i)) & 0xFF;
    load(sealed.data(), sealed.size());
  }
  return 0;
}

}  // namespace
}  // namespace orv::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return orv::fuzz::run(data, size);
}
