// Whole-process tests of start-up and shutdown: the program runs as a child
// process against temporary folders, with Qt's offscreen platform.
#include <SQLiteCpp/Database.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <string.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::child_process;
using testing_support::read_file;
using testing_support::wait_until;
using testing_support::write_file;

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
    return log("application.log").find("Init complete") != std::string::npos;
  }

  testing_support::temp_dir root_;
};

TEST_F(StartupTest, EachEndingSignalEndsWithTheShutdownLinesAndExitCodeZero) {
  for (int number : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(strsignal(number));
    std::filesystem::remove(data() / "logs/application.log");  // the last run's
    child_process first(PARVELA_EXE, env());
    ASSERT_TRUE(wait_until([&] { return init_complete(); }));
    ASSERT_TRUE(std::filesystem::exists(root_.path() / "run/parvela.sock"));
    first.signal(number);
    EXPECT_EQ(first.wait(), 0);
    EXPECT_FALSE(std::filesystem::exists(root_.path() / "run/parvela.sock"));

    std::string app = log("application.log");
    EXPECT_EQ(app.rfind("Application started\nSetDataDir: ", 0), 0u) << app;
    EXPECT_NE(app.find("Init complete\n"), std::string::npos);
    // The window's creation, as it loads the page.
    EXPECT_NE(app.find("Loading html\nLoading app data\nLoading app data - successful\n"
                       "Loading html - successful\nRegisterDropWindow\n"),
              std::string::npos)
        << app;
    EXPECT_TRUE(app.ends_with("Application finished.\n")) << app;
    std::string separator(61, '-');
    std::string debug = log("debug.log");
    EXPECT_EQ(debug.rfind(separator + "\nApplication started\nSetDataDir: ", 0), 0u) << debug;
    EXPECT_TRUE(debug.ends_with("Application finished\n" + separator + "\n")) << debug;
    for (const char* name : {"application.log", "profile.log", "debug.log", "events.log",
                             "controller.log", "model.log", "logicevents.log"}) {
      EXPECT_TRUE(std::filesystem::exists(data() / "logs" / name)) << name;
    }
    EXPECT_EQ(read_file(data() / "defaulttags.xml"), kTags);

    // The long-lived objects come up in order and go down in reverse.
    auto at = [&app](const char* line) { return app.find(line); };
    EXPECT_LT(at("Singleton: model - created."), at("Singleton: controller - created."));
    EXPECT_LT(at("Singleton: controller - created."), at("Singleton: ResourceMgr - created."));
    EXPECT_LT(at("Singleton: ResourceMgr - created."), at("Singleton: view - created."));
    EXPECT_LT(at("Singleton: view - created."), at("Init complete"));
    EXPECT_LT(at("Init complete"), at("Singleton: view - deleted."));
    EXPECT_LT(at("Singleton: view - deleted."), at("Singleton: ResourceMgr - deleted."));
    EXPECT_LT(at("Singleton: ResourceMgr - deleted."), at("Singleton: controller - deleted."));
    EXPECT_LT(at("Singleton: controller - deleted."), at("Singleton: model - deleted."));
    EXPECT_LT(at("Singleton: model - deleted."), at("Application finished."));
    EXPECT_TRUE(std::filesystem::exists(data() / "parvela.fdb"));
  }
}

TEST_F(StartupTest, ASecondInstanceExitsWithThreeAndTouchesNothing) {
  child_process first(PARVELA_EXE, env());
  ASSERT_TRUE(wait_until([&] { return init_complete(); }));
  std::string app_before = log("application.log");

  auto second_env = env();
  second_env["XDG_DATA_HOME"] = (root_.path() / "other-data").string();
  child_process second(PARVELA_EXE, second_env);
  EXPECT_EQ(second.wait(), 3);
  EXPECT_FALSE(std::filesystem::exists(root_.path() / "other-data"));
  EXPECT_EQ(log("application.log"), app_before);
  EXPECT_TRUE(wait_until([&] {
    return log("debug.log").find("[WndProc] UWM_PVL_ARE_YOU_ME") != std::string::npos;
  }));

  first.signal(SIGINT);
  EXPECT_EQ(first.wait(), 0);
}

