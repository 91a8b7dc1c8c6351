// The real program on a phone photo stored on its side with an Exif orientation
// of 6: it is framed and saved upright.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/app/RunningProgram.h"
#include "tests/support/BoxWatcher.h"
#include "tests/support/ExifSegment.h"

namespace {

// Red, green above blue, light gray: the upright picture's quarters.
constexpr DWORD kQuarters[4] = {0xE02010, 0x20C040, 0x1030D0, 0xE0E0E0};

int Channel(DWORD pixel, int shift) { return static_cast<int>(pixel >> shift & 0xFF); }

bool Near(DWORD got, DWORD expected) {
  for (int shift : {0, 8, 16})
    if (std::abs(Channel(got, shift) - Channel(expected, shift)) > 24) return false;
  return true;
}

}  // namespace

TEST(UprightPhoto, APhotoTurnedOnItsSideIsFramedAndSavedUpright) {
  // Stored 800 by 300, as a camera held upright writes it: upright it is the
  // quarters at 300 by 800, turned a quarter to the left.
  const int width = 800, height = 300;
  Pixels stored(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int u = height - 1 - y, v = x;  // where orientation 6 shows the pixel
      stored[static_cast<size_t>(y) * width + x] = kQuarters[(v >= width / 2 ? 2 : 0) + (u >= height / 2 ? 1 : 0)];
    }
  }
  PictureFolder folder;
  const std::string picture =
      folder.Write("phone.jpg", exif_segment::WithApp1(JpegFile(width, height, stored), exif_segment::OrientationBody(6)));
  const std::string output = folder.Expect("ミロカテ ～ phone.jpg");

  RunningProgram program("\"" + picture + "\"");
  ASSERT_TRUE(program.Started());
  BoxWatcher watcher(program.ProcessId());
  EXPECT_EQ(0u, program.WaitForExit(60000));
  EXPECT_TRUE(watcher.WaitUntilQuiet());
  const std::vector<SeenBox> boxes = watcher.Seen();
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ("800 x 800 のミロカテ形式で保存しました。", boxes[0].text) << "framed as a portrait picture";

  int savedWidth = 0, savedHeight = 0;
  const Pixels saved = DecodeJpeg(ReadWholeFile(output), savedWidth, savedHeight);
  ASSERT_EQ(800, savedWidth);
  ASSERT_EQ(800, savedHeight);
  const auto at = [&](int x, int y) { return saved[static_cast<size_t>(y) * savedWidth + x]; };
  // The picture fills 250 to 550 across and 5 to 795 down; black beside it.
  EXPECT_TRUE(Near(at(325, 200), kQuarters[0])) << std::hex << at(325, 200);
  EXPECT_TRUE(Near(at(475, 200), kQuarters[1])) << std::hex << at(475, 200);
  EXPECT_TRUE(Near(at(325, 600), kQuarters[2])) << std::hex << at(325, 600);
  EXPECT_TRUE(Near(at(475, 600), kQuarters[3])) << std::hex << at(475, 600);
  EXPECT_TRUE(Near(at(150, 400), 0) && Near(at(650, 400), 0)) << "black beside the picture";
}
