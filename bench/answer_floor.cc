#include "answer_floor.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace orvbench {

bool AnswerFloor::Key::operator==(const Key& other) const {
  if (id != other.id || count != other.count || text != other.text) return false;
  for (uint32_t i = 0; i < count; ++i) {
    if (values[i] != other.values[i]) return false;
  }
  return true;
}

AnswerFloor::AnswerFloor() : slots_(kSlots) {}

AnswerFloor::Key AnswerFloor::make_key(const QueryCase& c, const ORV_QUERY_CONTEXT* ctx) {
  Key key;
  key.id = c.id;
  key.count = c.key_selector_count;
  for (uint32_t i = 0; i < c.key_selector_count; ++i) {
    uint16_t s = c.key_selectors[i];
    key.values[i] = (ctx->pSelectors != nullptr && s < ctx->cSelectors) ? ctx->pSelectors[s] : 0;
  }
  key.text = 0;
  if (c.key_string >= 0 && ctx->ppStrings != nullptr &&
      static_cast<uint32_t>(c.key_string) < ctx->cStrings) {
    // FNV-1a over the text, terminator excluded.
    uint64_t h = 0xcbf29ce484222325ull;
    for (const char* p = ctx->ppStrings[c.key_string]; p != nullptr && *p != '\0'; ++p) {
      h = (h ^ static_cast<uint8_t>(*p)) * 0x100000001b3ull;
    }
    key.text = h;
  }
  return key;
}

uint64_t AnswerFloor::hash(const Key& key) {
  uint64_t h = key.id * 0x9E3779B97F4A7C15ull ^ key.text;
  for (uint32_t i = 0; i < key.count; ++i) h = (h ^ key.values[i]) * 0xff51afd7ed558ccdull;
  return h ^ (h >> 29);
}

void AnswerFloor::add(const QueryCase& c, int32_t result, const void* bytes, uint32_t size) {
  Key key = make_key(c, &c.ctx);
  for (uint64_t i = hash(key);; ++i) {
    Slot& slot = slots_[i & (kSlots - 1)];
    if (slot.used && !(slot.key == key)) continue;
    if (!slot.used && bytes_.size() + size > UINT32_MAX) abort();
    slot.used = true;
    slot.key = key;
    slot.result = result;
    slot.offset = static_cast<uint32_t>(bytes_.size());
    slot.size = size;
    const uint8_t* b = static_cast<const uint8_t*>(bytes);
    bytes_.insert(bytes_.end(), b, b + size);
    return;
  }
}

int32_t AnswerFloor::query(const QueryCase& c, const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf,
                           void* pBuf, uint32_t* pcbNeeded) const {
  if (ctx == nullptr) return DB_NO_CONTEXT;
  Key key = make_key(c, ctx);
  for (uint64_t i = hash(key);; ++i) {
    const Slot& slot = slots_[i & (kSlots - 1)];
    if (!slot.used) return DB_NOT_FOUND;
    if (!(slot.key == key)) continue;
    if (slot.result != DB_OK) return slot.result;
    if (pBuf == nullptr || cbBuf < slot.size) {
      *pcbNeeded = slot.size;
      return DB_MORE_DATA;
    }
    memcpy(pBuf, bytes_.data() + slot.offset, slot.size);
    *pcbNeeded = slot.size;
    return DB_OK;
  }
}

}  // namespace orvbench
