#include "view/program.h"

#include <utility>

namespace pvl {

program::program(pvlModel::clipboard_writer clipboard, const std::wstring& resource_folder)
    : resources_(resource_folder), view_(*resources_) {
  model_->set_clipboard(std::move(clipboard));
  model_->set_view(&*view_);
  controller_->set_view(&*view_);
}

program::~program() {
  controller_->set_view(nullptr);
  model_->set_view(nullptr);
}

}  // namespace pvl
