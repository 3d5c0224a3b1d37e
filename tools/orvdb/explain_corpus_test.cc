// explain is held to the engine on every image of the image fuzz corpus:
// for every walk it prints (the root walk of an ordinary id, every walk of a
// Drv special id's path: its list, attribute, compared-list, marker and
// fragment walks) the result and leaf are those the engine's own walk gives
// on that image with that context, and the result it prints is the access
// path's.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>

#include "engine/scratch_context.h"
#include "explain.h"
#include "exports/exports.h"
#include "image_input.h"
#include "orvdb/host_platform.h"
#include "query_setup.h"
#include "support/fetch.h"
#include "support/files.h"

namespace orvtool {
namespace {

// The walk the library makes that explain's `walk` stands for: the root
// lookup and walk of its id, or the walk of its tree, with the caller's
// context or the scratch copy in which the Drv code set a selector.
int32_t engine_walk(const orv::Image& image, const ExplainedWalk& walk,
                    const ORV_QUERY_CONTEXT* ctx, orv::Leaf* leaf) {
  if (walk.item == orv::kUnknownItem) return orv::find_root(image, walk.id, ctx, leaf);
  orv::ScratchContext* scratch = nullptr;
  if (walk.set_selector != orv::kNoSelector) {
    scratch = orv::create_scratch_context(orv::kAttributeScratch, ctx);
    if (scratch == nullptr) return DB_ERROR;
    scratch->selectors()[walk.set_selector] = walk.set_value;
    ctx = &scratch->context;
  }
  orv::Item tree{};
  int32_t result = DB_ERROR;
  if (orv::item_at(image, walk.item, &tree)) {
    result = orv::resolve(image, walk.id, ctx, tree.word0, tree.word1, leaf);
  }
  orv::release_scratch_context(scratch);
  return result;
}

// The two-step protocol a caller of the export follows.
int32_t export_result(const orv::Image& image, Domain domain, uint16_t id,
                      const ORV_QUERY_CONTEXT* ctx) {
  return orv::testing::ask_sized(orv::access_database, image, domain, id, ctx).result;
}

TEST(ExplainCorpus, EveryWalkAndResultIsTheEngines) {
  orv::fuzz::prepare_host();
  const std::vector<std::filesystem::path> files = orv::testing::files_in(ORVDB_IMAGE_CORPUS_DIR);
  ASSERT_GT(files.size(), 100u);
  size_t walks = 0;
  size_t special_walks = 0;  // walks of Drv special ids' paths
  for (const std::filesystem::path& file : files) {
    const std::string data = orv::testing::read_file(file);
    auto input = std::make_unique<orv::fuzz::ImageInput>();
    orv::fuzz::decode_image_input(reinterpret_cast<const uint8_t*>(data.data()), data.size(),
                                  input.get());
    orv_host_set_country(orv::fuzz::kCountries[input->country]);
    const orv::Image& image = input->image.image;
    const ORV_QUERY_CONTEXT* ctx = &input->context.ctx;
    std::optional<Domain> domain = domain_of(input->id);
    IdInfo info;
    info.id = input->id;
    if (domain) info = analyse_id(image, *domain, input->id);
    std::ostringstream out;
    std::vector<ExplainedWalk> shown;
    if (domain) {
      Explained e = explain_query(image, *domain, info, ctx, out);
      shown = e.walks;
      EXPECT_EQ(e.answer.result, export_result(image, *domain, input->id, ctx))
          << file.filename() << "\n"
          << out.str();
    } else {
      shown = explain_walks(image, info, SeenContext(ctx).get(), out);
    }
    SeenContext seen(ctx);
    for (const ExplainedWalk& walk : shown) {
      orv::Leaf leaf{};
      int32_t engine = engine_walk(image, walk, seen.get(), &leaf);
      ASSERT_EQ(walk.result, engine) << file.filename() << "\n" << out.str();
      if (engine == DB_OK) {
        EXPECT_EQ(walk.leaf.word0, leaf.word0) << file.filename();
        EXPECT_EQ(walk.leaf.word1, leaf.word1) << file.filename();
      }
      ++walks;
      if (info.special != nullptr) ++special_walks;
    }
    EXPECT_EQ(orv_host_live_allocations(), 0u) << file.filename();
  }
  EXPECT_GT(walks, files.size() / 2);
  EXPECT_GT(special_walks, 100u);
}

}  // namespace
}  // namespace orvtool
