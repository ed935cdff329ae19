// Whole-process tests of start-up and shutdown: the program runs as a child
// process against temporary folders, with Qt's offscreen platform.
#include <SQLiteCpp/Database.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace testing_support;

const char kTags[] = "<tags><tag id=\"4\" name=\"seed\"/></tags>";
const char kQuotes[] = "<quotes><quote id=\"9\" text=\"first quote\"><tag id=\"4\"/></quote></quotes>";

class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(root_.path() / "data");
    std::filesystem::create_directories(root_.path() / "common/Parvela");
    std::filesystem::create_directories(root_.path() / "run");
    chmod((root_.path() / "run").c_str(), 0700);
    write_file(root_.path() / "common/Parvela/defaulttags.xml", kTags);
    write_file(root_.path() / "common/Parvela/defaultquotes.xml", kQuotes);
  }

  std::map<std::string, std::string> env() const {
    return {{"XDG_DATA_HOME", (root_.path() / "data").string()},
            {"XDG_DATA_DIRS", (root_.path() / "common").string()},
            {"XDG_RUNTIME_DIR", (root_.path() / "run").string()},
            {"HOME", (root_.path() / "home").string()},
            {"QT_QPA_PLATFORM", "offscreen"}};
  }

  std::filesystem::path data() const { return root_.path() / "data/Parvela"; }
  std::string log(const char* name) const { return read_file(data() / "logs" / name); }

  bool init_complete() const {
    return wait_until([&] { return log("application.log").find("Init complete") != std::string::npos; });
  }

  testing_support::temp_dir root_;
};

// A killed instance leaves its lock and socket behind: the next start is
// not blocked, begins its logs afresh and ends in order on SIGINT.
TEST_F(StartupTest, AKilledInstanceDoesNotBlockTheNextStartWhichEndsInOrder) {
  {
    child_process crashed(PARVELA_EXE, env());
    ASSERT_TRUE(init_complete());
    crashed.signal(SIGKILL);
    crashed.wait();
  }
  write_file(data() / "logs/model.log", "stale line\n");
  std::filesystem::remove(data() / "logs/application.log");
  child_process next(PARVELA_EXE, env());
  ASSERT_TRUE(init_complete());
  EXPECT_EQ(log("model.log"), "");
  next.signal(SIGINT);
  EXPECT_EQ(next.wait(), 0);
  EXPECT_FALSE(std::filesystem::exists(root_.path() / "run/parvela.sock"));
  std::string app = log("application.log");
  EXPECT_EQ(app.rfind("Application started\nSetDataDir: ", 0), 0u) << app;
  EXPECT_TRUE(app.ends_with("Application finished.\n")) << app;
  // The long-lived objects come up in order.
  auto at = [&app](const char* line) { return app.find(line); };
  EXPECT_LT(at("Singleton: model - created."), at("Singleton: controller - created."));
  EXPECT_LT(at("Singleton: controller - created."), at("Singleton: ResourceMgr - created."));
  EXPECT_LT(at("Singleton: ResourceMgr - created."), at("Singleton: view - created."));
  EXPECT_LT(at("Singleton: view - created."), at("Init complete"));
  std::string separator(61, '-');
  std::string debug = log("debug.log");
  EXPECT_EQ(debug.rfind(separator + "\nApplication started\nSetDataDir: ", 0), 0u) << debug;
  EXPECT_EQ(read_file(data() / "defaulttags.xml"), kTags);
}

