// Start-up and shutdown of the program as a child process on temporary folders, offscreen.
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
namespace fs = std::filesystem;

const char kTags[] = "<tags><tag id=\"4\" name=\"seed\"/></tags>";
const char kQuotes[] = "<quotes><quote id=\"9\" text=\"first quote\"><tag id=\"4\"/></quote></quotes>";

class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(root_.path() / "common/Parvela");
    fs::create_directories(run_);
    chmod(run_.c_str(), 0700);
    write_file(root_.path() / "common/Parvela/defaulttags.xml", kTags);
    write_file(root_.path() / "common/Parvela/defaultquotes.xml", kQuotes);
    fresh_data();
  }
  // An empty $XDG_DATA_HOME, and no lock file.
  void fresh_data() {
    for (const char* made : {"data", "elsewhere", "run/parvela.lock"}) fs::remove_all(root_.path() / made);
    fs::create_directories(root_.path() / "data");
  }
  std::map<std::string, std::string> env() const {
    return {{"XDG_DATA_HOME", (root_.path() / "data").string()},
            {"XDG_DATA_DIRS", (root_.path() / "common").string()},
            {"XDG_RUNTIME_DIR", run_.string()},
            {"HOME", (root_.path() / "home").string()},
            {"QT_QPA_PLATFORM", "offscreen"}};
  }
  fs::path data() const { return root_.path() / "data/Parvela"; }
  std::string log(const char* name) const { return read_file(data() / "logs" / name); }
  bool init_complete() const {
    return wait_until([&] { return log("application.log").find("Init complete") != std::string::npos; });
  }

  temp_dir root_;
  const fs::path run_ = root_.path() / "run";
};

// A killed instance leaves its lock and socket behind.
TEST_F(StartupTest, AKilledInstanceDoesNotBlockTheNextStartWhichEndsInOrder) {
  {
    child_process crashed(PARVELA_EXE, env());
    ASSERT_TRUE(init_complete());
    crashed.signal(SIGKILL);
    crashed.wait();
  }
  write_file(data() / "logs/model.log", "stale line\n");
  fs::remove(data() / "logs/application.log");
  child_process next(PARVELA_EXE, env());
  ASSERT_TRUE(init_complete());
  EXPECT_EQ(log("model.log"), "");
  next.signal(SIGINT);
  EXPECT_EQ(next.wait(), 0);
  EXPECT_FALSE(fs::exists(run_ / "parvela.sock"));
  std::string app = log("application.log");
  EXPECT_EQ(app.rfind("Application started\nSetDataDir: ", 0), 0u) << app;
  EXPECT_TRUE(app.ends_with("Application finished.\n")) << app;
  size_t last = 0;  // the long-lived objects come up in order
  for (const char* line : {"Singleton: model - created.", "Singleton: controller - created.",
                           "Singleton: ResourceMgr - created.", "Singleton: view - created.",
                           "Init complete"}) {
    EXPECT_TRUE(app.find(line) != std::string::npos && app.find(line) > last) << line;
    last = app.find(line);
  }
  std::string debug = log("debug.log");
  EXPECT_EQ(debug.rfind(std::string(61, '-') + "\nApplication started\nSetDataDir: ", 0), 0u) << debug;
  EXPECT_EQ(read_file(data() / "defaulttags.xml"), kTags);
}

TEST_F(StartupTest, AStartThatCannotGoOnEndsWithItsCodeAHalfMadeDataFolderStartsOnTheSeeds) {
  const auto long_folder = root_.path() / std::string(100, 'r');
  auto collection_of = [&](std::string bytes) {
    return [&, bytes] {
      fs::create_directories(data());
      write_file(data() / "parvela.fdb", bytes);
    };
  };
  const std::string not_a_database = ": file is not a database";
  const struct {
    const char* name;
    std::function<void()> make;
    std::map<std::string, std::string> env;
    int code;
    std::string said;  // in standard error, else in the application log
    fs::path kept;     // a file the start must leave as it was
  } cases[] = {
      {"no data folder", [] {}, {{"XDG_DATA_HOME", ""}, {"HOME", ""}}, 123, "", ""},
      // A folder in the lock file's place, as root ignores permission bits.
      {"lock file", [&] { fs::create_directories(run_ / "parvela.lock"); }, {}, 1,
       "Cannot open the lock file " + (run_ / "parvela.lock").string(), ""},
      {"socket path", [&] { fs::create_directories(long_folder); }, {{"XDG_RUNTIME_DIR", long_folder.string()}},
       1, "bytes long, more than a socket path may have (107)", ""},
      {"data folder is a file", [&] { write_file(data(), "not a folder"); }, {}, 1, "", data()},
      {"log", [&] { fs::create_directories(data() / "logs/application.log"); }, {}, 1, "", ""},
      {"one zero byte", collection_of(std::string(1, '\0')), {}, 1, not_a_database, data() / "parvela.fdb"},
      {"one letter", collection_of("x"), {}, 1, not_a_database, data() / "parvela.fdb"},
  };
  for (auto& each : cases) {
    SCOPED_TRACE(each.name);
    fresh_data();
    each.make();
    const std::string before = each.kept.empty() ? "" : read_file(each.kept);
    const bool data_folder_there = fs::exists(data());
    auto changed = env();
    for (auto& [name, value] : each.env) changed[name] = value;
    child_process program(PARVELA_EXE, changed, {}, (root_.path() / "stderr").string());
    EXPECT_EQ(program.wait(), each.code);
    std::string said = read_file(root_.path() / "stderr") + log("application.log");
    EXPECT_NE(said.find(each.said), std::string::npos) << said;
    EXPECT_TRUE(each.kept.empty() || read_file(each.kept) == before) << "changed: " << each.kept;
    EXPECT_TRUE(data_folder_there || !fs::is_directory(data()));
  }
  // A first start cut short, or a data folder made by hand.
  const std::pair<const char*, std::function<void()>> folders[] = {
      {"empty folder", [&] { fs::create_directories(data()); }},
      {"link to an empty folder", [&] {
         fs::create_directories(root_.path() / "elsewhere");
         fs::create_directory_symlink(root_.path() / "elsewhere", data());
       }},
      {"copies cut short", [&] {
         fs::create_directories(data());
         write_file(data() / "defaulttags.xml", "");
         write_file(data() / "defaultquotes.xml", std::string(kQuotes).substr(0, 30));
       }},
  };
  for (auto& [name, make] : folders) {
    SCOPED_TRACE(name);
    fresh_data();
    make();
    child_process program(PARVELA_EXE, env());
    ASSERT_TRUE(init_complete()) << log("application.log");
    program.signal(SIGTERM);
    program.wait();
    SQLite::Database collection((data() / "parvela.fdb").string());
    EXPECT_EQ(collection.execAndGet("SELECT m_utftext FROM quote").getString(), "first quote");
  }
}

}  // namespace
