// Committed quotes survive faults at every step of a gesture, and a kill while quotes are added;
// the model goes on, says when a gesture did not take effect and leaves an intact file.
#include <SQLiteCpp/Database.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "model/logic.h"
#include "model/pvl_model.h"
#include "model/testing/faulty_vfs.h"
#include "model/testing/test_collection.h"
#include "model/testing/view_recorder.h"
#include "tests/support/process.h"

namespace pvl {
namespace {

namespace me = model_events;
namespace ve = view_events;
using model_testing::fault;

// "id text tags" by id, read through a connection of its own after the integrity check.
std::vector<std::string> stored(const model_testing::test_collection& collection) {
  SQLite::Database db(collection.db_file().string(), SQLite::OPEN_READWRITE);
  EXPECT_EQ(db.execAndGet("PRAGMA integrity_check").getString(), "ok");
  SQLite::Statement select(db, "SELECT m_id || ' ' || m_utftext || ' ' || ifnull((SELECT "
                               "group_concat(tag, ',') FROM (SELECT tag FROM quote_tag WHERE quote = m_id "
                               "ORDER BY pos)), '') FROM quote ORDER BY m_id");
  std::vector<std::string> quotes;
  while (select.executeStep()) quotes.push_back(select.getColumn(0).getString());
  return quotes;
}

struct gesture {
  const char* name;
  bool first_start;  // run on a collection not created yet
  std::function<void(std::unique_ptr<pvlModel>& model)> run;
  std::function<void(pvlModel& model)> complete;  // after healing: what the gesture left undone
  std::vector<std::string> expected;              // what the collection must hold at the end
};

std::vector<gesture> gestures() {
  const std::vector<std::string> kDefault = {"1 one ", "2 two 3,1", "3 three 2", "4 four "};
  auto send = [](auto event) { return [event](std::unique_ptr<pvlModel>& m) { m->on_model_event(event); }; };
  return {
      {"capture", false, send(me::add_quote{"captured"}), [](pvlModel& m) { m.retry_waiting_quotes(); },
       {"1 one ", "2 two 3,1", "3 three 2", "4 four ", "5 captured "}},
      {"tag change", false, send(me::mark_quote{{4, 2}}),
       [](pvlModel& m) { if (m.quote(4)->m_tags.empty()) m.on_model_event(me::mark_quote{{4, 2}}); },
       {"1 one ", "2 two 3,1", "3 three 2", "4 four 2"}},
      {"delete and undo", false,
       [](std::unique_ptr<pvlModel>& m) {
         m->on_model_event(me::delete_quote{2});
         m->on_model_event(me::undo_delete{});
       },
       [](pvlModel& m) { if (!m.quote(2)) m.on_model_event(me::undo_delete{}); },
       kDefault},
      {"first start", true, [](std::unique_ptr<pvlModel>& m) { m = std::make_unique<pvlModel>(); },
       [](pvlModel&) {}, kDefault},
  };
}

// One gesture with the `kind` faults from the n-th on (none when n is 0); returns the calls made.
std::array<int, 3> run_case(model_testing::faulty_vfs& vfs, const gesture& g, fault kind, int n) {
  SCOPED_TRACE(std::string(g.name) + ", " + model_testing::fault_name(kind) + " " + std::to_string(n));
  model_testing::test_collection collection;
  model_testing::view_recorder view;
  std::unique_ptr<pvlModel> model = g.first_start ? nullptr : std::make_unique<pvlModel>();
  if (model) model->set_view(&view);
  vfs.fail_from(kind, n);
  bool raised = false;
  try {
    g.run(model);
  } catch (const std::exception& error) {
    raised = true;  // only a start may fail: the program shows why and ends
    EXPECT_TRUE(g.first_start) << error.what();
  }
  std::array<int, 3> counts{vfs.count(fault::write), vfs.count(fault::sync), vfs.count(fault::lock)};
  vfs.heal();
  bool reported = raised;
  for (const auto& e : view.events) {
    if (e.id != ve::vnotice::id || !e.notice.error) continue;
    reported = true;
    // A refused write is a full disk here, and the user is told so.
    EXPECT_TRUE(kind != fault::write || e.notice.text.find("the disk is full") != std::string::npos)
        << e.notice.text;
  }
  if (!model) model = std::make_unique<pvlModel>();  // the next start
  model->set_view(&view);
  EXPECT_TRUE(reported || stored(collection) == g.expected) << "nothing said, yet it did not take effect";
  g.complete(*model);
  view.clear();
  model->on_model_event(me::add_quote{"after"});
  EXPECT_EQ(view.ids(), std::vector<int32_t>{ve::vadd_quote::id}) << "the model stopped";
  model.reset();
  std::vector<std::string> end = stored(collection);
  for (const std::string& quote : g.expected) EXPECT_EQ(std::count(end.begin(), end.end(), quote), 1) << quote;
  EXPECT_EQ(end.size(), g.expected.size() + 1);
  return counts;
}

TEST(StorageFaultsTest, EveryStepOfAGestureMayFail) {
  model_testing::faulty_vfs vfs;
  for (const gesture& g : gestures()) {
    std::array<int, 3> steps = run_case(vfs, g, fault::write, 0);
    EXPECT_TRUE(steps[0] > 0 && steps[1] > 0 && steps[2] > 0) << "calls went uncounted";
    for (fault kind : model_testing::kFaults)
      for (int n = 1; n <= steps[static_cast<int>(kind)]; ++n) run_case(vfs, g, kind, n);
    if (HasFailure()) return;
  }
}

TEST(DurabilityTest, EveryQuoteWhoseAdditionReturnedSurvivesSigkill) {
  model_testing::test_collection collection;
  const std::filesystem::path report = collection.root() / "report.txt";
  // The report's complete lines (one cut by the kill is none): quote id, addition number.
  auto reported = [&] {
    std::string text = testing_support::read_file(report);
    std::istringstream in(text.erase(text.rfind('\n') + 1));
    std::vector<std::pair<int32_t, long>> lines;
    for (std::pair<int32_t, long> line; in >> line.first >> line.second;) lines.push_back(line);
    return lines;
  };
  // Twice: the second run starts from a file the first left after its kill.
  for (size_t count : {150u, 300u}) {
    testing_support::child_process child(DURABILITY_CHILD, {},
                                         {collection.data_dir().string(), report.string()});
    ASSERT_GT(child.pid(), 0);
    ASSERT_TRUE(testing_support::wait_until([&] { return reported().size() >= count; },
                                            std::chrono::seconds(60)));
    child.signal(SIGKILL);
    EXPECT_EQ(child.wait(), -1);  // ended by the signal
  }
  const auto lines = reported();
  const std::vector<std::string> quotes = stored(collection);
  for (const auto& [id, n] : lines) {
    const std::string quote = std::to_string(id) + " addition " + std::to_string(n) + " ";
    EXPECT_EQ(std::count(quotes.begin(), quotes.end(), quote), 1) << "lost: " << quote;
  }
  // The program starts on the file and numbers on from the highest id.
  logic store;
  int32_t highest = 0;
  for (const Quote& quote : store.quotes()) highest = std::max(highest, quote.m_id);
  EXPECT_GE(highest, lines.back().first);
  EXPECT_EQ(store.addQuote(L"after"), highest + 1);
}

}  // namespace
}  // namespace pvl
