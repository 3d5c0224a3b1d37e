// Writes a compiled image as a C++ source file of constant arrays that
// defines orv::builtin_image(). Build-time code.
#ifndef ORVDB_MODELC_EMITTER_H_
#define ORVDB_MODELC_EMITTER_H_

#include <string>

#include "modelc/compiler.h"

namespace orv::model {

// The generated source text; the same image always gives the same text.
std::string emit_source(const CompiledImage& image);

}  // namespace orv::model

#endif  // ORVDB_MODELC_EMITTER_H_
