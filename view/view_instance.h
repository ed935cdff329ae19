// The process's one view. Start-up creates it after the model, the
// controller and the resource store, and deletes it first.
#pragma once

#include "view/pvview.h"

namespace pvl {

// The view, created on first use over the process's resource store
// (resource_mgr(), created too if need be), after which
// "Singleton: view - created." is written to the log "app". Raises what
// pvview's constructor raises; there is then still no view.
pvview& view();

// Deletes the view and writes "Singleton: view - deleted." to "app". Does
// nothing when there is no view.
void delete_view();

}  // namespace pvl