TEST_F(StartupTest, AKilledInstanceDoesNotBlockTheNextStartAndLogsAreTruncated) {
  {
    child_process crashed(PARVELA_EXE, env());
    ASSERT_TRUE(wait_until([&] { return init_complete(); }));
    crashed.signal(SIGKILL);
    crashed.wait();
  }
  write_file(data() / "logs/model.log", "stale line\n");
  std::filesystem::remove(data() / "logs/application.log");
  child_process next(PARVELA_EXE, env());
  ASSERT_TRUE(wait_until([&] { return init_complete(); }));
  EXPECT_EQ(log("model.log"), "");
  next.signal(SIGTERM);
  EXPECT_EQ(next.wait(), 0);
}

TEST_F(StartupTest, NoDataFolderExitsWith123) {
  auto no_folder = env();
  no_folder["XDG_DATA_HOME"] = "";
  no_folder["HOME"] = "";
  child_process program(PARVELA_EXE, no_folder);
  EXPECT_EQ(program.wait(), 123);
}

TEST_F(StartupTest, ARuntimeFolderThatCannotHoldTheLockOrTheSocketIsAFailureNotAnInstance) {
  // A folder in the lock file's place cannot be opened, whoever runs the
  // test; a socket path has at most 107 bytes.
  std::filesystem::create_directories(root_.path() / "run/parvela.lock");
  auto long_folder = root_.path() / std::string(100, 'r');
  std::filesystem::create_directories(long_folder);
  struct {
    std::filesystem::path folder;
    std::string cause;
  } cases[] = {
      {root_.path() / "run",
       "Cannot open the lock file " + (root_.path() / "run/parvela.lock").string()},
      {long_folder, "bytes long, more than a socket path may have (107)"},
  };
  for (const auto& [folder, cause] : cases) {
    auto in_folder = env();
    in_folder["XDG_RUNTIME_DIR"] = folder.string();
    child_process program(PARVELA_EXE, in_folder, {}, (root_.path() / "stderr").string());
    EXPECT_EQ(program.wait(), 1) << folder;
    EXPECT_NE(read_file(root_.path() / "stderr").find(cause), std::string::npos)
        << read_file(root_.path() / "stderr");
    EXPECT_FALSE(std::filesystem::exists(data())) << folder;
  }
}

TEST_F(StartupTest, ADataFolderThatCannotBeMadeIsAnEarlyFailure) {
  // A file stands where the data folder should be: nothing can be created
  // there, whoever runs the test (root ignores permission bits).
  write_file(data(), "not a folder");
  child_process program(PARVELA_EXE, env());
  EXPECT_EQ(program.wait(), 1);
  EXPECT_EQ(read_file(data()), "not a folder");
}

TEST_F(StartupTest, AnUncreatableLogIsAnEarlyFailure) {
  std::filesystem::create_directories(data() / "logs/application.log");  // a folder in its place
  child_process program(PARVELA_EXE, env());
  EXPECT_EQ(program.wait(), 1);
}

TEST_F(StartupTest, AFailureAfterTheLogsExistIsLoggedAsError) {
  std::filesystem::create_directories(data() / "logs/debug.log");  // "app" exists by then
  child_process program(PARVELA_EXE, env());
  EXPECT_EQ(program.wait(), 1);
  std::string app = log("application.log");
  EXPECT_NE(app.find("Error: cannot_open_log " + (data() / "logs/debug.log").string()),
            std::string::npos)
      << app;
  EXPECT_TRUE(app.ends_with("Application finished.\n")) << app;
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
    ASSERT_TRUE(wait_until([&] { return init_complete(); })) << log("application.log");
    program.signal(SIGTERM);
    program.wait();
    SQLite::Database collection((data() / "parvela.fdb").string());
    EXPECT_EQ(collection.execAndGet("SELECT m_utftext FROM quote").getString(), "first quote");
  }
}

// A file of one byte is no collection: it is refused, not replaced.
TEST_F(StartupTest, AOneByteFileInThePlaceOfTheCollectionIsRefusedAndKept) {
  for (std::string byte : {std::string(1, '\0'), std::string("x")}) {
    std::filesystem::create_directories(data());
    write_file(data() / "parvela.fdb", byte);
    child_process program(PARVELA_EXE, env());
    EXPECT_EQ(program.wait(), 1);
    EXPECT_TRUE(read_file(data() / "parvela.fdb") == byte) << "the file was replaced";
    EXPECT_NE(log("application.log")
                  .find("Error: " + (data() / "parvela.fdb").string() + ": file is not a database"),
              std::string::npos)
        << log("application.log");
  }
}

}  // namespace
