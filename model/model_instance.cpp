#include "model/model_instance.h"

#include <ostream>

#include "fml/log.h"

namespace pvl {

namespace {

// A plain pointer: the model is deleted by delete_model() only, never by the
// exit-time destructors, which run after the logs it writes to are closed.
pvlModel* the_model = nullptr;

}  // namespace

pvlModel& model() {
  if (!the_model) {
    the_model = new pvlModel();
    fml::getlog("app") << "Singleton: " << the_model->name() << " - created." << std::endl;
  }
  return *the_model;
}

void delete_model() {
  if (!the_model) return;
  std::string name = the_model->name();
  delete the_model;
  the_model = nullptr;
  fml::getlog("app") << "Singleton: " << name << " - deleted." << std::endl;
}

}  // namespace pvl
