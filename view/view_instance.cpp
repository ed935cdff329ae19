#include "view/view_instance.h"

#include <memory>

#include "fml/log.h"
#include "view/resource_mgr.h"

namespace pvl {

namespace {
std::unique_ptr<pvview> g_view;
}  // namespace

pvview& view() {
  if (!g_view) {
    g_view = std::make_unique<pvview>(resource_mgr());
    fml::getlog("app") << "Singleton: " << g_view->name() << " - created." << std::endl;
  }
  return *g_view;
}

void delete_view() {
  if (!g_view) return;
  const std::string name = g_view->name();
  g_view.reset();
  fml::getlog("app") << "Singleton: " << name << " - deleted." << std::endl;
}

}  // namespace pvl
