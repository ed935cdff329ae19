// The process's one controller. Start-up creates it after the model and
// deletes it before the model.
#pragma once

#include "controller/pvcontroller.h"

namespace pvl {

// The controller, created on first use, after which "Singleton: controller
// - created." is written to the log "app". Raises what pvcontroller's
// constructor raises; there is then still no controller, and the next call
// tries again.
pvcontroller& controller();

// Deletes the controller and writes "Singleton: controller - deleted." to
// "app". Does nothing when there is no controller.
void delete_controller();

}  // namespace pvl
