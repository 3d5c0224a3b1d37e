#include "support/image_builder.h"

namespace orv::testing {

uint32_t ImageBuilder::add(uint8_t kind, uint32_t offset, uint16_t tag, uint16_t count) {
  return add_raw(kind, offset, make_word1(tag, count));
}

uint32_t ImageBuilder::add_raw(uint8_t kind, uint32_t offset, uint32_t word1) {
  items.push_back(Item{make_word0(kind, offset), word1});
  return static_cast<uint32_t>(items.size() - 1);
}

uint32_t ImageBuilder::reserve(uint32_t n) {
  uint32_t first = static_cast<uint32_t>(items.size());
  items.resize(items.size() + n, Item{0, 0});
  return first;
}

void ImageBuilder::set(uint32_t index, uint8_t kind, uint32_t offset, uint16_t tag,
                       uint16_t count) {
  set_raw(index, kind, offset, make_word1(tag, count));
}

void ImageBuilder::set_raw(uint32_t index, uint8_t kind, uint32_t offset, uint32_t word1) {
  items.at(index) = Item{make_word0(kind, offset), word1};
}

namespace {

// Appends `values` to `pool`, each as the pool's element type; returns the
// offset of the first.
template <typename Pool, typename T>
uint32_t append(Pool& pool, const std::vector<T>& values) {
  const uint32_t first = static_cast<uint32_t>(pool.size());
  for (T v : values) pool.push_back(static_cast<typename Pool::value_type>(v));
  return first;
}

template <typename T>
uint16_t count_of(const std::vector<T>& values) {
  return static_cast<uint16_t>(values.size());
}

}  // namespace

uint32_t ImageBuilder::bytes(const std::vector<uint8_t>& values) {
  return append(byte_pool, values);
}

uint32_t ImageBuilder::text(const std::string& s, bool with_nul) {
  uint32_t first = append(byte_pool, std::vector<char>(s.begin(), s.end()));
  if (with_nul) byte_pool.push_back(0);
  return first;
}

uint32_t ImageBuilder::i16(const std::vector<uint16_t>& values) { return append(i16_pool, values); }

uint32_t ImageBuilder::i32(const std::vector<int32_t>& values) { return append(i32_pool, values); }

uint32_t ImageBuilder::match(const std::string& s) {
  return append(match_pool, std::vector<char>(s.begin(), s.end()));
}

uint32_t ImageBuilder::string_leaf(uint16_t id, const std::string& s) {
  uint32_t off = text(s);
  return add(ITEM_STRING, off, id, static_cast<uint16_t>(s.size() + 1));
}

uint32_t ImageBuilder::bytes_leaf(uint16_t id, const std::vector<uint8_t>& values) {
  return add(ITEM_BYTES, append(byte_pool, values), id, count_of(values));
}

uint32_t ImageBuilder::int8_leaf(uint16_t id, const std::vector<int8_t>& values) {
  return add(ITEM_INT8, append(byte_pool, values), id, count_of(values));
}

uint32_t ImageBuilder::uint8_leaf(uint16_t id, const std::vector<uint8_t>& values) {
  return add(ITEM_UINT8, append(byte_pool, values), id, count_of(values));
}

uint32_t ImageBuilder::int16_leaf(uint16_t id, const std::vector<int16_t>& values) {
  return add(ITEM_INT16, append(i16_pool, values), id, count_of(values));
}

uint32_t ImageBuilder::uint16_leaf(uint16_t id, const std::vector<uint16_t>& values) {
  return add(ITEM_UINT16, append(i16_pool, values), id, count_of(values));
}

uint32_t ImageBuilder::int32_leaf(uint16_t id, const std::vector<int32_t>& values) {
  return add(ITEM_INT32, append(i32_pool, values), id, count_of(values));
}

uint32_t ImageBuilder::computed_leaf(uint16_t id, uint16_t function) {
  return add(ITEM_COMPUTED, 0, id, function);
}

uint32_t ImageBuilder::selector_switch(uint16_t selector,
                                       const std::vector<std::pair<uint32_t, uint32_t>>& cases) {
  const uint32_t sw = reserve(1 + static_cast<uint32_t>(cases.size()));
  set(sw, ITEM_SWITCH_SELECTOR, sw + 1, selector, count_of(cases));
  for (uint32_t i = 0; i < cases.size(); ++i) {
    set_raw(sw + 1 + i, ITEM_CASE, cases[i].second, cases[i].first);
  }
  return sw;
}

uint32_t ImageBuilder::sequence_chain(uint16_t id, int depth) {
  const uint32_t first = static_cast<uint32_t>(items.size());
  for (int i = 0; i < depth; ++i) add(ITEM_SEQUENCE, first + i + 1, 0, 1);
  int8_leaf(id, {1});
  root(id, first);
  return first;
}

void ImageBuilder::root(uint16_t id, uint32_t item) {
  root_ids.push_back(id);
  root_items.push_back(item);
}

Image ImageBuilder::image() const {
  Image image = model::view_of<Image>(static_cast<const model::ImageTableStore&>(*this));
  image.drv_tables = drv_tables;
  return image;
}

}  // namespace orv::testing
