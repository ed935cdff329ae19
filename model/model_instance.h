// The process's one model. Start-up creates it first among the long-lived
// objects and deletes it last, which closes the collection.
#pragma once

#include "model/pvl_model.h"

namespace pvl {

// The model, created on first use, after which "Singleton: model - created."
// is written to the log "app". Raises what pvlModel's constructor raises;
// there is then still no model, and the next call tries again.
pvlModel& model();

// Deletes the model and writes "Singleton: model - deleted." to "app". Does
// nothing when there is no model.
void delete_model();

}  // namespace pvl
