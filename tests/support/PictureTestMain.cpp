// The picture layer's tests start the layers below the windows, as the program does.
#include <gtest/gtest.h>

#include "tests/support/PictureRuntime.h"

int main(int argc, char** argv) {
  StartPictureRuntime();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
