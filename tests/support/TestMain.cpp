// Test executables of the window layer and above start the same runtime as the
// program before any test runs.
#include <gtest/gtest.h>

#include "tests/support/WindowRuntime.h"

int main(int argc, char** argv) {
  StartWindowRuntime();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
