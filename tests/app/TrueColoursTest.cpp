// The real program on pictures tagged with colour profiles: the saved file, which
// carries no profile, holds the colours converted to sRGB (lcms2's references in
// tests/data/colour), not the stored numbers.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/app/RunningProgram.h"
#include "tests/support/ReferencePictures.h"
#include "tests/support/BoxWatcher.h"

namespace {

int Largest(DWORD a, DWORD b) {
  int most = 0;
  for (int shift : {0, 8, 16}) most = std::max(most, std::abs(static_cast<int>((a >> shift & 0xFF) - (b >> shift & 0xFF))));
  return most;
}

}  // namespace

TEST(TrueColours, SavedPicturesHoldTheColoursTheirProfilesMean) {
  const std::string data = reference_pictures::DataFolder("colour");
  PictureFolder folder;
  std::string arguments;
  const char* const names[] = {"quarters-adobe.jpg", "quarters-wide.png", "quarters-prophoto.bmp"};
  for (const char* name : names) arguments += " \"" + folder.Write(name, ReadWholeFile(data + name)) + "\"";
  RunningProgram program(arguments);
  ASSERT_TRUE(program.Started());
  BoxWatcher watcher(program.ProcessId());
  EXPECT_EQ(0u, program.WaitForExit(60000));
  EXPECT_TRUE(watcher.WaitUntilQuiet());
  const reference_pictures::Picture stored = reference_pictures::ReadPpm(data + "quarters.ppm");
  for (std::string name : names) {
    const std::string output = folder.Expect("ミロカテ ～ " + name.substr(0, name.find('.')) + ".jpg");
    int width = 0, height = 0;
    const Pixels saved = DecodeJpeg(ReadWholeFile(output), width, height);
    // The picture is the part that is not black, centred in the frame.
    int left = width, top = height, right = -1, bottom = -1;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        if (Largest(saved[static_cast<size_t>(y) * width + x], 0) > 40)
          left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
    ASSERT_LT(left, right) << name;
    name[name.find('.')] = '-';
    const reference_pictures::Picture converted = reference_pictures::ReadPpm(data + name + ".ppm");
    for (int quarter = 0; quarter < 4; ++quarter) {
      const int x = left + (right - left) * (1 + 2 * (quarter % 2)) / 4;
      const int y = top + (bottom - top) * (1 + 2 * (quarter / 2)) / 4;
      const DWORD got = saved[static_cast<size_t>(y) * width + x];
      const DWORD expected = converted.pixels[static_cast<size_t>(quarter)];
      EXPECT_LE(Largest(got, expected), 6) << name << " quarter " << quarter << std::hex << " " << got;
      EXPECT_LT(Largest(got, expected), Largest(got, stored.pixels[static_cast<size_t>(quarter)])) << name;
    }
  }
}
