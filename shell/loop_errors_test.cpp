#include "shell/loop_errors.h"

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>

#include "fml/exception.h"
#include "shell/test_application.h"

namespace pvl {
namespace {

// What rethrow_loop_error raises, as text; "" for nothing.
std::string raised() {
  try {
    rethrow_loop_error();
  } catch (const std::runtime_error& error) {
    return std::string("runtime_error ") + error.what();
  } catch (const std::exception& error) {
    return error.what();
  } catch (int value) {
    return "int " + std::to_string(value);
  }
  return "";
}

// An error in a guarded call, wherever it comes from, ends the loop (with 1,
// long before its 5 s timer) and is raised once after it.
TEST(LoopErrorsTest, AnErrorInAGuardedCallEndsTheLoopAndIsRaisedOnceAfterIt) {
  bool nested_ended = false;
  const struct {
    const char* name;
    std::function<void()> before_loop;
    std::string raised;
  } cases[] = {
      {"in a slot",
       [] { QTimer::singleShot(0, [] { guarded([] { throw fml::exception("broken slot"); }); }); },
       "broken slot"},
      {"two errors",
       [] {
         QTimer::singleShot(0, [] {
           guarded([] { throw std::runtime_error("first"); });
           guarded([] { throw std::logic_error("second"); });
         });
       },
       "runtime_error first"},
      {"before the loop, not a std::exception", [] { guarded([] { throw 42; }); }, "int 42"},
      {"in another thread",
       [] {
         std::thread([] { guarded([] { throw fml::exception("from a worker"); }); }).join();
       },
       "from a worker"},
      {"in a nested loop",
       [&] {
         QTimer::singleShot(0, [&] {
           QEventLoop nested;
           QTimer::singleShot(0, [] { guarded([] { throw fml::exception("in a menu"); }); });
           nested.exec();
           nested_ended = true;
         });
       },
       "in a menu"},
  };
  for (const auto& each : cases) {
    SCOPED_TRACE(each.name);
    each.before_loop();
    QObject timer_owner;
    QTimer::singleShot(5000, &timer_owner, [] { QCoreApplication::exit(7); });
    EXPECT_EQ(QCoreApplication::exec(), 1);
    EXPECT_EQ(raised(), each.raised);
    EXPECT_EQ(raised(), "");
  }
  EXPECT_TRUE(nested_ended);
}

}  // namespace
}  // namespace pvl
