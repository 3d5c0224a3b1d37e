// Checks a compiled image as the engine will walk it: indices in range,
// kinds only where allowed, leaf ids within their tree's root group, unique
// root ids and the top-level sequence. Build-time code.
#ifndef ORVDB_MODELDATA_VERIFIER_H_
#define ORVDB_MODELDATA_VERIFIER_H_

#include <string>
#include <vector>

#include "modeldata/compiler.h"

namespace orv::model {

// Every fault found, as complete compiler messages; empty when the image is sound.
std::vector<std::string> verify(const CompiledImage& image);

}  // namespace orv::model

#endif  // ORVDB_MODELDATA_VERIFIER_H_
