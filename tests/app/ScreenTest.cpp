// The program at every screen resolution, on screens of two sizes. CTest runs
// these cases in Wine prefixes of LogPixels 96, 120, 144 and 192, on virtual
// screens of 1920x1080 and 3840x2160 (MIROKATE_DPI and MIROKATE_SCREEN, see
// scripts/wine-runner). The window's designed 600 pixels scale with the
// resolution where the screen allows; a square the screen cannot hold becomes the
// largest one the window system allows; and every pixel saved is the window's own
// painting, also where the window reaches beyond the screen's edge.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/app/ProgramRun.h"

namespace {

constexpr DWORD kGray = 0x808080;
// Room enough for any caption and frame the window system gives a tool window.
constexpr int kRoomForFrame = 64;

int Resolution() {
  char text[16] = {};
  const DWORD length = GetEnvironmentVariableA("MIROKATE_DPI", text, sizeof text);
  return length > 0 && length < sizeof text ? std::atoi(text) : 96;
}

SIZE ScreenSize() {
  char text[32] = {};
  const DWORD length = GetEnvironmentVariableA("MIROKATE_SCREEN", text, sizeof text);
  SIZE size{1920, 1080};
  if (length > 0 && length < sizeof text) {
    char* end = nullptr;
    size.cx = std::strtol(text, &end, 10);
    size.cy = *end == 'x' ? std::strtol(end + 1, nullptr, 10) : 0;
  }
  return size;
}

struct Picture {
  const char* name;
  int width, height;
};

// The side of the square the layout asks for: the designed 600 at the screen's
// resolution, or the picture's longer side when its shorter one is under 600.
int WantedSide(const Picture& picture) {
  if (std::min(picture.width, picture.height) < 600) return std::max(picture.width, picture.height);
  return 600 * Resolution() / 96;
}

// The side asked for where the screen holds it; else the largest square the
// window system allows, a little less than the screen's height.
void ExpectSide(int side, int wanted) {
  const int screenHeight = ScreenSize().cy;
  if (wanted + kRoomForFrame <= screenHeight) {
    EXPECT_EQ(wanted, side);
  } else {
    EXPECT_LT(side, screenHeight);
    EXPECT_GE(side, screenHeight - kRoomForFrame);
    EXPECT_LE(side, wanted);
  }
}

// Where the fitting rule puts the picture in a square client area: 10 pixels
// short of the side in its longer direction, the other side scaled by a
// fixed-point factor of 100000 taken from the whole side, centred.
RECT FittedRect(const Picture& picture, int side) {
  const long long scale = side * 100000LL / std::max(picture.width, picture.height);
  const int shorter = static_cast<int>(scale * std::min(picture.width, picture.height) / 100000);
  const int width = picture.width > picture.height ? side - 10 : shorter;
  const int height = picture.width > picture.height ? shorter : side - 10;
  const int left = (side - width) / 2;
  const int top = (side - height) / 2;
  return RECT{left, top, left + width, top + height};
}

bool Near(DWORD pixel, DWORD colour) {
  for (int shift = 0; shift < 24; shift += 8) {
    if (std::abs(static_cast<int>((pixel >> shift) & 0xFF) - static_cast<int>((colour >> shift) & 0xFF)) > 24)
      return false;
  }
  return true;
}

// The output is square, of the side expected, and holds the painted frame: black
// round the picture's gray, placed by the fitting rule. A pixel's width at each
// edge of the picture is left to the JPEG's blur; everything else, the outermost
// rows and columns included, is checked.
void ExpectFramed(const std::string& output, const Picture& picture) {
  SCOPED_TRACE(picture.name);
  int width = 0, height = 0;
  const Pixels pixels = DecodeJpeg(ReadWholeFile(output), width, height);
  ASSERT_FALSE(pixels.empty()) << output;
  ASSERT_EQ(width, height);
  ExpectSide(width, WantedSide(picture));
  const RECT fitted = FittedRect(picture, width);
  int wrong = 0;
  POINT first{-1, -1};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const bool inside = x > fitted.left && x < fitted.right - 1 && y > fitted.top && y < fitted.bottom - 1;
      const bool outside = x < fitted.left - 1 || x > fitted.right || y < fitted.top - 1 || y > fitted.bottom;
      const DWORD pixel = pixels[static_cast<size_t>(y) * width + x];
      if ((inside && !Near(pixel, kGray)) || (outside && !Near(pixel, 0))) {
        if (wrong++ == 0) first = {x, y};
      }
    }
  }
  EXPECT_EQ(0, wrong) << "first at " << first.x << "," << first.y << " of " << width << "x" << height;
}

std::string SizeText(const std::string& output) {
  const SIZE saved = SavedSize(output);
  return std::to_string(saved.cx) + " x " + std::to_string(saved.cy);
}

}  // namespace

TEST(OnEveryScreen, TheTestsRunAtTheResolutionAndOnTheScreenAsked) {
  const HDC screen = GetDC(nullptr);
  EXPECT_EQ(Resolution(), GetDeviceCaps(screen, LOGPIXELSY));
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(ScreenSize().cx, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(ScreenSize().cy, GetSystemMetrics(SM_CYSCREEN));
}

TEST(OnEveryScreen, ABigPictureGetsTheWindowScaledByTheResolution) {
  PictureFolder folder;
  const Picture big{"big.bmp", 1600, 1200};
  const std::string path = folder.Write(big.name, BmpFile(big.width, big.height, Pixels(1600 * 1200, kGray)));
  const std::string output = folder.Expect("ミロカテ ～ big.jpg");
  const ProgramRun run = RunAnswering("\"" + path + "\"", {VK_RETURN});
  EXPECT_EQ(0u, run.exitCode);
  ExpectFramed(output, big);
  ASSERT_EQ(1u, run.boxes.size());
  EXPECT_EQ(SizeText(output) + " のミロカテ形式で保存しました。", run.boxes[0].text);
}

TEST(OnEveryScreen, PicturesWhoseSquareLeavesTheScreenAreSavedSquareAsPainted) {
  PictureFolder folder;
  const Picture pictures[] = {{"1 tall.bmp", 300, 1100}, {"2 wide.bmp", 1500, 500}, {"3 small.bmp", 400, 300}};
  std::string arguments;
  for (const Picture& picture : pictures) {
    const Pixels gray(static_cast<size_t>(picture.width) * picture.height, kGray);
    arguments += "\"" + folder.Write(picture.name, BmpFile(picture.width, picture.height, gray)) + "\" ";
  }
  const ProgramRun run = RunAnswering(arguments, {VK_RETURN});
  EXPECT_EQ(0u, run.exitCode);
  ASSERT_EQ(1u, run.boxes.size());
  for (const Picture& picture : pictures) {
    const std::string name = "ミロカテ ～ " + std::string(picture.name, std::string(picture.name).size() - 4) + ".jpg";
    const std::string output = folder.Expect(name);
    ExpectFramed(output, picture);
    EXPECT_NE(std::string::npos, run.boxes[0].text.find(name + "：" + SizeText(output))) << run.boxes[0].text;
  }
}
