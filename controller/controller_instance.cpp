#include "controller/controller_instance.h"

namespace pvl {

pvcontroller& controller() { return instance<pvcontroller>::get("controller"); }

}  // namespace pvl
