// Reading a JSON export (model/json_export.h) back into a collection file.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace SQLite {
class Database;
}

namespace pvl {

// A file that is no JSON export of this program: what is wrong and where.
class json_import_error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct import_counts {
  int64_t quotes_added = 0;
  int64_t quotes_skipped = 0;  // already stored with the same text and stamp
  int64_t tags_added = 0;
};

// Stores the export `json` in the open collection `db`, all in one
// transaction. Without `merge` the collection must hold no tag and no
// quote. With it, tags are matched by name and a quote already stored with
// the same text and stamp is skipped. New records get the next free ids;
// quotes keep their order, stamps, texts and tags. Raises json_import_error
// (nothing stored) for a malformed export or a collection that is not
// empty without `merge`, and SQLite::Exception when the file refuses the
// change.
import_counts import_json(SQLite::Database& db, std::string_view json, bool merge);

}  // namespace pvl
