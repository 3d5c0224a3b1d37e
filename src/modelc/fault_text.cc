// The fault texts of the model compiler.
#include "modelc/fault_text.h"

#include <stdio.h>

namespace orv::model {

std::string place_text(const Loc& where) {
  std::string file = where.file_name();
#ifdef ORVDB_SOURCE_DIR
  const std::string root = std::string(ORVDB_SOURCE_DIR) + "/";
  if (file.compare(0, root.size(), root) == 0) file.erase(0, root.size());
#endif
  return file + ":" + std::to_string(where.line());
}

std::string entry_fault_text(const Loc& where, const std::string& subject,
                             const std::string& message) {
  return place_text(where) + ": error: " + subject + ": " + message;
}

std::string fault_text(const Loc& where, const std::string& tree, const std::string& message) {
  return entry_fault_text(where, "tree " + tree, message);
}

}  // namespace orv::model
