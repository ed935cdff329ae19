// Any bytes as the collection file: the model either refuses to start with an error (which the program
// shows), leaving the file as it was, or it works: a capture, a new tag, a mark, a search, a delete and
// its undo run, and whatever the file refuses on the way is reported to the view, never raised.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "fml/app_errors.h"
#include "fuzz/check.h"
#include "model/model_event.h"
#include "model/pvl_model.h"
#include "model/testing/test_collection.h"
#include "model/testing/view_recorder.h"
#include "tests/support/temp_dir.h"

namespace {

namespace me = pvl::model_events;
namespace ve = pvl::view_events;

// The number the last event `id` the view received carries, or 0.
int32_t last_number(const model_testing::view_recorder& view, int32_t id) {
  for (auto e = view.events.rbegin(); e != view.events.rend(); ++e) {
    if (e->id == id) return id != ve::vadd_quote::id ? e->number : e->quote ? e->quote->m_id : 0;
  }
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static model_testing::test_collection folders;
  const std::string bytes(fuzz::as_text(data, size));
  for (const char* end : {"", "-wal", "-shm", "-journal"})
    std::filesystem::remove(folders.db_file().string() + end);
  testing_support::write_file(folders.db_file(), bytes);
  model_testing::view_recorder view;  // outlives the model
  std::unique_ptr<pvl::pvlModel> model;
  try {
    model = std::make_unique<pvl::pvlModel>();
  } catch (const std::exception& error) {
    if (testing_support::read_file(folders.db_file()) != bytes)
      fuzz::fail("refused, but the file was changed", {error.what()});
    return 0;
  }
  model->set_view(&view);
  try {
    model->on_model_event(me::initial_load{});
    model->on_model_event(me::add_quote{"a captured text"});
    model->on_model_event(me::add_tag{L"a new tag"});
    int32_t quote = last_number(view, ve::vadd_quote::id), tag = last_number(view, ve::vadd_tag_id::id);
    if (quote == 0 || tag == 0) return 0;  // refused and reported
    model->on_model_event(me::mark_quote{{quote, tag}});
    model->on_model_event(me::add_search_tag{tag});
    model->on_model_event(me::delete_quote{quote});
    model->on_model_event(me::undo_delete{});
    model->on_model_event(me::clear_search_tags{});
  } catch (const wrong_quote_id&) {  // a quote the file lost on the way
  } catch (const wrong_tag_id&) {
  }
  return 0;
}
