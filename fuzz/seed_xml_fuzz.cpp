// The importer of the default collection's XML files: any bytes read as the tags file and as the
// quotes file either import or raise the importer's errors (which the program shows), never a
// fault. Each input is imported in a transaction that is then rolled back, so every run starts from
// the same collection.
#include <SQLiteCpp/Database.h>

#include <cstdint>
#include <memory>

#include "fml/app_errors.h"
#include "model/logic.h"
#include "model/testing/test_collection.h"
#include "tests/support/temp_dir.h"

namespace {

struct collection {
  model_testing::test_collection folders;
  pvl::logic store;
  std::filesystem::path file = folders.root() / "input.xml";
};

void import(pvl::logic& store, void (pvl::logic::*step)(const std::wstring&),
            const std::filesystem::path& file) {
  store.database().exec("BEGIN");
  try {
    (store.*step)(file.wstring());
  } catch (const read_xml_error&) {
  } catch (const wrong_tag_id&) {
  }
  store.database().exec("ROLLBACK");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static collection c;
  testing_support::write_file(c.file,
                              std::string(reinterpret_cast<const char*>(data), size));
  import(c.store, &pvl::logic::importTags, c.file);
  import(c.store, &pvl::logic::importQuotes, c.file);
  return 0;
}
