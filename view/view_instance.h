// The process's one view: the one the program's owner (view/program.h)
// holds, created after the model, the controller and the resource store,
// and deleted first.
#pragma once

#include "fml/instance.h"
#include "view/pvview.h"

namespace pvl {

// The view of the program that exists. Raises fml::exception when there is
// none (see fml/instance.h).
pvview& view();

}  // namespace pvl
