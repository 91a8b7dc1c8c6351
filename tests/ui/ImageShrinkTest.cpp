// The image control shows a picture made smaller through the filter, prepared
// once for its size, and knows when its picture could not be drawn.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "picture/bitmap/Bitmap.h"
#include "picture/readers/jpeg/JpegImage.h"
#include "picture/core/Stream.h"
#include "tests/support/LibraryJpeg.h"
#include "tests/support/ScopedApplication.h"
#include "tests/ui/ImageOnForm.h"
#include "text/Exceptions.h"
#include "ui/Form.h"
#include "ui/Image.h"

namespace {

// A graphic whose drawing always fails.
class TFailingGraphic : public TGraphic {
public:
  static const TGraphicClass& StaticClass() {
    static const TGraphicClass kClass{"TFailingGraphic", nullptr,
                                      [] { return std::unique_ptr<TGraphic>(new TFailingGraphic); }};
    return kClass;
  }
  const TGraphicClass& ClassType() const override { return StaticClass(); }
  void CopyFrom(const TPersistent*) override {}
  void DrawInto(TCanvas&, const RECT&) override { throw EInvalidGraphic("cannot draw"); }
  bool IsEmpty() const override { return false; }
  int Width() const override { return 40; }
  int Height() const override { return 30; }
  void SetWidth(int) override {}
  void SetHeight(int) override {}
  void LoadStream(TStream&) override {}
  void SaveStream(TStream&) override {}
};

void Load(TJPEGImage& jpeg, const std::vector<uint8_t>& bytes) {
  TMemoryStream stream;
  stream.SetSize(static_cast<int32_t>(bytes.size()));
  std::memcpy(stream.Memory(), bytes.data(), bytes.size());
  jpeg.LoadStream(stream);
}

class ImageShrinking : public testing::Test {
protected:
  ScopedApplication app;
  TForm form{&*app};
  TImage* image = [this] {
    TImage* control = PlaceImage(form, 200, 150);
    control->SetStretch(true);
    return control;
  }();

  void ShowForm() {
    form.SetBorderStyle(bsToolWindow);
    form.SetColor(clBlack);
    form.SetBounds(30, 30, 300, 300);
    form.Show();
    UpdateWindow(form.Handle());
    PumpWaiting(*app);
  }
  void Repaint() {
    image->Invalidate();
    UpdateWindow(form.Handle());
    PumpWaiting(*app);
  }
};

}  // namespace

TEST_F(ImageShrinking, APictureShownSmallerIsFilteredNotSampled) {
  ShowForm();
  // A one-pixel checkerboard of black and white, 803 by 601, shown as 200 by 150.
  constexpr int kWidth = 803, kHeight = 601;
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), kWidth, -kHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  UniqueGdiObject<HBITMAP> section(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  ASSERT_TRUE(section);
  auto* pixels = static_cast<DWORD*>(bits);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) pixels[y * kWidth + x] = (x + y) % 2 ? 0xFFFFFF : 0;
  TBitmap checkerboard;
  checkerboard.SetBitmapHandle(std::move(section));
  image->Picture().SetCurrentGraphic(&checkerboard);
  Repaint();

  const HDC dc = GetDC(form.Handle());
  int off = 0;
  COLORREF example = 0;
  for (int y = 0; y < 150; y += 7) {
    for (int x = 0; x < 200; x += 3) {
      const COLORREF pixel = GetPixel(dc, x, y);
      if (std::abs(GetRValue(pixel) - 128) > 4 || std::abs(GetGValue(pixel) - 128) > 4 ||
          std::abs(GetBValue(pixel) - 128) > 4) {
        ++off;
        example = pixel;
      }
    }
  }
  ReleaseDC(form.Handle(), dc);
  EXPECT_EQ(0, off) << "a pattern instead of flat gray, e.g. " << std::hex << example;
}

TEST_F(ImageShrinking, AJpegPictureIsDecodedOnceAtTheScaleItsSizeNeeds) {
  ShowForm();
  const std::vector<uint8_t> row(1601 * 3, 0x60);
  TJPEGImage loaded;
  Load(loaded, LibraryJpeg(1601, 1201, 3, JCS_RGB, [&](int) { return row.data(); }));
  int decodes = 0;
  image->OnProgress = [&](TPersistent*, TProgressStage stage, uint8_t, bool, RECT&, std::string&) {
    if (stage == psStarting) ++decodes;
  };
  image->SetVisible(false);
  image->Picture().SetCurrentGraphic(&loaded);
  EXPECT_EQ(0, decodes) << "not before it is prepared or painted";
  image->PreparePicture();
  EXPECT_EQ(1, decodes);
  auto* jpeg = dynamic_cast<TJPEGImage*>(image->Picture().CurrentGraphic());
  ASSERT_NE(jpeg, nullptr);
  // Twice the shown size, 400 by 300, is covered by the quarter scale's 401 by 301.
  EXPECT_EQ(jsQuarter, jpeg->Options().ScaleShift);
  EXPECT_EQ(1601, image->Picture().Width()) << "the picture's size is its own";

  image->SetVisible(true);
  Repaint();
  Repaint();
  image->SetBounds(0, 0, 100, 75);
  image->PreparePicture();
  Repaint();
  EXPECT_EQ(1, decodes) << "paints and a smaller size reuse the decoded picture";
  EXPECT_FALSE(image->DrawFailed());
}

TEST_F(ImageShrinking, APictureThatCouldNotBeDrawnMarksTheControlUntilAnotherComes) {
  // A baseline file marked progressive: its header reads, its decode fails.
  const std::vector<uint8_t> row(64 * 3, 0x60);
  std::vector<uint8_t> file = LibraryJpeg(64, 48, 3, JCS_RGB, [&](int) { return row.data(); });
  for (size_t i = 2; i + 1 < file.size(); ++i) {
    if (file[i] == 0xFF && file[i + 1] == 0xC0) {
      file[i + 1] = 0xC2;
      break;
    }
  }
  // Shown smaller or enlarged, the decode fails when the picture is prepared,
  // before anything is painted.
  for (const SIZE shown : {SIZE{32, 24}, SIZE{128, 96}}) {
    TJPEGImage damaged;
    Load(damaged, file);
    image->SetBounds(0, 0, shown.cx, shown.cy);
    image->Picture().SetCurrentGraphic(&damaged);
    EXPECT_FALSE(image->DrawFailed());
    EXPECT_THROW(image->PreparePicture(), EJPEG) << shown.cx;
    EXPECT_TRUE(image->DrawFailed());
    image->SetPicture(nullptr);
    EXPECT_FALSE(image->DrawFailed());
  }

  // A failure while painting is kept for the owner to tell once: no paint shows
  // it, and the failed picture is not tried again however often the window paints.
  std::vector<std::string> shown;
  app->OnException = [&](TComponent*, const Exception& failure) { shown.push_back(failure.Message()); };
  ShowForm();
  TFailingGraphic failing;
  image->Picture().SetCurrentGraphic(&failing);
  for (int paint = 0; paint < 3; ++paint) Repaint();
  EXPECT_TRUE(shown.empty());
  EXPECT_TRUE(image->DrawFailed());
  ASSERT_NE(nullptr, image->PaintFailure());
  EXPECT_THROW(std::rethrow_exception(image->PaintFailure()), EInvalidGraphic);
  image->SetPicture(nullptr);
  EXPECT_EQ(nullptr, image->PaintFailure());
}
