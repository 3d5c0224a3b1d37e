// The texts of the model compiler's faults: "file:line: error: subject:
// message", the place being the description call that wrote the entry at
// fault. Build-time code.
#ifndef ORVDB_MODELC_FAULT_TEXT_H_
#define ORVDB_MODELC_FAULT_TEXT_H_

#include <stdint.h>

#include <string>

#include "modelc/description.h"
#include "modelc/text_forms.h"

namespace orv::model {

// "file:line" of a description call, relative to the source tree when possible.
std::string place_text(const Loc& where);
// A complete fault message about `subject` ("tree 0x1003", "mode table").
std::string entry_fault_text(const Loc& where, const std::string& subject,
                             const std::string& message);
// A complete fault message about tree `tree`.
std::string fault_text(const Loc& where, const std::string& tree, const std::string& message);

}  // namespace orv::model

#endif  // ORVDB_MODELC_FAULT_TEXT_H_
