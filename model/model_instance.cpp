#include "model/model_instance.h"

namespace pvl {

pvlModel& model() { return instance<pvlModel>::get("model"); }

}  // namespace pvl
