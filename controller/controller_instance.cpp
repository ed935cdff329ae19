#include "controller/controller_instance.h"

#include <ostream>

#include "fml/log.h"

namespace pvl {

namespace {

// A plain pointer: the controller is deleted by delete_controller() only,
// never by the exit-time destructors, which run after the logs are closed.
pvcontroller* the_controller = nullptr;

}  // namespace

pvcontroller& controller() {
  if (!the_controller) {
    the_controller = new pvcontroller();
    fml::getlog("app") << "Singleton: " << the_controller->name() << " - created." << std::endl;
  }
  return *the_controller;
}

void delete_controller() {
  if (!the_controller) return;
  std::string name = the_controller->name();
  delete the_controller;
  the_controller = nullptr;
  fml::getlog("app") << "Singleton: " << name << " - deleted." << std::endl;
}

}  // namespace pvl
