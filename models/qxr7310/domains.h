// The domains of this model's description, each defined in a file of its
// own; describe_model (model.cc) calls them in order.
#ifndef ORVDB_MODELS_QXR7310_DOMAINS_H_
#define ORVDB_MODELS_QXR7310_DOMAINS_H_

#include "modelc/description.h"

namespace orv::model {

void describe_root(Model& m);        // root.cc
void describe_lm(Model& m);          // lm.cc
void describe_mnt(Model& m);         // mnt.cc
void describe_pa_sm(Model& m);       // pa_sm.cc
void describe_drv(Model& m);         // drv*.cc: Drv ids, their internal leaves, fragments
void describe_drv_tables(Model& m);  // drv_table_entries.cc: the Drv tables' entries

// Meanings that many root ids share: most constants are stored for the
// package's other modules and mean nothing to this library.
inline constexpr const char* kConstant =
    "a constant of the package's modules, not read by this library";
inline constexpr const char* kCompanion = "file name of a companion module of the package";
// The unit of sizes and offsets on paper.
inline constexpr const char* kHundredthsMm = "1/100 mm";

}  // namespace orv::model

#endif  // ORVDB_MODELS_QXR7310_DOMAINS_H_
