#include <gtest/gtest.h>

#include "tests/support/BoxWatcher.h"
#include "tests/support/ScopedApplication.h"
#include "ui/CustomControl.h"
#include "ui/Form.h"
#include "ui/GraphicControl.h"

namespace {

// A non-windowed control that fills itself red and counts its paints.
class TPaintProbe : public TGraphicControl {
public:
  explicit TPaintProbe(TComponent* owner) : TGraphicControl(owner) {}
  int paints = 0;

protected:
  void Paint() override {
    ++paints;
    Canvas().Brush().SetColor(RGB(255, 0, 0));
    Canvas().FillRect(RECT{-50, -50, 500, 500});  // clipped to the control
  }
};

// A black form that counts its background erases and its own paints.
class TProbeForm : public TForm {
public:
  explicit TProbeForm(TComponent* owner) : TForm(owner) {
    SetBorderStyle(bsToolWindow);
    SetColor(clBlack);
    SetBounds(40, 40, 320, 320);
    OnPaint = [this](TComponent*) { ++ownPaints; };
  }
  const char* ClassName() const override { return "TProbeForm"; }
  int erases = 0;
  int ownPaints = 0;

protected:
  void WndProc(TMessage& message) override {
    if (message.Msg == WM_ERASEBKGND) ++erases;
    TForm::WndProc(message);
  }
};

COLORREF PixelAt(HWND window, int x, int y) {
  const HDC dc = GetDC(window);
  const COLORREF color = GetPixel(dc, x, y);
  ReleaseDC(window, dc);
  return color;
}

class ControlPainting : public testing::Test {
protected:
  void SetUp() override {
    form = new TProbeForm(&*app);
    a = new TPaintProbe(form);
    a->SetParent(form);
    a->SetBounds(10, 10, 50, 40);
    b = new TPaintProbe(form);
    b->SetParent(form);
    b->SetBounds(200, 200, 50, 40);
    form->Show();
    Settle();
  }
  void Settle() {
    UpdateWindow(form->Handle());
    PumpWaiting(*app);
  }
  void Reset() {
    Settle();
    a->paints = b->paints = form->erases = form->ownPaints = 0;
  }
  bool UpdatePending() {
    RECT r;
    return GetUpdateRect(form->Handle(), &r, FALSE) != FALSE;
  }

  ScopedApplication app;
  TProbeForm* form = nullptr;
  TPaintProbe* a = nullptr;
  TPaintProbe* b = nullptr;
};

}  // namespace

TEST_F(ControlPainting, ChildrenPaintOnlyTheirOwnRectangleAndOnlyWhereInvalid) {
  EXPECT_EQ(PixelAt(form->Handle(), 12, 12), RGB(255, 0, 0));
  EXPECT_EQ(PixelAt(form->Handle(), 59, 49), RGB(255, 0, 0));
  EXPECT_EQ(PixelAt(form->Handle(), 60, 30), RGB(0, 0, 0)) << "the fill was clipped to the child";
  EXPECT_EQ(PixelAt(form->Handle(), 100, 100), RGB(0, 0, 0));

  Reset();
  RECT onlyA{0, 0, 70, 70};
  InvalidateRect(form->Handle(), &onlyA, TRUE);
  Settle();
  EXPECT_EQ(a->paints, 1);
  EXPECT_EQ(b->paints, 0) << "a child outside the invalid region is not asked to paint";
  EXPECT_EQ(form->erases, 1);
}

TEST_F(ControlPainting, InvalidatingErasesUnlessSomethingOpaqueCoversTheRectangle) {
  Reset();
  a->Invalidate();
  Settle();
  EXPECT_EQ(form->erases, 1) << "a transparent child lets the background show";
  EXPECT_EQ(a->paints, 1);

  Reset();
  a->SetControlStyle(a->ControlStyle() | TControl::csOpaque);
  a->Invalidate();
  Settle();
  EXPECT_EQ(form->erases, 0) << "an opaque child paints its whole rectangle";
  EXPECT_EQ(a->paints, 1);

  Reset();
  a->SetControlStyle(0);
  b->SetControlStyle(TControl::csOpaque);
  b->SetBounds(0, 0, 100, 100);  // covers a, but is painted after it
  Reset();
  a->Invalidate();
  Settle();
  EXPECT_EQ(form->erases, 1) << "a covering sibling painted later does not count";

  b->SetControlStyle(0);
  b->SetBounds(200, 200, 50, 40);
  a->SetControlStyle(TControl::csOpaque);
  a->SetBounds(190, 190, 100, 100);  // earlier in painting order, over all of b
  Reset();
  b->Invalidate();
  Settle();
  EXPECT_EQ(form->erases, 0) << "an earlier opaque sibling covers the background";

  Reset();
  a->SetBounds(a->Left(), a->Top(), a->Width(), a->Height());
  EXPECT_FALSE(UpdatePending()) << "setting the same bounds changes nothing";
}

