#include "shell/loop_errors.h"

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>
#include <stdexcept>
#include <thread>

#include "fml/exception.h"
#include "shell/test_application.h"

namespace pvl {
namespace {

class LoopErrorsTest : public ::testing::Test {
 protected:
  void TearDown() override {
    try {
      rethrow_loop_error();
    } catch (...) {
    }
  }
};

TEST_F(LoopErrorsTest, AnErrorInAGuardedCallEndsTheLoopAndIsRethrownAfterIt) {
  bool ran_after = false;
  QTimer::singleShot(0, [] { guarded([] { throw fml::exception("broken slot"); }); });
  QTimer::singleShot(5000, [&] {
    ran_after = true;
    QCoreApplication::exit(7);
  });
  int code = QCoreApplication::exec();
  EXPECT_EQ(code, 1);
  EXPECT_FALSE(ran_after);
  try {
    rethrow_loop_error();
    FAIL() << "nothing was rethrown";
  } catch (const fml::exception& error) {
    EXPECT_STREQ(error.what(), "broken slot");
  }
  EXPECT_NO_THROW(rethrow_loop_error());  // rethrown once, then forgotten
}

TEST_F(LoopErrorsTest, OnlyTheFirstErrorIsKept) {
  QTimer::singleShot(0, [] {
    guarded([] { throw std::runtime_error("first"); });
    guarded([] { throw std::logic_error("second"); });
  });
  QCoreApplication::exec();
  EXPECT_THROW(rethrow_loop_error(), std::runtime_error);
}

TEST_F(LoopErrorsTest, AnErrorBeforeTheLoopStartsEndsItAtOnce) {
  guarded([] { throw 42; });  // not even a std::exception
  QTimer::singleShot(5000, [] { QCoreApplication::exit(7); });
  EXPECT_EQ(QCoreApplication::exec(), 1);
  try {
    rethrow_loop_error();
    FAIL() << "nothing was rethrown";
  } catch (int value) {
    EXPECT_EQ(value, 42);
  }
}

TEST_F(LoopErrorsTest, AnErrorInAnotherThreadEndsTheLoop) {
  std::thread worker([] { guarded([] { throw fml::exception("from a worker"); }); });
  worker.join();
  QTimer::singleShot(5000, [] { QCoreApplication::exit(7); });
  EXPECT_EQ(QCoreApplication::exec(), 1);
  EXPECT_THROW(rethrow_loop_error(), fml::exception);
}

TEST_F(LoopErrorsTest, NestedLoopsEndToo) {
  bool nested_ended = false;
  QTimer::singleShot(0, [&] {
    QEventLoop nested;
    QTimer::singleShot(0, [] { guarded([] { throw fml::exception("in a menu"); }); });
    nested.exec();
    nested_ended = true;
  });
  QTimer::singleShot(5000, [] { QCoreApplication::exit(7); });
  EXPECT_EQ(QCoreApplication::exec(), 1);
  EXPECT_TRUE(nested_ended);
  EXPECT_THROW(rethrow_loop_error(), fml::exception);
}

}  // namespace
}  // namespace pvl
