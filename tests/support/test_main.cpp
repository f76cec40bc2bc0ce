// The test programs' main: plays another program's role when started for one, else runs tests.
#include <gtest/gtest.h>

#include "support/other_process.h"

int main(int argc, char** argv) {
  int exitCode = 0;
  if (volarin::testing::OtherProcess::PlayRoleIfAsked(argc, argv, &exitCode)) return exitCode;
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
