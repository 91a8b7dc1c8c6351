// The text layer's tests need only the code page's lead bytes, not the window layer.
#include <gtest/gtest.h>

#include "text/DoubleByte.h"

int main(int argc, char** argv) {
  InitDoubleByteSettings();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
