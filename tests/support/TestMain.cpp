// Test main of the Qt-free suites: hermetic environment first, then GoogleTest.

#include <gtest/gtest.h>

#include "support/Hermetic.h"

int main(int argc, char** argv) {
  vandrel::test::SetUpHermeticEnvironment();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
