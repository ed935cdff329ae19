// The importer of the default collection's XML files: any bytes read as the tags file and as the
// quotes file either import or raise the importer's errors (which the program shows), never a
// fault. Each import runs in a transaction that is then rolled back, so every run starts from the
// same collection.
#include <SQLiteCpp/Database.h>

#include <cstdint>
#include <string>

#include "fml/app_errors.h"
#include "fuzz/check.h"
#include "model/logic.h"
#include "model/testing/test_collection.h"
#include "tests/support/temp_dir.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static model_testing::test_collection folders;
  static pvl::logic store;
  const auto file = folders.root() / "input.xml";
  testing_support::write_file(file, std::string(fuzz::as_text(data, size)));
  for (auto step : {&pvl::logic::importTags, &pvl::logic::importQuotes}) {
    store.database().exec("BEGIN");
    try {
      (store.*step)(file.wstring());
    } catch (const read_xml_error&) {
    } catch (const wrong_tag_id&) {
    }
    store.database().exec("ROLLBACK");
  }
  return 0;
}
