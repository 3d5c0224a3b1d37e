// The vocabulary in which the model's data is written: a tree of value-type
// nodes built by small functions, registered per data id in a Model. The
// model compiler (compiler.h) turns a Model into the image; nobody types item
// words or pool offsets by hand. Every builder records the place where it was
// called, so that a fault found by the verifier names the line of the
// description that wrote the faulty node.
//
// A model file defines one function per domain, for example:
//
//   #include "modelc/description.h"
//   namespace orv::model {
//   void describe_example(Model& m) {
//     m.answer({0x0002, "the version text"}, str("1.50"));    // an id, its meaning, its tree
//     m.answer({kValueNameId, "a value name, by tag"},        // switch on selector 0
//              switch_sel(0, {case_(1, str("Name1")), case_(2, str("Name2"))}));
//     m.tree("paper", select(28, {                            // named tree ...
//                         branch(9, {int16(0x1003, {21000, 29700})}),
//                     }));
//     m.answer({{0x1001, "printable size", "1/100 mm"},       // ... shared by a group of ids
//               {0x1003, "paper size", "1/100 mm"}},
//              ref("paper"));
//     m.fragment("frag_101b", bytes(kFragmentId, {0x1B, 0x40}));  // named by a label only
//     for (const auto& row : kRows) { ... }                   // combinatorial data: loops
//     m.command_sequence(0x101B, {"frag_101b"});              // a Drv table entry
//   }
//   }  // namespace orv::model
//
// Build-time code: full C++ (containers, exceptions) is fine here.
// Each builder takes a trailing `Loc where = Loc::current()`, so the place
// of every node is the line that called the builder.
#ifndef ORVDB_MODELC_DESCRIPTION_H_
#define ORVDB_MODELC_DESCRIPTION_H_

#include <stdint.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "drvrecords/drv_tables.h"
#include "engine/image.h"

namespace orv::model {

// The place of a call in the description: file and line of the call site
// when used as a defaulted parameter (Loc where = Loc::current()). Same use as
// std::source_location, built on the compiler builtins so that every
// supported compiler and standard library has it.
struct Loc {
  const char* file_ = "";  // source file of the call
  unsigned line_ = 0;      // line of the call

  static constexpr Loc current(const char* file = __builtin_FILE(),
                               unsigned line = __builtin_LINE()) {
    return Loc{file, line};
  }
  const char* file_name() const { return file_; }
  unsigned line() const { return line_; }
};

// What a description node stands for. A node that stands for an item has
// that item's kind as its value, so that the kinds table (kKindInfo,
// engine/image.h) says what it is; NODE_REF and NODE_LABEL stand for the
// node they name or wrap and are no item kind.
enum NodeKind {
  NODE_NONE = 0,                                // an unset node; a description fault
  NODE_SEQUENCE = ITEM_SEQUENCE,                // children tried in order
  NODE_SELECT = ITEM_SELECT,                    // select on a selector over branch children
  NODE_BRANCH = ITEM_BRANCH,                    // children taken when the selector equals it
  NODE_SWITCH_SELECTOR = ITEM_SWITCH_SELECTOR,  // switch on a selector
  NODE_SWITCH_MASKED = ITEM_SWITCH_MASKED,      // switch on a selector AND a mask
  NODE_SWITCH_STRING = ITEM_SWITCH_STRING,      // switch on a match string
  NODE_SWITCH_PRINTER_DATA = ITEM_SWITCH_PRINTER_DATA,  // switch on a printer configuration value
  NODE_SWITCH_LOCALE = ITEM_SWITCH_LOCALE,              // switch on the user's country code
  NODE_CASE = ITEM_CASE,                                // case: switch value equals a 32-bit value
  NODE_CASE_STRING = ITEM_CASE_STRING,                  // case: match string equals a text
  NODE_CASE_RANGE = ITEM_CASE_RANGE,                    // case: lo <= value <= hi, signed
  NODE_DEFAULT = ITEM_DEFAULT,                          // case: always
  NODE_INT8 = ITEM_INT8,                                // leaf: signed 8-bit numbers
  NODE_UINT8 = ITEM_UINT8,                              // leaf: unsigned 8-bit numbers
  NODE_INT16 = ITEM_INT16,                              // leaf: signed 16-bit numbers
  NODE_UINT16 = ITEM_UINT16,                            // leaf: unsigned 16-bit numbers
  NODE_INT32 = ITEM_INT32,                              // leaf: signed 32-bit numbers
  NODE_STRING = ITEM_STRING,                            // leaf: 8-bit text, stored with its NUL
  NODE_BYTES = ITEM_BYTES,                              // leaf: raw bytes
  NODE_COMPUTED = ITEM_COMPUTED,                        // leaf: computed function
  NODE_REF = 0x100,                                     // the named tree `name` (Model::tree)
  NODE_LABEL = 0x101,  // children[0], whose item is known by the label `name`
};

// The item kind a node stands for; 0 (no kind) for NODE_REF and NODE_LABEL.
inline uint8_t node_item_kind(NodeKind kind) {
  return static_cast<int>(kind) <= int{ITEM_CASE_RANGE} ? static_cast<uint8_t>(kind) : 0;
}

// One node of a description tree. Built only through the functions below;
// the fields are public so that the compiler and verifier can read them.
struct Node {
  Node() = default;  // not an aggregate: a braced list never turns into a Node by accident

