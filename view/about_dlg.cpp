#include "view/about_dlg.h"

#include "fml/exception.h"
#include "fml/text.h"
#include "htmlayout/dom/document.h"
#include "view/compiled_resources.h"

namespace pvl {

AboutDlg::AboutDlg(const htmlayout::document* owner, const ResourceMgr& resources)
    : htmlayout::dialog(owner), resources_(resources) {}

int AboutDlg::show() {
  add_compiled_resources();
  return dialog::show(kPageResource);
}

void AboutDlg::on_load_data(htmlayout::load_data_notification& request) {
  const std::string& bytes = resources_.get(fml::utf82wchar(request.uri));
  if (!request.doc || !request.doc->data_ready(request.uri, bytes))
    throw fml::exception("HTMLayoutDataReady, AboutBack");
}

}  // namespace pvl
