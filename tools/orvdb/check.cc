#include "check.h"

#include <set>

#include "drvrecords/drv_tables.h"
#include "engine/resolver.h"
#include "id_info.h"

namespace orvtool {
namespace {

class Checker {
 public:
  explicit Checker(const orv::Image& image, CheckReport* report) : img_(image), r_(report) {}

  void run();

 private:
  void fault(uint32_t index, const std::string& text) {
    r_->faults.push_back("[" + std::to_string(index) + "] " + text);
  }
  bool in_items(uint64_t index) const { return img_.items && index < img_.item_count; }
  void item(uint32_t index, int depth);
  void cases(uint32_t owner, uint32_t first, uint32_t count, bool string_cases, int depth);
  void leaf(uint32_t index, const orv::Item& it);
  void drv_tables();

  const orv::Image& img_;
  CheckReport* r_;
  std::set<uint32_t> seen_;
  std::set<uint32_t> on_path_;
};

void Checker::leaf(uint32_t index, const orv::Item& it) {
  uint8_t kind = orv::item_kind(it.word0);
  uint64_t end = static_cast<uint64_t>(orv::item_offset(it.word0)) + orv::item_count(it.word1);
  uint64_t limit = 0;
  const char* pool = "";
  switch (kind) {
    case orv::ITEM_INT32:
      limit = img_.i32_pool ? img_.i32_count : 0;
      pool = "i32";
      break;
    case orv::ITEM_INT16:
    case orv::ITEM_UINT16:
      limit = img_.i16_pool ? img_.i16_count : 0;
      pool = "i16";
      break;
    case orv::ITEM_COMPUTED:
      if (orv::item_count(it.word1) < 1 || orv::item_count(it.word1) > 7) {
        fault(index,
              "COMPUTED names unknown function " + std::to_string(orv::item_count(it.word1)));
      }
      return;
    default:
      limit = img_.byte_pool ? img_.byte_count : 0;
      pool = "byte";
      break;
  }
  if (end > limit)
    fault(index, std::string(orv::kind_info(kind).name) + " leaf reaches beyond the " + pool + " pool");
}

void Checker::cases(uint32_t owner, uint32_t first, uint32_t count, bool string_cases, int depth) {
  for (uint32_t i = 0; i < count; ++i) {
    uint64_t c = static_cast<uint64_t>(first) + i;
    if (!in_items(c)) {
      fault(owner, "case " + std::to_string(c) + " beyond the item table");
      return;
    }
    seen_.insert(static_cast<uint32_t>(c));
    const orv::Item& cs = img_.items[c];
    uint8_t kind = orv::item_kind(cs.word0);
    bool ok = kind == orv::ITEM_DEFAULT ||
              (string_cases ? kind == orv::ITEM_CASE_STRING
                            : kind == orv::ITEM_CASE || kind == orv::ITEM_CASE_RANGE);
    if (!ok) {
      fault(static_cast<uint32_t>(c), std::string(orv::kind_info(kind).name) + " where a case must stand");
      continue;
    }
    if (kind == orv::ITEM_CASE_STRING) {
      if (!in_items(cs.word1) || orv::item_kind(img_.items[cs.word1].word0) != orv::ITEM_BYTES) {
        fault(static_cast<uint32_t>(c), "case text is not a BYTES item");
      } else {
        seen_.insert(cs.word1);
        const orv::Item& text = img_.items[cs.word1];
        uint64_t end =
            static_cast<uint64_t>(orv::item_offset(text.word0)) + orv::item_count(text.word1);
        if (!img_.match_pool || end > img_.match_count) {
          fault(cs.word1, "case text reaches beyond the match-string pool");
        }
      }
    }
    if (kind == orv::ITEM_CASE_RANGE &&
        (!img_.i32_pool || img_.i32_count < 2 || cs.word1 > img_.i32_count - 2)) {
      fault(static_cast<uint32_t>(c), "range bounds beyond the i32 pool");
    }
    item(orv::item_offset(cs.word0), depth + 1);
  }
}

void Checker::item(uint32_t index, int depth) {
  if (!in_items(index)) {
    r_->faults.push_back("item " + std::to_string(index) + " beyond the item table");
    return;
  }
  if (on_path_.count(index)) {
    fault(index, "the tree leads back to this item (a cycle)");
    return;
  }
  if (depth > orv::kMaxWalkDepth) {
    fault(index, "deeper than " + std::to_string(orv::kMaxWalkDepth) + " levels");
    return;
  }
  if (!seen_.insert(index).second) return;
  on_path_.insert(index);
  const orv::Item& it = img_.items[index];
  uint8_t kind = orv::item_kind(it.word0);
  uint32_t off = orv::item_offset(it.word0);
  uint16_t n = orv::item_count(it.word1);
  auto children = [&](uint32_t first, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) item(first + i, depth + 1);
  };
  switch (kind) {
    case orv::ITEM_BYTES:
    case orv::ITEM_INT32:
    case orv::ITEM_INT8:
    case orv::ITEM_INT16:
    case orv::ITEM_UINT8:
    case orv::ITEM_UINT16:
    case orv::ITEM_STRING:
    case orv::ITEM_COMPUTED:
      leaf(index, it);
      break;
    case orv::ITEM_SEQUENCE:
    case orv::ITEM_BRANCH:
    case orv::ITEM_SELECT:
    case orv::ITEM_CASE:
    case orv::ITEM_DEFAULT:
      children(off, n);
      break;
    case orv::ITEM_SWITCH_SELECTOR:
    case orv::ITEM_SWITCH_PRINTER_DATA:
      cases(index, off, n, false, depth);
      break;
    case orv::ITEM_SWITCH_LOCALE:
      if (orv::item_tag(it.word1) != orv::kLocaleTag)
        fault(index, "locale switch with a tag other than 0x500F");
      cases(index, off, n, false, depth);
      break;
    case orv::ITEM_SWITCH_STRING:
      cases(index, off, n, true, depth);
      break;
    case orv::ITEM_SWITCH_MASKED:
      if (!in_items(off) || orv::item_kind(img_.items[off].word0) != orv::ITEM_MASK) {
        fault(index, "masked switch whose first child is not a MASK item");
        break;
      }
      seen_.insert(off);
      cases(index, orv::item_offset(img_.items[off].word0), n, false, depth);
      break;
    default:
      fault(index, std::string(orv::kind_info(kind).name) + " (kind " + std::to_string(kind) +
                       ") cannot stand in a tree");
  }
  on_path_.erase(index);
}

void Checker::drv_tables() {
  const orv::DrvTables* t = img_.drv_tables;
  if (t == nullptr) {
    r_->sizes.push_back("drv tables absent");
    return;
  }
  r_->sizes.push_back("selector-value slots " + std::to_string(t->sel_count) + ", values " +
                      std::to_string(t->sel_value_count));
  r_->sizes.push_back("command sequences " + std::to_string(t->seq_count) + ", fragments " +
                      std::to_string(t->seq_fragment_count));
  r_->sizes.push_back("mode rows " + std::to_string(t->mode_count) + ", parts A " +
                      std::to_string(t->part_a_count) + " B " + std::to_string(t->part_b_count) +
                      " C " + std::to_string(t->part_c_count) + " D " +
                      std::to_string(t->part_d_count));
  for (uint32_t s = 0; s < t->sel_count; ++s) {
    if (!t->sel_indices || !t->sel_value_counts || !t->sel_first) {
      r_->faults.push_back("selector-value table: missing array");
      break;
    }
    if (static_cast<uint64_t>(t->sel_first[s]) + t->sel_value_counts[s] > t->sel_value_count) {
      r_->faults.push_back("selector-value slot " + std::to_string(s) +
                           " reaches beyond the values");
    }
  }
  for (uint32_t s = 0; s < t->seq_count; ++s) {
    if (!t->seq_ids || !t->seq_fragment_counts || !t->seq_first || !t->seq_fragments) {
      r_->faults.push_back("command-sequence table: missing array");
      break;
    }
    for (uint32_t k = 0; k < t->seq_fragment_counts[s]; ++k) {
      uint64_t p = static_cast<uint64_t>(t->seq_first[s]) + k;
      if (p >= t->seq_fragment_count) {
        r_->faults.push_back("command sequence " + hex_id(t->seq_ids[s]) +
                             " reaches beyond the fragments");
        break;
      }
      if (!in_items(t->seq_fragments[p])) {
        r_->faults.push_back("command sequence " + hex_id(t->seq_ids[s]) + " fragment " +
                             std::to_string(p) + " beyond the item table");
      } else {
        item(t->seq_fragments[p], 0);
      }
    }
  }
  for (uint32_t row = 0; t->mode_rows && row < t->mode_count; ++row) {
    const orv::ModeRow& m = t->mode_rows[row];
    if (m.part_a >= t->part_a_count || m.part_b >= t->part_b_count || m.part_c >= t->part_c_count ||
        m.part_d >= t->part_d_count) {
      r_->faults.push_back("mode row " + std::to_string(row) +
                           " names a part record beyond its table");
    }
  }
}

void Checker::run() {
  r_->sizes.push_back("items " + std::to_string(img_.item_count));
  r_->sizes.push_back("roots " + std::to_string(img_.root_count));
  r_->sizes.push_back("i32 pool " + std::to_string(img_.i32_count));
  r_->sizes.push_back("i16 pool " + std::to_string(img_.i16_count));
  r_->sizes.push_back("byte pool " + std::to_string(img_.byte_count));
  r_->sizes.push_back("match-string pool " + std::to_string(img_.match_count));
  // What the trees and pools take in the library's read-only data.
  uint64_t bytes = uint64_t{img_.item_count} * sizeof(orv::Item) +
                   uint64_t{img_.root_count} * (sizeof(uint16_t) + sizeof(uint32_t)) +
                   uint64_t{img_.i32_count} * sizeof(int32_t) +
                   uint64_t{img_.i16_count} * sizeof(uint16_t) + img_.byte_count + img_.match_count;
  r_->sizes.push_back("image bytes " + std::to_string(bytes));
  if (!img_.items && img_.item_count) r_->faults.push_back("item table missing");
  if (!img_.i32_pool && img_.i32_count) r_->faults.push_back("i32 pool missing");
  if (!img_.i16_pool && img_.i16_count) r_->faults.push_back("i16 pool missing");
  if (!img_.byte_pool && img_.byte_count) r_->faults.push_back("byte pool missing");
  if (!img_.match_pool && img_.match_count) r_->faults.push_back("match-string pool missing");
  if (!img_.root_ids || !img_.root_items || img_.root_count == 0) {
    r_->faults.push_back("root index missing or empty");
  } else {
    std::set<uint16_t> ids;
    for (uint32_t k = 0; k < img_.root_count; ++k) {
      if (!ids.insert(img_.root_ids[k]).second) {
        r_->faults.push_back("root id " + hex_id(img_.root_ids[k]) + " stands in two slots");
      }
      if (!in_items(img_.root_items[k])) {
        r_->faults.push_back("root " + hex_id(img_.root_ids[k]) + " names item " +
                             std::to_string(img_.root_items[k]) + " beyond the item table");
        continue;
      }
      item(img_.root_items[k], 0);
    }
  }
  drv_tables();
  for (uint32_t i = 0; img_.items && i < img_.item_count; ++i) {
    if (!seen_.count(i)) ++r_->unreached;
  }
}

}  // namespace

CheckReport check_image(const orv::Image& image) {
  CheckReport report;
  Checker(image, &report).run();
  return report;
}

}  // namespace orvtool
