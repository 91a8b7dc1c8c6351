#include <gtest/gtest.h>

#include "picture/bitmap/Bitmap.h"
#include "tests/support/ScopedApplication.h"
#include "tests/ui/ImageOnForm.h"
#include "ui/Form.h"
#include "ui/Image.h"

namespace {

// A graphic that is not a bitmap, of a given size.
class TOtherGraphic : public TGraphic {
public:
  static const TGraphicClass& StaticClass() {
    static const TGraphicClass kClass{"TOtherGraphic", nullptr, [] { return std::unique_ptr<TGraphic>(new TOtherGraphic); }};
    return kClass;
  }
  const TGraphicClass& ClassType() const override { return StaticClass(); }
  void CopyFrom(const TPersistent* source) override {
    if (auto* other = dynamic_cast<const TOtherGraphic*>(source)) {
      width_ = other->width_;
      height_ = other->height_;
    }
  }
  void DrawInto(TCanvas&, const RECT&) override { ++draws; }
  bool IsEmpty() const override { return width_ == 0; }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void SetWidth(int value) override { width_ = value; }
  void SetHeight(int value) override { height_ = value; }
  void LoadStream(TStream&) override {}
  void SaveStream(TStream&) override {}
  int draws = 0;

private:
  int width_ = 0;
  int height_ = 0;
};

class ImageControl : public testing::Test {
protected:
  ScopedApplication app;
  TForm form{&*app};
  TImage* image = PlaceImage(form, 200, 100);
  void Hold(int width, int height) {
    TOtherGraphic graphic;
    graphic.SetWidth(width);
    graphic.SetHeight(height);
    image->Picture().SetCurrentGraphic(&graphic);
  }
  static bool Equal(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
  }
};

}  // namespace

TEST_F(ImageControl, DestinationRectangleFollowsStretchProportionalAndCenter) {
  Hold(50, 40);
  EXPECT_TRUE(Equal(image->DestRect(), {0, 0, 50, 40})) << "not scaled: the picture's own size";
  image->SetCenter(true);
  EXPECT_TRUE(Equal(image->DestRect(), {75, 30, 125, 70}));
  image->SetCenter(false);
  image->SetStretch(true);
  EXPECT_TRUE(Equal(image->DestRect(), {0, 0, 200, 100}));
  image->SetProportional(true);
  Hold(400, 100);  // landscape: width decides, 200 / 4 = 50
  EXPECT_TRUE(Equal(image->DestRect(), {0, 0, 200, 50}));
  Hold(300, 200);  // landscape, but then too high: height decides, trunc(100 * 1.5)
  EXPECT_TRUE(Equal(image->DestRect(), {0, 0, 150, 100}));
  Hold(30, 90);  // portrait: height decides, trunc(100 / 3)
  EXPECT_TRUE(Equal(image->DestRect(), {0, 0, 33, 100}));
  image->SetStretch(false);
  Hold(30, 150);  // proportional shrinks a picture larger than the control only
  EXPECT_TRUE(Equal(image->DestRect(), {0, 0, 20, 100}));
  Hold(30, 40);
  EXPECT_TRUE(Equal(image->DestRect(), {0, 0, 30, 40}));
}

TEST_F(ImageControl, IsOpaqueOnlyWhenAnOpaqueGraphicCoversItExactly) {
  EXPECT_FALSE(image->ControlStyle() & TControl::csOpaque);
  image->SetStretch(true);
  Hold(10, 10);
  EXPECT_TRUE(image->ControlStyle() & TControl::csOpaque);
  image->SetTransparent(true);
  EXPECT_FALSE(image->ControlStyle() & TControl::csOpaque);
  EXPECT_TRUE(image->Picture().CurrentGraphic()->Transparent()) << "the graphic takes the control's transparency";
  image->SetTransparent(false);
  image->SetStretch(false);
  EXPECT_FALSE(image->ControlStyle() & TControl::csOpaque) << "a 10 by 10 picture leaves most of it uncovered";
  image->SetPicture(nullptr);
  EXPECT_FALSE(image->ControlStyle() & TControl::csOpaque);
}

TEST_F(ImageControl, AutomaticSizeReplacesEverySizeByThePictures) {
  image->SetAutoSize(true);
  EXPECT_EQ(image->Width(), 0) << "an empty picture has no size";
  image->SetWidth(600);
  EXPECT_EQ(image->Width(), 0);
  Hold(64, 48);
  EXPECT_EQ(image->Width(), 64);
  EXPECT_EQ(image->Height(), 48);
  image->SetAutoSize(false);
  image->SetWidth(600);
  EXPECT_EQ(image->Width(), 600);
  Hold(20, 20);
  EXPECT_EQ(image->Width(), 600) << "without automatic size the control keeps its size";
}

TEST_F(ImageControl, LendsTheCanvasOfItsBitmapAndOfNothingElse) {
  image->SetBounds(0, 0, 600, 400);
  TCanvas& canvas = image->Canvas();
  auto* bitmap = dynamic_cast<TBitmap*>(image->Picture().CurrentGraphic());
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(bitmap->Width(), 600);
  EXPECT_EQ(bitmap->Height(), 400);
  EXPECT_EQ(&image->Canvas(), &canvas) << "asking again gives the same canvas";

  Hold(5, 5);
  try {
    image->Canvas();
    FAIL() << "a canvas for a graphic that is not a bitmap";
  } catch (const EInvalidOperation& failure) {
    EXPECT_EQ(failure.Message(), "ビットマップを持っている時のみイメージの変更が可能です");
  }
}

TEST_F(ImageControl, RepaintsWhenItsPictureChanges) {
  form.SetBorderStyle(bsToolWindow);
  form.SetColor(clBlack);
  form.SetBounds(30, 30, 300, 300);
  form.Show();
  image->SetStretch(true);
  UpdateWindow(form.Handle());
  PumpWaiting(*app);
  Hold(4, 4);
  auto* graphic = dynamic_cast<TOtherGraphic*>(image->Picture().CurrentGraphic());
  ASSERT_NE(graphic, nullptr);
  UpdateWindow(form.Handle());
  EXPECT_GE(graphic->draws, 1) << "a picture change repaints the control";
}

TEST_F(ImageControl, CopiesTheWindowsClientAreaIntoItsBitmapPixelForPixel) {
  form.SetBorderStyle(bsToolWindow);
  form.SetColor(clBlack);
  form.SetBounds(30, 30, 300, 300);
  form.SetClientWidth(120);
  form.SetClientHeight(90);
  form.Show();
  UpdateWindow(form.Handle());
  // A recognisable client area: black, with a white square at 10,10.
  {
    const HDC dc = GetDC(form.Handle());
    RECT square{10, 10, 20, 20};
    FillRect(dc, &square, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ReleaseDC(form.Handle(), dc);
  }
  image->SetVisible(false);
  image->SetAutoSize(true);
  image->SetPicture(nullptr);
  image->SetAutoSize(false);
  const int cw = form.ClientWidth();
  const int ch = form.ClientHeight();
  image->SetWidth(cw);
  image->SetHeight(ch);
  image->Canvas().CopyRect({0, 0, cw, ch}, form.Canvas(), {0, 0, cw, ch});
  TBitmap& bitmap = image->Picture().AsBitmap();
  EXPECT_EQ(bitmap.Width(), 120);
  EXPECT_EQ(bitmap.Height(), 90);
  const HDC dc = bitmap.Canvas().Handle();
  EXPECT_EQ(GetPixel(dc, 15, 15), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(dc, 9, 9), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(dc, 20, 20), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(dc, 119, 89), RGB(0, 0, 0));
}
