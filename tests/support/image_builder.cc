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

uint32_t ImageBuilder::bytes(const std::vector<uint8_t>& values) {
  uint32_t first = static_cast<uint32_t>(byte_pool.size());
  byte_pool.insert(byte_pool.end(), values.begin(), values.end());
  return first;
}

uint32_t ImageBuilder::text(const std::string& s, bool with_nul) {
  uint32_t first = static_cast<uint32_t>(byte_pool.size());
  byte_pool.insert(byte_pool.end(), s.begin(), s.end());
  if (with_nul) byte_pool.push_back(0);
  return first;
}

uint32_t ImageBuilder::i16(const std::vector<uint16_t>& values) {
  uint32_t first = static_cast<uint32_t>(i16_pool.size());
  i16_pool.insert(i16_pool.end(), values.begin(), values.end());
  return first;
}

uint32_t ImageBuilder::i32(const std::vector<int32_t>& values) {
  uint32_t first = static_cast<uint32_t>(i32_pool.size());
  i32_pool.insert(i32_pool.end(), values.begin(), values.end());
  return first;
}

uint32_t ImageBuilder::match(const std::string& s) {
  uint32_t first = static_cast<uint32_t>(match_pool.size());
  match_pool.insert(match_pool.end(), s.begin(), s.end());
  return first;
}

uint32_t ImageBuilder::string_leaf(uint16_t id, const std::string& s) {
  uint32_t off = text(s);
  return add(ITEM_STRING, off, id, static_cast<uint16_t>(s.size() + 1));
}

uint32_t ImageBuilder::bytes_leaf(uint16_t id, const std::vector<uint8_t>& values) {
  uint32_t off = bytes(values);
  return add(ITEM_BYTES, off, id, static_cast<uint16_t>(values.size()));
}

uint32_t ImageBuilder::int8_leaf(uint16_t id, const std::vector<int8_t>& values) {
  uint32_t off = static_cast<uint32_t>(byte_pool.size());
  for (int8_t v : values) byte_pool.push_back(static_cast<uint8_t>(v));
  return add(ITEM_INT8, off, id, static_cast<uint16_t>(values.size()));
}

uint32_t ImageBuilder::uint8_leaf(uint16_t id, const std::vector<uint8_t>& values) {
  uint32_t off = bytes(values);
  return add(ITEM_UINT8, off, id, static_cast<uint16_t>(values.size()));
}

uint32_t ImageBuilder::int16_leaf(uint16_t id, const std::vector<int16_t>& values) {
  uint32_t off = static_cast<uint32_t>(i16_pool.size());
  for (int16_t v : values) i16_pool.push_back(static_cast<uint16_t>(v));
  return add(ITEM_INT16, off, id, static_cast<uint16_t>(values.size()));
}

uint32_t ImageBuilder::uint16_leaf(uint16_t id, const std::vector<uint16_t>& values) {
  uint32_t off = i16(values);
  return add(ITEM_UINT16, off, id, static_cast<uint16_t>(values.size()));
}

uint32_t ImageBuilder::int32_leaf(uint16_t id, const std::vector<int32_t>& values) {
  uint32_t off = i32(values);
  return add(ITEM_INT32, off, id, static_cast<uint16_t>(values.size()));
}

uint32_t ImageBuilder::computed_leaf(uint16_t id, uint16_t function) {
  return add(ITEM_COMPUTED, 0, id, function);
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