  NodeKind kind = NODE_NONE;     // what the node stands for
  uint32_t tag = 0;              // leaf id, selector / match-string index, branch value, tag
  uint32_t value = 0;            // case value, mask, computed function number
  int32_t lo = 0;                // range case: lower bound
  int32_t hi = 0;                // range case: upper bound
  std::vector<int64_t> numbers;  // numeric leaves: the values as written (range-checked later)
  std::string text;  // string leaf and string case: the text without NUL; ref/label: the name
  std::vector<uint8_t> data;   // bytes leaf: the bytes
  std::vector<Node> children;  // container children, switch cases, case target (one)
  Loc where;                   // the call in the description that built this node
};

// ---- containers -----------------------------------------------------------

// Children tried in order; the first that answers wins.
Node seq(std::vector<Node> children, Loc where = Loc::current());
// Select on selector `selector`; children are branch() nodes.
Node select(uint32_t selector, std::vector<Node> branches, Loc where = Loc::current());
// Branch of a select, taken when the selector equals `value`.
Node branch(uint32_t value, std::vector<Node> children, Loc where = Loc::current());

// ---- switches (cases are case_, case_str, case_range, default_) ----------

// Switch on the value of selector `selector`.
Node switch_sel(uint32_t selector, std::vector<Node> cases, Loc where = Loc::current());
// Switch on selector `selector` AND `mask`.
Node switch_masked(uint32_t selector, uint32_t mask, std::vector<Node> cases,
                   Loc where = Loc::current());
// Switch on match string `index`; cases are case_str and default_.
Node switch_str(uint32_t index, std::vector<Node> cases, Loc where = Loc::current());
// Switch on the printer configuration value named by the value-name id
// (kValueNameId) for `tag`.
Node switch_printer_data(uint32_t tag, std::vector<Node> cases, Loc where = Loc::current());
// Switch on the user's country code.
Node switch_locale(std::vector<Node> cases, Loc where = Loc::current());

// Case taken when the switch value equals `value` (all 32 bits).
Node case_(uint32_t value, Node target, Loc where = Loc::current());
// Case of a string switch taken when the match string equals `text` exactly.
Node case_str(std::string text, Node target, Loc where = Loc::current());
// Case taken when lo <= value <= hi (signed).
Node case_range(int32_t lo, int32_t hi, Node target, Loc where = Loc::current());
// Case that always matches; written last.
Node default_(Node target, Loc where = Loc::current());

// ---- leaves (id = the data id the leaf answers) -----------------------------
// Each leaf is written with the id it answers or, in a tree registered for
// one id (Model::answer, or Model::root with one id), without it, answering
// that id: the id is then written once, where the tree is registered.

// The id of a leaf written without one until its tree is registered for one
// id. A leaf that keeps it (in a named tree, a fragment or the tree of a
// group) is refused by the compiler as an id beyond 16 bits.
inline constexpr uint32_t kIdOfItsRoot = 0xFFFFFFFFu;

Node int8(uint32_t id, std::vector<int64_t> values, Loc where = Loc::current());
Node uint8(uint32_t id, std::vector<int64_t> values, Loc where = Loc::current());
Node int16(uint32_t id, std::vector<int64_t> values, Loc where = Loc::current());
Node uint16(uint32_t id, std::vector<int64_t> values, Loc where = Loc::current());
Node int32(uint32_t id, std::vector<int64_t> values, Loc where = Loc::current());
// 8-bit text; the stored value and its count include the terminating NUL.
Node str(uint32_t id, std::string text, Loc where = Loc::current());
// Raw bytes, returned unchanged (printer command fragments).
Node bytes(uint32_t id, std::vector<uint8_t> data, Loc where = Loc::current());
// Value produced by computed function `function`.
Node computed(uint32_t id, uint32_t function, Loc where = Loc::current());

// The same leaves, answering the id of the one root they stand under.
Node int8(std::vector<int64_t> values, Loc where = Loc::current());
Node uint8(std::vector<int64_t> values, Loc where = Loc::current());
Node int16(std::vector<int64_t> values, Loc where = Loc::current());
Node uint16(std::vector<int64_t> values, Loc where = Loc::current());
Node int32(std::vector<int64_t> values, Loc where = Loc::current());
Node str(std::string text, Loc where = Loc::current());
Node bytes(std::vector<uint8_t> data, Loc where = Loc::current());
Node computed(uint32_t function, Loc where = Loc::current());

// ---- sharing and labels ---------------------------------------------------

// The named tree `name` (Model::tree). As a root or case target it is the same
// item; as a child of a container the compiler copies its root item there.
Node ref(std::string name, Loc where = Loc::current());
// `node` itself, whose item index the label `name` resolves to (a command
// sequence can name it as a fragment).
Node label(std::string name, Node node, Loc where = Loc::current());

// A tree registered for a group of root ids, or as a fragment.
struct RootEntry {
  std::vector<uint16_t> ids;  // root ids answered by this tree (empty for a fragment)
  std::string fragment;       // fragment label (empty for a rooted tree)
  Node tree;                  // the tree
  Loc where;                  // the registering call
};

// What a root id answers, in one line, and the unit of its numbers, for the
// model's reference and the tool (Model::answer, Model::about). Written as
// {id, "meaning"} or {id, "meaning", "unit"}.
struct IdAbout {
  IdAbout(uint16_t id, std::string meaning, std::string unit = "", Loc where = Loc::current())
      : id(id), meaning(std::move(meaning)), unit(std::move(unit)), where(where) {}

