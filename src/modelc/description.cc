// Builders of the description vocabulary: each fills one node and records
// where it was called. Nothing is checked here; the compiler and the
// verifier report faults with these locations.
#include "modelc/description.h"

#include <utility>

#include "engine/image.h"

namespace orv::model {
namespace {

Node make(NodeKind kind, uint32_t tag, const Loc& where) {
  Node n;
  n.kind = kind;
  n.tag = tag;
  n.where = where;
  return n;
}

Node container(NodeKind kind, uint32_t tag, std::vector<Node> children, const Loc& where) {
  Node n = make(kind, tag, where);
  n.children = std::move(children);
  return n;
}

Node numeric(NodeKind kind, uint32_t id, std::vector<int64_t> values, const Loc& where) {
  Node n = make(kind, id, where);
  n.numbers = std::move(values);
  return n;
}

Node case_of(NodeKind kind, Node target, const Loc& where) {
  Node n = make(kind, 0, where);
  n.children.push_back(std::move(target));
  return n;
}

// Gives every leaf of `node` written without an id the id `id`.
void give_id(Node& node, uint16_t id) {
  if (is_leaf_kind(node_item_kind(node.kind)) && node.tag == kIdOfItsRoot) node.tag = id;
  for (Node& child : node.children) give_id(child, id);
}

}  // namespace

Node seq(std::vector<Node> children, Loc where) {
  return container(NODE_SEQUENCE, 0, std::move(children), where);
}
Node select(uint32_t selector, std::vector<Node> branches, Loc where) {
  return container(NODE_SELECT, selector, std::move(branches), where);
}
Node branch(uint32_t value, std::vector<Node> children, Loc where) {
  return container(NODE_BRANCH, value, std::move(children), where);
}
Node switch_sel(uint32_t selector, std::vector<Node> cases, Loc where) {
  return container(NODE_SWITCH_SELECTOR, selector, std::move(cases), where);
}
Node switch_masked(uint32_t selector, uint32_t mask, std::vector<Node> cases, Loc where) {
  Node n = container(NODE_SWITCH_MASKED, selector, std::move(cases), where);
  n.value = mask;
  return n;
}
Node switch_str(uint32_t index, std::vector<Node> cases, Loc where) {
  return container(NODE_SWITCH_STRING, index, std::move(cases), where);
}
Node switch_printer_data(uint32_t tag, std::vector<Node> cases, Loc where) {
  return container(NODE_SWITCH_PRINTER_DATA, tag, std::move(cases), where);
}
Node switch_locale(std::vector<Node> cases, Loc where) {
  return container(NODE_SWITCH_LOCALE, kLocaleTag, std::move(cases), where);
}

Node case_(uint32_t value, Node target, Loc where) {
  Node n = case_of(NODE_CASE, std::move(target), where);
  n.value = value;
  return n;
}
Node case_str(std::string text, Node target, Loc where) {
  Node n = case_of(NODE_CASE_STRING, std::move(target), where);
  n.text = std::move(text);
  return n;
}
Node case_range(int32_t lo, int32_t hi, Node target, Loc where) {
  Node n = case_of(NODE_CASE_RANGE, std::move(target), where);
  n.lo = lo;
  n.hi = hi;
  return n;
}
Node default_(Node target, Loc where) { return case_of(NODE_DEFAULT, std::move(target), where); }

Node int8(uint32_t id, std::vector<int64_t> values, Loc where) {
  return numeric(NODE_INT8, id, std::move(values), where);
}
Node uint8(uint32_t id, std::vector<int64_t> values, Loc where) {
  return numeric(NODE_UINT8, id, std::move(values), where);
}
Node int16(uint32_t id, std::vector<int64_t> values, Loc where) {
  return numeric(NODE_INT16, id, std::move(values), where);
}
Node uint16(uint32_t id, std::vector<int64_t> values, Loc where) {
  return numeric(NODE_UINT16, id, std::move(values), where);
}
Node int32(uint32_t id, std::vector<int64_t> values, Loc where) {
  return numeric(NODE_INT32, id, std::move(values), where);
}
Node str(uint32_t id, std::string text, Loc where) {
  Node n = make(NODE_STRING, id, where);
  n.text = std::move(text);
  return n;
}
Node bytes(uint32_t id, std::vector<uint8_t> data, Loc where) {
  Node n = make(NODE_BYTES, id, where);
  n.data = std::move(data);
  return n;
}
Node computed(uint32_t id, uint32_t function, Loc where) {
  Node n = make(NODE_COMPUTED, id, where);
  n.value = function;
  return n;
}

Node int8(std::vector<int64_t> values, Loc where) {
  return int8(kIdOfItsRoot, std::move(values), where);
}
Node uint8(std::vector<int64_t> values, Loc where) {
  return uint8(kIdOfItsRoot, std::move(values), where);
}
Node int16(std::vector<int64_t> values, Loc where) {
  return int16(kIdOfItsRoot, std::move(values), where);
}
Node uint16(std::vector<int64_t> values, Loc where) {
  return uint16(kIdOfItsRoot, std::move(values), where);
}
Node int32(std::vector<int64_t> values, Loc where) {
  return int32(kIdOfItsRoot, std::move(values), where);
}
Node str(std::string text, Loc where) { return str(kIdOfItsRoot, std::move(text), where); }
Node bytes(std::vector<uint8_t> data, Loc where) {
  return bytes(kIdOfItsRoot, std::move(data), where);
}
Node computed(uint32_t function, Loc where) { return computed(kIdOfItsRoot, function, where); }

Node ref(std::string name, Loc where) {
  Node n = make(NODE_REF, 0, where);
  n.text = std::move(name);
  return n;
}
Node label(std::string name, Node node, Loc where) {
  Node n = make(NODE_LABEL, 0, where);
  n.text = std::move(name);
  n.children.push_back(std::move(node));
  return n;
}

void Model::answer(IdAbout about, Node tree, Loc where) {
  root({about.id}, std::move(tree), where);
  abouts_.push_back(std::move(about));
}
void Model::answer(std::vector<IdAbout> group, Node tree, Loc where) {
  std::vector<uint16_t> ids;
  for (const IdAbout& about : group) ids.push_back(about.id);
  root(std::move(ids), std::move(tree), where);
  abouts_.insert(abouts_.end(), group.begin(), group.end());
}
void Model::root(std::vector<uint16_t> ids, Node tree, Loc where) {
  if (ids.size() == 1) give_id(tree, ids.front());
  roots_.push_back(RootEntry{std::move(ids), std::string(), std::move(tree), where});
}
void Model::tree(std::string name, Node tree, Loc where) {
  trees_.push_back(NamedTree{std::move(name), std::move(tree), where});
}
void Model::fragment(std::string label, Node tree, Loc where) {
  roots_.push_back(RootEntry{{}, std::move(label), std::move(tree), where});
}
void Model::top_sequence(uint16_t id, Loc where) {
  has_top_ = true;
  top_id_ = id;
  top_where_ = where;
}
void Model::top_sequence(IdAbout about, Loc where) {
  top_sequence(about.id, where);
  abouts_.push_back(std::move(about));
}
void Model::selector_values(int64_t selector, std::vector<SelectorValue> values, Loc where) {
  drv_tables_.selector_values.push_back(SelectorValuesEntry{selector, std::move(values), where});
}
void Model::command_sequence(int64_t id, std::vector<std::string> fragment_labels, Loc where) {
  drv_tables_.command_sequences.push_back(
      CommandSequenceEntry{id, std::move(fragment_labels), where});
}
void Model::mode_row(std::array<int64_t, kModeKeyCount> keys,
                     std::array<int64_t, kModePartCount> part_records, Loc where) {
  drv_tables_.mode_rows.push_back(ModeRowEntry{keys, part_records, where});
}
void Model::mode_part_record(uint32_t part, std::vector<uint8_t> record, Loc where) {
  drv_tables_.mode_part_records.push_back(ModePartRecordEntry{part, std::move(record), where});
}
void Model::name(std::string model_name) { name_ = std::move(model_name); }
void Model::about(uint16_t id, std::string meaning, std::string unit, Loc where) {
  abouts_.push_back(IdAbout{id, std::move(meaning), std::move(unit), where});
}

}  // namespace orv::model
