#include "fml/log.h"

#include <sys/stat.h>

#include <clocale>
#include <filesystem>
#include <functional>

#include <gtest/gtest.h>

#include "fml/exception.h"
#include "fml/text.h"
#include "tests/support/temp_dir.h"

namespace fml {
namespace {

using testing_support::read_file;

class LogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directory(dir_.path() / "logs");
    set_log_folder(dir_.wstr());
  }
  void TearDown() override {
    close_logs();
    set_log_folder(L"");
  }
  std::string text(const char* name) const { return read_file(dir_.path() / "logs" / name); }

  testing_support::temp_dir dir_;
};

// An earlier run's file is truncated; after close_logs() lines are dropped, never raised.
TEST_F(LogTest, LinesAreFlushedAtOnceIntoAFreshPrivateFileAndErrorsSayWhat) {
  auto error_of = [](const std::function<void()>& call) -> std::string {
    try {
      call();
    } catch (const fml::exception& error) {
      return error.what();
    }
    return "no error raised";
  };
  EXPECT_EQ(error_of([] { reglog("app", L"missing-folder/application.log"); })
                .rfind("cannot_open_log " + dir_.str() + "/missing-folder/application.logError code: 2 ", 0),
            0u);
  reglog("app", L"logs/application.log");  // the failed id stays free
  EXPECT_EQ(error_of([] { reglog("app", L"logs/other.log"); }), "log with id=app, is always register");
  EXPECT_FALSE(std::filesystem::exists(dir_.path() / "logs/other.log"));
  EXPECT_EQ(error_of([] { getlog("model"); }), "log with id=model, is not register");
  testing_support::write_file(dir_.path() / "logs/debug.log", "old run\n");
  chmod((dir_.path() / "logs/debug.log").c_str(), 0644);
  reglog("debug", L"logs/debug.log");
  EXPECT_EQ(text("debug.log"), "");
  getlog("debug") << "SetDataDir: " << 42 << std::endl;
  EXPECT_EQ(text("debug.log"), "SetDataDir: 42\n");
  {
    // Held flushes: the lines wait until the last hold ends, then every log is written.
    held_log_flushes outer;
    {
      held_log_flushes inner;
      getlog("debug") << "held" << std::endl;
      getlog("app") << "held too" << std::endl;
    }
    EXPECT_EQ(text("debug.log") + text("application.log"), "SetDataDir: 42\n");
  }
  EXPECT_EQ(text("debug.log") + text("application.log"), "SetDataDir: 42\nheld\nheld too\n");
  struct stat info;
  ASSERT_EQ(stat((dir_.path() / "logs/debug.log").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  close_logs();
  EXPECT_NO_THROW(getlog("debug") << "dropped" << std::endl);
  EXPECT_EQ(text("debug.log"), "SetDataDir: 42\nheld\n");
  reglog("debug", L"logs/debug.log");  // the registry was emptied
  EXPECT_EQ(text("debug.log"), "");
}

TEST(TextTest, ConvertsBothWaysAndReplacesInvalidUtf8) {
  const std::wstring text = L"Grüße, мир, 世界, \U0001F600 and a\ttab\r\n";
  std::string utf8 = wchar2utf8(text);
  EXPECT_EQ(utf8, "Gr\xC3\xBC\xC3\x9F" "e, \xD0\xBC\xD0\xB8\xD1\x80, \xE4\xB8\x96\xE7\x95\x8C, "
                  "\xF0\x9F\x98\x80 and a\ttab\r\n");
  EXPECT_EQ(utf82wchar(utf8), text);
  EXPECT_EQ(wchar2utf8(L""), "");
  EXPECT_EQ(utf82wchar(""), L"");
  // Unencodable wide characters: a surrogate, a code point past U+10FFFF.
  EXPECT_EQ(wchar2utf8(std::wstring(1, static_cast<wchar_t>(0xD800))), "\xEF\xBF\xBD");
  EXPECT_EQ(wchar2utf8(std::wstring(1, static_cast<wchar_t>(0x110000))), "\xEF\xBF\xBD");
  std::setlocale(LC_ALL, "C");
  EXPECT_EQ(wchar2ansi(L""), "");
  EXPECT_EQ(wchar2ansi(L"a\u4E16b\u00FC"), "a?b?");
  // Each bad sequence yields U+FFFD and the text around it survives.
  const std::pair<const char*, const wchar_t*> cases[] = {
      {"a\x80z", L"a\uFFFDz"}, {"a\xE4\xB8z", L"a\uFFFDz"}, {"\xC0\xAF", L"\uFFFD\uFFFD"},
      {"\xED\xA0\x80!", L"\uFFFD!"}, {"\xFF", L"\uFFFD"}, {"\xF4\x90\x80\x80", L"\uFFFD"},
      {"\xE4", L"\uFFFD"}};
  for (const auto& [bytes, decoded] : cases) EXPECT_EQ(utf82wchar(bytes), decoded) << bytes;
}

}  // namespace
}  // namespace fml
