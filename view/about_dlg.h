// The about box: the page compiled into the program as resource 123 (the
// source is view/about.htm), shown as a modal dialog over the main window.
// Its images come from the resource store; its links ("link" behaviour)
// open through the host's open_url. It ends with its OK button (1).
#pragma once

#include <cstdint>

#include "htmlayout/behaviors/dialog.h"
#include "view/resource_mgr.h"

namespace pvl {

class AboutDlg : public htmlayout::dialog {
 public:
  static constexpr uint32_t kPageResource = 123;

  // `owner` is the main window's document (null: modal over the whole
  // program); `resources` (which must outlive the box) serves its images.
  AboutDlg(const htmlayout::document* owner, const ResourceMgr& resources);

  // Shows the box and returns the code it ended with (1 for OK, 2 when its
  // window was closed); 0 when it could not be shown. Raises what the load
  // request raises.
  int show();

  // Hands the page the file of exactly the requested name from the store.
  // Raises resource_not_found_error when the store holds none, and
  // fml::exception "HTMLayoutDataReady, AboutBack" when the page refuses
  // the bytes.
  void on_load_data(htmlayout::load_data_notification& request) override;

 private:
  const ResourceMgr& resources_;
};

}  // namespace pvl