TEST_F(ControlPainting, AnOpaqueChildOverTheWholeClientAreaKeepsTheFormsOwnPaintingFromRunning) {
  Reset();
  a->SetControlStyle(TControl::csOpaque);
  a->SetBounds(0, 0, form->ClientWidth(), form->ClientHeight());
  Reset();
  InvalidateRect(form->Handle(), nullptr, TRUE);
  Settle();
  EXPECT_EQ(form->ownPaints, 0);
  EXPECT_EQ(form->erases, 1) << "the background is still erased when the system asks";
  EXPECT_EQ(a->paints, 1);

  a->SetBounds(0, 0, 10, 10);
  Reset();
  InvalidateRect(form->Handle(), nullptr, TRUE);
  Settle();
  EXPECT_EQ(form->ownPaints, 1);
}

TEST_F(ControlPainting, AnInvisibleWindowedChildNeverGetsAWindow) {
  auto* panel = new TPanel(form);
  panel->SetVisible(false);
  panel->SetParent(form);
  Settle();
  EXPECT_FALSE(panel->HandleAllocated());
  panel->SetVisible(true);
  EXPECT_TRUE(panel->HandleAllocated());
  EXPECT_TRUE(IsWindowVisible(panel->Handle()));
  EXPECT_EQ(GetParent(panel->Handle()), form->Handle());
}

TEST(ControlScaling, ScalesWhatTheLayoutSetOrEverythingAfterReading) {
  ScopedApplication app;
  TForm form(&*app);
  TPaintProbe probe(&form);
  probe.SetParent(&form);
  probe.SetBounds(5, 5, 580, 580);
  probe.ChangeScale(15, 12);  // not reading: every value
  EXPECT_EQ(probe.Left(), 6);
  EXPECT_EQ(probe.Top(), 6);
  EXPECT_EQ(probe.Width(), 725);
  EXPECT_EQ(probe.Height(), 725);

  TPaintProbe read(&form);
  read.SetParent(&form);
  read.SetBounds(4, 0, 70, 70);
  read.BeginReading();
  read.SetWidth(100);  // the only value the layout set
  read.ChangeScale(3, 2);
  EXPECT_EQ(read.Left(), 4);
  EXPECT_EQ(read.Width(), 150);
  EXPECT_EQ(read.Height(), 70) << "height was not set while reading";
  EXPECT_EQ(read.ScalingFlags(), 0u);
  EXPECT_EQ(ScaleValue(-12, 120, 96), -15);
  EXPECT_EQ(ScaleValue(5, 3, 2), 8) << "half rounds away from zero";
  EXPECT_EQ(ScaleValue(-5, 3, 2), -8);
}

TEST(MessageEntry, ShowsAFailingHandlerAndReturnsNormally) {
  ScopedApplication app;
  app->SetTitle("ミロカテ");
  TForm form(&*app);
  form.SetBorderStyle(bsToolWindow);
  form.OnResize = [](TComponent*) { throw EInvalidOperation("サイズ変更の失敗"); };
  form.HandleNeeded();
  BoxWatcher watcher;
  const int width = form.Width();
  form.SetWidth(width + 10);  // WM_SIZE runs OnResize
  ASSERT_TRUE(watcher.WaitFor(1));
  EXPECT_EQ(watcher.Seen()[0].text, "サイズ変更の失敗.");
  // The failure stopped only the handler: the new size took effect.
  EXPECT_EQ(form.Width(), width + 10);
  RECT rect;
  GetWindowRect(form.Handle(), &rect);
  EXPECT_EQ(rect.right - rect.left, width + 10);
}

namespace {
class TFailingCreateForm : public TForm {
public:
  explicit TFailingCreateForm(TComponent* owner) : TForm(owner) {
    SetBorderStyle(bsToolWindow);
    OnCreate = [](TComponent*) { throw EConvertError("'x' は整数ではありません"); };
  }
  const char* ClassName() const override { return "TFailingCreateForm"; }
};
}  // namespace

TEST(FormCreation, AFailingCreationHandlerIsShownAndTheFormStillBecomesTheMainWindow) {
  ScopedApplication app;
  app->SetTitle("ミロカテ");
  BoxWatcher watcher;
  TFailingCreateForm* form = nullptr;
  app->CreateForm(form);
  ASSERT_TRUE(watcher.WaitFor(1));
  EXPECT_EQ(watcher.Seen()[0].text, "'x' は整数ではありません.");
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(app->MainForm(), static_cast<ApplicationForm*>(form));
  EXPECT_TRUE(form->HandleAllocated());
}
