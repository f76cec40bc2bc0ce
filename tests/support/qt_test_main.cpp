// The main of the test programs that need a QApplication; without a display they run on Qt's
// offscreen platform (also while CTest lists the tests at build time). Started to play another
// program, the test program plays it without a QApplication.
#include <gtest/gtest.h>

#include <QApplication>

#include "support/other_process.h"

int main(int argc, char** argv) {
  int exitCode = 0;
  if (volarin::testing::OtherProcess::PlayRoleIfAsked(argc, argv, &exitCode)) return exitCode;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
