// The process's one controller: the one the program's owner
// (view/program.h) holds, created after the model and deleted before it.
#pragma once

#include "controller/pvcontroller.h"
#include "fml/instance.h"

namespace pvl {

// The controller of the program that exists. Raises fml::exception when
// there is none (see fml/instance.h).
pvcontroller& controller();

}  // namespace pvl
