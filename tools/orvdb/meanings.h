// What the model's description says each root id answers, read from the
// description the tool is built with: each model's tool links its own.
#ifndef ORVDB_TOOLS_ORVDB_MEANINGS_H_
#define ORVDB_TOOLS_ORVDB_MEANINGS_H_

#include <stdint.h>

#include <string>

namespace orvtool {

// One id's meaning and the unit of its numbers (empty when it has none).
struct Meaning {
  std::string text;  // one line
  std::string unit;  // "1/100 mm", or empty
};

// The meaning of `id`, or null when the description gives none. The
// description is read once, on the first call.
const Meaning* meaning_of(uint16_t id);

// "text (unit)", "text", or "-" for an id without a meaning.
std::string meaning_text(uint16_t id);

}  // namespace orvtool

#endif  // ORVDB_TOOLS_ORVDB_MEANINGS_H_
