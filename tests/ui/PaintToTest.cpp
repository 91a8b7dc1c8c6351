// A window painting itself into a bitmap gives what the screen shows of it where
// it is fully visible, and the same where it reaches beyond the screen's edge.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "gdi/Handles.h"
#include "picture/bitmap/Bitmap.h"
#include "tests/support/Dib.h"
#include "tests/support/ScopedApplication.h"
#include "tests/ui/ImageOnForm.h"
#include "ui/Form.h"
#include "ui/Image.h"

namespace {

constexpr int kClientWidth = 230;
constexpr int kClientHeight = 170;

// Pixels of a 32-bit top-down section, drawn by the given step.
template <class Draw>
std::vector<uint32_t> Drawn(Draw draw) {
  const BITMAPINFO info = TopDown32BitInfo(kClientWidth, kClientHeight);
  void* bits = nullptr;
  UniqueGdiObject<HBITMAP> section(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  UniqueMemoryDC dc(CreateCompatibleDC(nullptr));
  if (!section || !dc) return {};
  {
    SelectedObject selected(dc.get(), section.get());
    // A colour nothing paints, so that a pixel left unpainted shows.
    std::fill_n(static_cast<uint32_t*>(bits), static_cast<size_t>(kClientWidth) * kClientHeight, 0xFF00FFu);
    draw(dc.get());
    GdiFlush();
  }
  std::vector<uint32_t> pixels(static_cast<size_t>(kClientWidth) * kClientHeight);
  std::memcpy(pixels.data(), bits, pixels.size() * sizeof(uint32_t));
  for (uint32_t& pixel : pixels) pixel &= 0xFFFFFF;
  return pixels;
}

// A picture of fine detail, in which a pixel out of place shows.
void FillWithDetail(TBitmap& bitmap, int width, int height) {
  bitmap.SetWidth(width);
  bitmap.SetHeight(height);
  const HDC dc = bitmap.Canvas().Handle();
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const unsigned mix = static_cast<unsigned>(x * 37 + y * 91 + (x * y) % 23);
      SetPixel(dc, x, y, RGB(mix * 7 % 256, mix * 13 % 256, (x ^ y) * 5 % 256));
    }
  }
}

size_t DifferingPixels(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
  if (a.size() != b.size()) return a.size() + b.size();
  size_t count = 0;
  for (size_t i = 0; i < a.size(); ++i) count += a[i] != b[i] ? 1 : 0;
  return count;
}

class WindowPainting : public testing::Test {
protected:
  ScopedApplication app;
  TForm form{&*app};
  TImage* image = PlaceImage(form, 10, 10);

  void ShowPicture(int width, int height) {
    form.SetBorderStyle(bsToolWindow);
    form.SetColor(clBlack);
    form.SetBounds(40, 40, 300, 300);
    form.SetClientWidth(kClientWidth);
    form.SetClientHeight(kClientHeight);
    TBitmap picture;
    FillWithDetail(picture, width, height);
    image->SetStretch(true);
    image->Picture().SetCurrentGraphic(&picture);
    image->SetBounds(7, 11, kClientWidth - 20, kClientHeight - 30);
    form.Show();
    form.Repaint();
  }
  std::vector<uint32_t> FromScreen() {
    const WindowDC window(form.Handle());
    return Drawn([&](HDC dc) { BitBlt(dc, 0, 0, kClientWidth, kClientHeight, window.get(), 0, 0, SRCCOPY); });
  }
  std::vector<uint32_t> Painted() {
    return Drawn([&](HDC dc) { form.PaintTo(dc); });
  }
};

const struct {
  const char* what;
  int width, height;
} kPictures[] = {
    {"enlarged", 41, 29},
    {"at its own size", kClientWidth - 20, kClientHeight - 30},
    {"shrunk through the filter", 900, 610},
};

}  // namespace

TEST_F(WindowPainting, GivesWhatTheScreenShowsAlsoWhereTheWindowLeavesTheScreen) {
  for (const auto& picture : kPictures) {
    SCOPED_TRACE(picture.what);
    ShowPicture(picture.width, picture.height);
    ASSERT_EQ(kClientWidth, form.ClientWidth());
    const std::vector<uint32_t> screen = FromScreen();
    ASSERT_FALSE(screen.empty());
    // Not only black: the picture is there.
    EXPECT_NE(screen[static_cast<size_t>(kClientHeight / 2) * kClientWidth + kClientWidth / 2], 0u);
    EXPECT_EQ(0u, DifferingPixels(screen, Painted()));
    // Past the bottom right corner of the screen, only a corner of it left on it.
    form.SetBounds(GetSystemMetrics(SM_CXSCREEN) - 60, GetSystemMetrics(SM_CYSCREEN) - 50, form.Width(),
                   form.Height());
    EXPECT_EQ(0u, DifferingPixels(screen, Painted()));
    form.Hide();
    image->SetPicture(nullptr);
  }
}