// Each start that cannot go on ends with its exit code, says why (on
// standard error, or in the log once there is one) and leaves what it found.
TEST_F(StartupTest, AStartThatCannotGoOnEndsWithItsCodeAndKeepsWhatItFound) {
  const auto run = root_.path() / "run";
  const auto long_folder = root_.path() / std::string(100, 'r');
  const std::string not_a_database = ": file is not a database";
  struct {
    const char* name;
    std::function<void()> make;
    std::map<std::string, std::string> env;
    int code;
    std::string said;  // in standard error, else in the application log
    std::filesystem::path kept;  // a file the start must leave as it was
  } cases[] = {
      {"no data folder", [] {}, {{"XDG_DATA_HOME", ""}, {"HOME", ""}}, 123, "", ""},
      // A folder in the lock file's place cannot be opened, whoever runs
      // the test (root ignores permission bits).
      {"lock file", [&] { std::filesystem::create_directories(run / "parvela.lock"); }, {}, 1,
       "Cannot open the lock file " + (run / "parvela.lock").string(), ""},
      {"socket path", [&] { std::filesystem::create_directories(long_folder); },
       {{"XDG_RUNTIME_DIR", long_folder.string()}}, 1,
       "bytes long, more than a socket path may have (107)", ""},
      {"data folder is a file", [&] { write_file(data(), "not a folder"); }, {}, 1, "", data()},
      {"log", [&] { std::filesystem::create_directories(data() / "logs/application.log"); }, {},
       1, "", ""},
      {"one zero byte", [&] {
         std::filesystem::create_directories(data());
         write_file(data() / "parvela.fdb", std::string(1, '\0'));
       }, {}, 1, not_a_database, data() / "parvela.fdb"},
      {"one letter", [&] {
         std::filesystem::create_directories(data());
         write_file(data() / "parvela.fdb", "x");
       }, {}, 1, not_a_database, data() / "parvela.fdb"},
  };
  for (auto& each : cases) {
    SCOPED_TRACE(each.name);
    std::filesystem::remove_all(root_.path() / "data");
    std::filesystem::remove_all(run / "parvela.lock");
    std::filesystem::create_directories(root_.path() / "data");
    each.make();
    const std::string before = each.kept.empty() ? "" : read_file(each.kept);
    const bool data_folder_there = std::filesystem::exists(data());
    auto changed = env();
    for (auto& [name, value] : each.env) changed[name] = value;
    child_process program(PARVELA_EXE, changed, {}, (root_.path() / "stderr").string());
    EXPECT_EQ(program.wait(), each.code);
    std::string said = read_file(root_.path() / "stderr") + log("application.log");
    EXPECT_NE(said.find(each.said), std::string::npos) << said;
    EXPECT_TRUE(each.kept.empty() || read_file(each.kept) == before) << "changed: " << each.kept;
    EXPECT_TRUE(data_folder_there || !std::filesystem::is_directory(data()));
  }
}

// A first start cut short, or a data folder made by hand: the program
// starts, on the installed seed files, and the user's copies are repaired
// at no later start (they are only read when the collection is empty).
TEST_F(StartupTest, AnEmptyOrHalfMadeDataFolderStartsOnTheInstalledSeeds) {
  struct {
    const char* name;
    std::function<void()> make;
  } folders[] = {
      {"empty folder", [&] { std::filesystem::create_directories(data()); }},
      {"link to an empty folder",
       [&] {
         std::filesystem::create_directories(root_.path() / "elsewhere");
         std::filesystem::create_directory_symlink(root_.path() / "elsewhere", data());
       }},
      {"copies cut short",
       [&] {
         std::filesystem::create_directories(data());
         write_file(data() / "defaulttags.xml", "");
         write_file(data() / "defaultquotes.xml", std::string(kQuotes).substr(0, 30));
       }},
  };
  for (auto& folder : folders) {
    SCOPED_TRACE(folder.name);
    std::filesystem::remove_all(root_.path() / "data");
    std::filesystem::remove_all(root_.path() / "elsewhere");
    std::filesystem::create_directories(root_.path() / "data");
    folder.make();
    child_process program(PARVELA_EXE, env());
    ASSERT_TRUE(init_complete()) << log("application.log");
    program.signal(SIGTERM);
    program.wait();
    SQLite::Database collection((data() / "parvela.fdb").string());
    EXPECT_EQ(collection.execAndGet("SELECT m_utftext FROM quote").getString(), "first quote");
  }
}

}  // namespace
