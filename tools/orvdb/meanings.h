// What a model's description says each root id answers: the built-in
// model's from the description the tool is built with, a loaded image
// file's from the file.
#ifndef ORVDB_TOOLS_ORVDB_MEANINGS_H_
#define ORVDB_TOOLS_ORVDB_MEANINGS_H_

#include <stdint.h>

#include <map>
#include <string>
#include <vector>

#include "id_info.h"
#include "modelc/image_file.h"

namespace orvtool {

// One id's meaning and the unit of its numbers (empty when it has none).
struct Meaning {
  std::string text;  // one line
  std::string unit;  // "1/100 mm", or empty
};

// Every described root id of one model.
using Meanings = std::map<uint16_t, Meaning>;

// The meanings of the built-in model. The description is read once, on the
// first call.
const Meanings& builtin_meanings();

// The meanings an image file carries.
Meanings file_meanings(const std::vector<orv::model::ImageMeaning>& carried);

// The meaning of `id`, or null when the model gives none.
const Meaning* meaning_of(const Meanings& meanings, uint16_t id);

// What `info`'s id answers: the model's meaning of it, or for a Drv special
// id the model does not describe, what its path answers (from its row of the
// special-id table); an empty text when there is neither.
Meaning id_meaning(const Meanings& meanings, const IdInfo& info);

// id_meaning as "text (unit)", "text", or "-" when there is none.
std::string meaning_text(const Meanings& meanings, const IdInfo& info);

}  // namespace orvtool

#endif  // ORVDB_TOOLS_ORVDB_MEANINGS_H_
