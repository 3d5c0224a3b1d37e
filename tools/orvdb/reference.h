// The model's reference: every id the library answers, with its domain, its
// meaning and unit from the description, its answer form, what it reads, the
// context it needs and an example answer, as Markdown. The text depends only
// on the image and the description, so a test can hold the committed copy to
// them.
#ifndef ORVDB_TOOLS_ORVDB_REFERENCE_H_
#define ORVDB_TOOLS_ORVDB_REFERENCE_H_

#include <ostream>

#include "engine/image.h"
#include "meanings.h"

namespace orvtool {

// Writes the reference of `image`, with the meanings of its model, to `out`. Resets the
// stand-in platform and sets it up for the example answers.
void print_reference(const orv::Image& image, const Meanings& meanings, std::ostream& out);

}  // namespace orvtool

#endif  // ORVDB_TOOLS_ORVDB_REFERENCE_H_
