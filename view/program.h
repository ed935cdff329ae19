// The one owner of the program's long-lived objects: the model, the
// controller, the store of the user-interface files and the view, created
// in that order and deleted in the reverse one, each with its "Singleton"
// lines in the log "app" (fml/instance.h). While a program exists, model(),
// controller(), resource_mgr() and view() return its objects. Start-up
// makes one for the life of the window (shell/application.cpp); tests make
// one on a temporary collection (view/testing/program_window.h).
#pragma once

#include <string>

#include "controller/pvcontroller.h"
#include "fml/instance.h"
#include "model/pvl_model.h"
#include "view/pvview.h"
#include "view/resource_mgr.h"

namespace pvl {

class program {
 public:
  // Creates the four objects, the store reading `resource_folder`, and
  // connects the model (its view events, and its copies, which go to
  // `clipboard`) and the controller to the view. Raises what the objects'
  // constructors raise, after deleting those already created.
  program(pvlModel::clipboard_writer clipboard, const std::wstring& resource_folder);
  // Disconnects the model and the controller from the view, then deletes
  // the view, the store, the controller and the model.
  ~program();

  program(const program&) = delete;
  program& operator=(const program&) = delete;

  pvlModel& model() { return *model_; }
  pvcontroller& controller() { return *controller_; }
  ResourceMgr& resources() { return *resources_; }
  pvview& view() { return *view_; }

 private:
  // In the order of creation.
  instance<pvlModel> model_;
  instance<pvcontroller> controller_;
  instance<ResourceMgr> resources_;
  instance<pvview> view_;
};

}  // namespace pvl
