// The reader of the drag configuration (DragMgr.xml): any bytes either read as a configuration or
// raise the reader's error, never a fault.
#include <cstdint>
#include <filesystem>
#include <string>

#include "controller/drag_config.h"
#include "fml/app_errors.h"
#include "fuzz/check.h"
#include "tests/support/temp_dir.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static testing_support::temp_dir folder;
  testing_support::write_file(folder.path() / "DragMgr.xml", std::string(fuzz::as_text(data, size)));
  try {
    pvl::read_drag_config((folder.path() / "DragMgr.xml").wstring());
  } catch (const pvl::read_drag_mgr_xml_error&) {
  }
  return 0;
}
