// Committed quotes survive a killed process: a child adds quotes as fast as
// it can and is killed with SIGKILL in the middle; every quote whose addition
// had returned is there afterwards, intact.
#include <SQLiteCpp/Database.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <sstream>

#include "model/logic.h"
#include "model/testing/test_collection.h"
#include "tests/support/process.h"

namespace pvl {
namespace {

using testing_support::child_process;

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
    child_process child(DURABILITY_CHILD, {}, {collection.data_dir().string(), report.string()});
    ASSERT_GT(child.pid(), 0);
    ASSERT_TRUE(testing_support::wait_until([&] { return reported().size() >= count; },
                                            std::chrono::seconds(60)));
    child.signal(SIGKILL);
    EXPECT_EQ(child.wait(), -1);  // ended by the signal
  }
  auto lines = reported();
  {
    SQLite::Database db(collection.db_file().string(), SQLite::OPEN_READWRITE);
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