  uint16_t id;          // the root id
  std::string meaning;  // one line: what the answer is
  std::string unit;     // unit of its numbers ("1/100 mm"), or empty when it has none
  Loc where;            // the describing call
};

// A named tree (Model::tree).
struct NamedTree {
  std::string name;  // the name ref() uses
  Node tree;         // the tree
  Loc where;         // the defining call
};

// ---- the Drv special records' tables --------------------------------------
// Entries of the tables that only the Drv special records read (their layout
// is drvrecords/drv_tables.h). The compiler lays them out: positions, counts
// and item indices are never written by hand. Numbers are range-checked when
// compiled, so a value too large for its field is a fault with its place.

// A value of a selector and its value identifier.
struct SelectorValue {
  int64_t value;     // the selector value (unsigned 16-bit in the table)
  int64_t value_id;  // its value identifier (unsigned 32-bit)
};

// A slot of the selector-value table: a selector and all its values.
struct SelectorValuesEntry {
  int64_t selector;                   // selector index (unsigned 16-bit)
  std::vector<SelectorValue> values;  // in list order
  Loc where;                          // the call that wrote the slot
};

// A command sequence: a Drv id whose answer concatenates the fragment-id
// leaves of the named trees.
struct CommandSequenceEntry {
  int64_t id;                          // the Drv id (unsigned 16-bit)
  std::vector<std::string> fragments;  // labels of the fragment trees, in concatenation order
  Loc where;                           // the call that wrote the sequence
};

// A row of the mode table.
struct ModeRowEntry {
  std::array<int64_t, kModeKeyCount> keys;    // signed 16-bit, in the order of kModeKeySelectors
  std::array<int64_t, kModePartCount> parts;  // record index into part A, B, C, D
  Loc where;                                  // the call that wrote the row
};

// A record of a mode part table.
struct ModePartRecordEntry {
  uint32_t part;                // 0 to 3: part A to D
  std::vector<uint8_t> record;  // its bytes; exactly the part's record size
  Loc where;                    // the call that wrote the record
};

// Every Drv table entry of a description, in the order written.
struct DrvTableEntries {
  std::vector<SelectorValuesEntry> selector_values;     // slots, in table order
  std::vector<CommandSequenceEntry> command_sequences;  // sequences, in table order
  std::vector<ModeRowEntry> mode_rows;                  // rows, in table order
  std::vector<ModePartRecordEntry> mode_part_records;   // records, in each part's order
  // No entry in any table: the image then has no Drv tables.
  bool empty() const {
    return selector_values.empty() && command_sequences.empty() && mode_rows.empty() &&
           mode_part_records.empty();
  }
};

// The whole description of the model.
class Model {
 public:
  // Registers `tree` as the tree of root id `about.id` and says what that id
  // answers: root() and about() in one call, the id written once.
  void answer(IdAbout about, Node tree, Loc where = Loc::current());
  // The same for a group of ids that share `tree`, each with its meaning.
  void answer(std::vector<IdAbout> group, Node tree, Loc where = Loc::current());
  // Registers `tree` as the tree of every id in `ids`: the root index gets one
  // slot per id, all naming the tree's item. Every leaf in it must answer one of
  // these ids (or the top-level sequence id, for fragment leaves); with one id,
  // the leaves written without an id answer it.
  void root(std::vector<uint16_t> ids, Node tree, Loc where = Loc::current());
  // Defines the named tree `name`, used through ref(name); its item index is also
  // known under the label `name`. Defining a name twice is a fault.
  void tree(std::string name, Node tree, Loc where = Loc::current());
  // Registers a fragment tree, known by `label`, answering the top-level sequence
  // id (its leaves are kFragmentId leaves). The tree may be ref() to a rooted tree
  // that also serves as a fragment.
  void fragment(std::string label, Node tree, Loc where = Loc::current());
  // Gives `id` the top-level sequence: the sequence whose children are every
  // root tree and every fragment tree.
  void top_sequence(uint16_t id, Loc where = Loc::current());
  // The same, saying what the id answers.
  void top_sequence(IdAbout about, Loc where = Loc::current());
  // Adds a slot to the selector-value table: `selector` and its values with
  // their identifiers, in list order.
  void selector_values(int64_t selector, std::vector<SelectorValue> values,
                       Loc where = Loc::current());
  // Adds a command sequence to its table: Drv id `id` answers the fragments
  // of the trees known by `fragment_labels` (fragments, named trees or
  // labels), in this order.
  void command_sequence(int64_t id, std::vector<std::string> fragment_labels,
                        Loc where = Loc::current());
  // Adds a row to the mode table: its keys, compared with the selectors of
  // kModeKeySelectors, and its record index into each part table.
  void mode_row(std::array<int64_t, kModeKeyCount> keys,
                std::array<int64_t, kModePartCount> part_records, Loc where = Loc::current());
  // Appends a record to mode part table `part` (0 to 3: A to D).
  void mode_part_record(uint32_t part, std::vector<uint8_t> record, Loc where = Loc::current());
  // Names the printer model the description describes ("QXR-0000"); the image
  // carries the name, and the model compiler refuses a description without one.
  void name(std::string model_name);
  // Says in one line what root id `id` answers and, where it has one, the
  // unit of its numbers. Every root id of a model carries one; the model
  // compiler refuses a model with a root id without it.
  void about(uint16_t id, std::string meaning, std::string unit = "", Loc where = Loc::current());

