// Test executables start the same runtime as the program before any test runs.
#include <gtest/gtest.h>

#include "ui/Platform.h"

int main(int argc, char** argv) {
  StartPlatform();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
