#include "image_input.h"

namespace orv::fuzz {
namespace {

// Ids and tags worth hitting often: the ids the engine and the Drv code
// look up by number, and the tags they switch on. Slot 0 is the query's id.
constexpr uint16_t kInterestingIds[] = {
    0,      kValueNameId, kFragmentId, 0x5005, 0x5006, 0x5007, 0x500B,     0x500C, 0x500E, 0x5002,
    0x5003, 0x5004,       0x500D,      0x5010, 0x5011, 0x1010, kLocaleTag, 154,    0x1001, 0x2001,
};
constexpr size_t kInterestingCount = sizeof kInterestingIds / sizeof kInterestingIds[0];

// Query ids: every Drv special id and a few ordinary ones of each domain.
constexpr uint16_t kQueryIds[] = {
    0x100C, 0x100D, 0x100E, 0x100F, 0x1010, 0x1011,       0x1012, 0x1013, 0x1014, 0x104D,
    0x104E, 0x1051, 0x1054, 0x1016, 0x1017, 0x1018,       0x1019, 0x101A, 0x101B, 0x101C,
    0x101D, 0x101E, 0x1001, 0x1003, 0x0002, kValueNameId, 0x2001, 0x3001, 0x4001, 0x6011,
};
constexpr size_t kQueryIdCount = sizeof kQueryIds / sizeof kQueryIds[0];

uint16_t decode_tag(Reader& in, uint16_t query_id) {
  const uint8_t b = in.u8();
  if (b < 0xE0) return b;
  const uint16_t t = kInterestingIds[(b - 0xE0) % kInterestingCount];
  return t == 0 ? query_id : t;
}

void decode_items(Reader& in, uint16_t query_id, model::ImageTableStore* d) {
  for (Item& item : d->items) {
    const uint8_t mode = in.u8();
    if (mode & 0x80) {
      item.word0 = in.u32();
      item.word1 = in.u32();
      continue;
    }
    // Compact form: a kind (invalid kinds included), a small offset, a tag
    // that is often an id the engine looks for, and a small count.
    const uint8_t kind = static_cast<uint8_t>(mode % 23);
    const uint32_t offset = in.u8();
    const uint16_t tag = decode_tag(in, query_id);
    const uint16_t count = in.u8() % 16;
    item.word0 = make_word0(kind, offset);
    item.word1 = make_word1(tag, count);
  }
}

// The Drv tables; bit k of the first u16 drops the k-th table of the list
// (a null table whatever its count, which the engine must treat as a data
// base error).
void decode_drv_tables(Reader& in, DecodedImage* image) {
  const uint16_t missing = in.u16();
  model::DrvTableStore* d = &image->drv_store;
  d->sel_indices.resize(in.u8() % 6);
  d->sel_value_counts.resize(d->sel_indices.size());
  d->sel_first.resize(d->sel_indices.size());
  for (size_t s = 0; s < d->sel_indices.size(); ++s) {
    static constexpr uint16_t kSelectors[] = {4, 5, 7, 28};
    const uint8_t b = in.u8();
    d->sel_indices[s] = b < 0xC0 ? kSelectors[b % 4] : b;
    d->sel_value_counts[s] = in.u8() % 12;
    d->sel_first[s] = in.u8();
  }
  d->sel_values.resize(in.u8() % 24);
  d->sel_value_ids.resize(in.u8() % 2 == 0 ? d->sel_values.size() : in.u8() % 24);
  for (uint16_t& v : d->sel_values) v = in.u8();
  for (uint32_t& v : d->sel_value_ids) v = in.u32();
  // The two value arrays share one count in the image; a shorter id array
  // is backed by padding so the count does not lie about memory.
  if (d->sel_value_ids.size() < d->sel_values.size()) {
    d->sel_value_ids.resize(d->sel_values.size(), 0);
  }

  d->seq_ids.resize(in.u8() % 7);
  d->seq_fragment_counts.resize(d->seq_ids.size());
  d->seq_first.resize(d->seq_ids.size());
  for (size_t s = 0; s < d->seq_ids.size(); ++s) {
    d->seq_ids[s] = static_cast<uint16_t>(0x1018 + in.u8() % 8);
    d->seq_fragment_counts[s] = in.u8() % 8;
    d->seq_first[s] = in.u8() % 16;
  }
  d->seq_fragments.resize(in.u8() % 12);
  for (uint32_t& f : d->seq_fragments) f = in.u8();

  d->mode_rows.resize(in.u8() % 5);
  for (ModeRow& row : d->mode_rows) {
    for (int16_t& key : row.keys) key = static_cast<int8_t>(in.u8());
    row.part_a = in.u8() % 4;
    row.part_b = in.u8() % 4;
    row.part_c = in.u8() % 4;
    row.part_d = in.u8() % 4;
  }
  uint32_t records[kModePartCount];
  for (uint32_t& n : records) n = in.u8() % 3;
  for (uint32_t p = 0; p < kModePartCount; ++p)
    d->mode_parts[p].assign(records[p] * kModePartSizes[p], static_cast<uint8_t>(0xA0 + 0x10 * p));

  image->drv = model::view_of<DrvTables>(*d, missing);
}

// The image: its counts, a bit per table of the list that it lacks (bit k:
// the k-th), whether it has Drv tables, then each table's elements.
void decode_image(Reader& in, uint16_t query_id, DecodedImage* image) {
  model::ImageTableStore* d = &image->tables;
  const uint8_t missing = in.u8();
  d->items.resize(in.u8());
  d->root_ids.resize(in.u8() % 33);
  d->root_items.resize(d->root_ids.size());
  d->i32_pool.resize(in.u8() % 17);
  d->i16_pool.resize(in.u8() % 65);
  d->byte_pool.resize(in.u8());
  d->match_pool.resize(in.u8() % 65);
  const bool with_drv_tables = in.u8() % 4 != 0;

  decode_items(in, query_id, d);
  for (size_t s = 0; s < d->root_ids.size(); ++s) {
    d->root_ids[s] = decode_tag(in, query_id);
    d->root_items[s] = in.u8();
  }
  for (int32_t& v : d->i32_pool) v = static_cast<int32_t>(in.u32());
  for (uint16_t& v : d->i16_pool) v = in.u16();
  in.bytes(d->byte_pool.data(), d->byte_pool.size());
  in.bytes(d->match_pool.data(), d->match_pool.size());
  if (with_drv_tables) decode_drv_tables(in, image);

  image->image = model::view_of<Image>(*d, missing);
  image->image.drv_tables = with_drv_tables ? &image->drv : nullptr;
}

}  // namespace

void decode_image_input(const uint8_t* data, size_t size, ImageInput* input) {
  Reader in(data, size);
  // The query first, so that the image's tags can name its id.
  const uint8_t id_code = in.u8();
  input->id = id_code < 0xC0 ? kQueryIds[id_code % kQueryIdCount] : in.u16();
  input->how = in.u8();
  input->fail_at = in.u8() % 12;
  input->country = in.u8() % 3;
  input->buffer_mode = in.u8();
  input->cb = input->buffer_mode & 1 ? in.u16() : in.u8();
  decode_image(in, input->id, &input->image);
  decode_context(in, &input->context);
}

}  // namespace orv::fuzz
