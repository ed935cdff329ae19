// Committed quotes survive a killed process: a child adds quotes as fast as
// it can and is killed with SIGKILL in the middle; every quote whose addition
// had returned is there afterwards, intact.
#include <SQLiteCpp/Database.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <sstream>
#include <thread>

#include "model/logic.h"
#include "model/testing/test_collection.h"
#include "tests/support/process.h"

namespace pvl {
namespace {

using testing_support::child_process;

class DurabilityTest : public ::testing::Test {
 protected:
  std::filesystem::path report() const { return collection_.root() / "report.txt"; }

  // The complete lines of the report: quote id and addition number.
  std::vector<std::pair<int32_t, long>> reported() const {
    std::string text = testing_support::read_file(report());
    text.erase(text.rfind('\n') + 1);  // a line cut by the kill is not a report
    std::vector<std::pair<int32_t, long>> lines;
    std::istringstream in(text);
    int32_t id;
    long n;
    while (in >> id >> n) lines.emplace_back(id, n);
    return lines;
  }

  // Runs the child until it has reported `count` more additions, then kills it.
  void add_and_kill(size_t count) {
    size_t before = reported().size();
    child_process child(DURABILITY_CHILD, {}, {collection_.data_dir().string(), report().string()});
    ASSERT_GT(child.pid(), 0);
    ASSERT_TRUE(testing_support::wait_until([&] { return reported().size() >= before + count; },
                                            std::chrono::seconds(60)));
    child.signal(SIGKILL);
    EXPECT_EQ(child.wait(), -1);  // ended by the signal
  }

  model_testing::test_collection collection_;
};

TEST_F(DurabilityTest, EveryQuoteWhoseAdditionReturnedSurvivesSigkill) {
  // Twice: the second run starts from a file the first left after its kill.
  add_and_kill(150);
  add_and_kill(150);

  auto lines = reported();
  ASSERT_GE(lines.size(), 300u);
  {
    SQLite::Database db(collection_.db_file().string(), SQLite::OPEN_READWRITE);
    EXPECT_EQ(db.execAndGet("PRAGMA integrity_check").getString(), "ok");
    SQLite::Statement text(db, "SELECT m_utftext FROM quote WHERE m_id = ?");
    for (auto& [id, n] : lines) {
      text.bind(1, id);
      ASSERT_TRUE(text.executeStep()) << "quote " << id << " was lost";
      EXPECT_EQ(text.getColumn(0).getString(), "addition " + std::to_string(n));
      text.reset();
    }
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
