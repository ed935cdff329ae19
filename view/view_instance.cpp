#include "view/view_instance.h"

namespace pvl {

pvview& view() { return instance<pvview>::get("view"); }

}  // namespace pvl