  // Read access for the compiler.
  const std::vector<RootEntry>& roots() const { return roots_; }
  const std::vector<NamedTree>& trees() const { return trees_; }
  bool has_top() const { return has_top_; }
  uint16_t top_id() const { return top_id_; }
  const Loc& top_where() const { return top_where_; }
  const DrvTableEntries& drv_tables() const { return drv_tables_; }
  const std::string& name() const { return name_; }
  // The Drv table entries for change, as a test changes one value of a copy.
  DrvTableEntries& drv_tables() { return drv_tables_; }
  // The registered and named trees for change, as a test changes one value
  // of a copy.
  std::vector<RootEntry>& roots() { return roots_; }
  std::vector<NamedTree>& trees() { return trees_; }
  const std::vector<IdAbout>& abouts() const { return abouts_; }

 private:
  std::vector<RootEntry> roots_;  // rooted and fragment trees, in order
  std::vector<NamedTree> trees_;  // named trees, in order
  bool has_top_ = false;          // top_sequence() was called
  uint16_t top_id_ = 0;           // its id
  Loc top_where_;                 // its call
  DrvTableEntries drv_tables_;    // the Drv tables' entries
  std::string name_;              // the model's name
  std::vector<IdAbout> abouts_;   // what the root ids answer
};

// The whole description of a model: every model's folder defines it (its
// library's compiler and tool call it). The order of the calls inside fixes
// the order of the image and must not depend on anything but the description.
void describe_model(Model& m);

}  // namespace orv::model

#endif  // ORVDB_MODELC_DESCRIPTION_H_
