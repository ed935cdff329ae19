// The process's one model: the one the program's owner (view/program.h)
// holds, created first among the long-lived objects and deleted last, which
// closes the collection.
#pragma once

#include "fml/instance.h"
#include "model/pvl_model.h"

namespace pvl {

// The model of the program that exists. Raises fml::exception when there
// is none (see fml/instance.h).
pvlModel& model();

}  // namespace pvl
