// The one QApplication that the Qt-using unit tests of a test program share
// (the tests run on Qt's offscreen platform). It exists from before the
// first test to after the last, and is gone before the process's static
// objects are destroyed, which Qt needs.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>

namespace pvl {

class qt_test_environment : public ::testing::Environment {
 public:
  void SetUp() override { app_ = new QApplication(argc_, argv_); }
  void TearDown() override {
    delete app_;
    app_ = nullptr;
  }

 private:
  int argc_ = 1;
  char name_[13] = "parvela-test";
  char* argv_[2] = {name_, nullptr};
  QApplication* app_ = nullptr;
};

inline ::testing::Environment* const qt_test_environment_registered =
    ::testing::AddGlobalTestEnvironment(new qt_test_environment);

}  // namespace pvl
