#include <gtest/gtest.h>

#include "tests/support/Dib.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "picture/bitmap/Bitmap.h"
#include "picture/bitmap/BitmapCanvas.h"
#include "picture/core/Graphic.h"
#include "resources/StringIds.h"
#include "tests/support/BitmapTestSupport.h"
#include "tests/support/ScopedApplication.h"
#include "text/Exceptions.h"
#include "ui/Application.h"
#include "ui/ControlCanvas.h"
#include "ui/Form.h"
#include "ui/Screen.h"

namespace {

// A 32-bit DIB pixel is 0x00RRGGBB; a COLORREF is 0x00BBGGRR.
COLORREF Rgb(DWORD pixel) { return RGB(pixel >> 16 & 0xFF, pixel >> 8 & 0xFF, pixel & 0xFF); }

// A visible top-level window with a caption and a client area of the given size,
// whose device context the control canvases draw on. It counts the contexts given.
class TestWindow : public CanvasTarget {
public:
  TestWindow(int clientWidth, int clientHeight) {
    static const bool registered = [] {
      WNDCLASSA windowClass{};
      windowClass.lpfnWndProc = DefWindowProcA;
      windowClass.hInstance = GetModuleHandleA(nullptr);
      windowClass.lpszClassName = "TCanvasTestWindow";
      return RegisterClassA(&windowClass) != 0;
    }();
    EXPECT_TRUE(registered);
    RECT frame{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&frame, WS_OVERLAPPED | WS_CAPTION, FALSE, WS_EX_TOPMOST);
    window_.reset(CreateWindowExA(WS_EX_TOPMOST, "TCanvasTestWindow", "canvas", WS_OVERLAPPED | WS_CAPTION, 40, 40,
                                  frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr));
    ShowWindow(window_.get(), SW_SHOWNOACTIVATE);
    UpdateWindow(window_.get());
    MSG message;
    while (PeekMessageA(&message, window_.get(), 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }

  HWND Window() const { return window_.get(); }
  int obtained = 0;

  WindowDC GetDeviceContext() override {
    WindowDC dc(window_.get());
    if (dc.get() == nullptr) throw EOutOfResources(ResText(IDS_NO_DEVICE_CONTEXT));
    ++obtained;
    return dc;
  }

private:
  UniqueWindow window_;
};

// A canvas kind drawing into a 32-bit top-down DIB section in a memory context,
// attached on first need as a bitmap canvas does.
class DibCanvas : public TCanvas {
public:
  DibCanvas(int width, int height) : width_(width), dc_(CreateCompatibleDC(nullptr)) {
    BITMAPINFO info = TopDown32BitInfo(width, height);
    void* bits = nullptr;
    bitmap_.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    bits_ = static_cast<const DWORD*>(bits);
    SelectObject(dc_.get(), bitmap_.get());
  }
  ~DibCanvas() override { SetHandle(nullptr); }

  HDC MemoryDC() const { return dc_.get(); }
  COLORREF Pixel(int x, int y) const {
    GdiFlush();
    return Rgb(bits_[y * width_ + x]);
  }

protected:
  void CreateHandle() override { SetHandle(dc_.get()); }

private:
  int width_;
  UniqueGdiObject<HBITMAP> bitmap_;
  UniqueMemoryDC dc_;
  const DWORD* bits_ = nullptr;
};

// Paints rectangles onto a window's client area and remembers what it painted.
class Painting {
public:
  Painting(HWND window, int width, int height)
      : window_(window), width_(width), expected_(static_cast<size_t>(width * height)) {}
  void Fill(const RECT& rect, COLORREF color) {
    WindowDC dc(window_);
    UniqueGdiObject<HBRUSH> brush(CreateSolidBrush(color));
    ::FillRect(dc.get(), &rect, brush.get());
    for (int y = rect.top; y < rect.bottom; ++y)
      for (int x = rect.left; x < rect.right; ++x) expected_[static_cast<size_t>(y * width_ + x)] = color;
  }
  COLORREF At(int x, int y) const { return expected_[static_cast<size_t>(y * width_ + x)]; }

private:
  HWND window_;
  int width_;
  std::vector<COLORREF> expected_;
};

int HeldCount(const std::vector<std::unique_ptr<TControlCanvas>>& canvases) {
  int held = 0;
  for (const auto& canvas : canvases) held += canvas->HandleAllocated() ? 1 : 0;
  return held;
}

}  // namespace

TEST(CanvasCopy, CopiesTheWindowClientAreaPixelForPixelWithTheCopyMode) {
  constexpr int kWidth = 64, kHeight = 48;
  TestWindow window(kWidth, kHeight);
  Painting painting(window.Window(), kWidth, kHeight);
  painting.Fill({0, 0, kWidth, kHeight}, RGB(10, 20, 30));
  painting.Fill({0, 0, 32, 24}, RGB(200, 40, 60));
  painting.Fill({32, 24, kWidth, kHeight}, RGB(70, 180, 90));
  // Single pixels at the corners catch an offset, a flip or a frame included.
  painting.Fill({0, kHeight - 1, 1, kHeight}, RGB(255, 255, 0));
  painting.Fill({kWidth - 1, 0, kWidth, 1}, RGB(0, 255, 255));
  painting.Fill({kWidth - 1, kHeight - 1, kWidth, kHeight}, RGB(255, 0, 255));

  TControlCanvas source;
  source.SetControl(&window);
  DibCanvas dest(kWidth, kHeight);
  const RECT all{0, 0, kWidth, kHeight};
  dest.CopyRect(all, source, all);
  int wrong = 0;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) wrong += dest.Pixel(x, y) != painting.At(x, y) ? 1 : 0;
  EXPECT_EQ(wrong, 0);

  dest.SetCopyMode(NOTSRCCOPY);
  dest.CopyRect(all, source, all);
  EXPECT_EQ(dest.Pixel(5, 5), ~painting.At(5, 5) & 0xFFFFFF);
  EXPECT_EQ(dest.Pixel(kWidth - 1, kHeight - 1), ~painting.At(kWidth - 1, kHeight - 1) & 0xFFFFFF);
  ReleaseAllDeviceContexts();
}

TEST(CanvasCopy, StretchesIntoALargerRectangleWithoutChangingTheStretchMode) {
  TestWindow window(10, 10);
  Painting painting(window.Window(), 10, 10);
  painting.Fill({0, 0, 5, 10}, RGB(220, 0, 0));
  painting.Fill({5, 0, 10, 10}, RGB(0, 0, 220));
  painting.Fill({0, 9, 10, 10}, RGB(0, 200, 0));

  TControlCanvas source;
  source.SetControl(&window);
  DibCanvas dest(30, 30);
  SetStretchBltMode(dest.MemoryDC(), COLORONCOLOR);
  // Drawn at an offset: the copy goes to the destination rectangle, not to (0, 0).
  dest.CopyRect({10, 10, 30, 30}, source, {0, 0, 10, 10});
  for (int y = 10; y < 30; ++y)
    for (int x = 10; x < 30; ++x) ASSERT_EQ(dest.Pixel(x, y), painting.At((x - 10) / 2, (y - 10) / 2)) << x << "," << y;
  EXPECT_EQ(dest.Pixel(9, 9), RGB(0, 0, 0));
  EXPECT_EQ(GetStretchBltMode(dest.MemoryDC()), COLORONCOLOR);
  ReleaseAllDeviceContexts();
}

TEST(ControlCanvas, ReusesItsWindowContextUntilAllContextsAreReleased) {
  TestWindow window(20, 20);
  TControlCanvas canvas;
  canvas.SetControl(&window);
  canvas.FillRect({0, 0, 5, 5});
  EXPECT_GT(canvas.TextHeight("0"), 0);
  EXPECT_EQ(window.obtained, 1);
  EXPECT_TRUE(canvas.HandleAllocated());

  ReleaseAllDeviceContexts();
  EXPECT_FALSE(canvas.HandleAllocated());
  EXPECT_EQ(canvas.State(), 0u);
  canvas.FillRect({0, 0, 5, 5});
  EXPECT_EQ(window.obtained, 2);

  // A new control gives the old context back first.
  TestWindow other(20, 20);
  canvas.SetControl(&other);
  EXPECT_FALSE(canvas.HandleAllocated());
  canvas.FillRect({0, 0, 5, 5});
  EXPECT_EQ(other.obtained, 1);
  ReleaseAllDeviceContexts();
}

TEST(ControlCanvas, HoldsAtMostFourContextsAndSparesLockedCanvases) {
  std::vector<std::unique_ptr<TestWindow>> windows;
  std::vector<std::unique_ptr<TControlCanvas>> canvases;
  for (int i = 0; i < 5; ++i) {
    windows.push_back(std::make_unique<TestWindow>(8, 8));
    canvases.push_back(std::make_unique<TControlCanvas>());
    canvases.back()->SetControl(windows.back().get());
  }
  for (int i = 0; i < 4; ++i) canvases[i]->Handle();
  EXPECT_EQ(HeldCount(canvases), 4);

  // The first canvas is painting, so the fifth takes the second one's context.
  canvases[0]->Lock();
  canvases[4]->Handle();
  EXPECT_EQ(HeldCount(canvases), 4);
  EXPECT_TRUE(canvases[0]->HandleAllocated());
  EXPECT_FALSE(canvases[1]->HandleAllocated());
  EXPECT_TRUE(canvases[4]->HandleAllocated());

  ReleaseAllDeviceContexts();
  EXPECT_EQ(HeldCount(canvases), 1);
  EXPECT_TRUE(canvases[0]->HandleAllocated());
  canvases[0]->Unlock();
  EXPECT_TRUE(canvases[0]->TryLock());
  EXPECT_FALSE(canvases[0]->TryLock());
  canvases[0]->Unlock();
  ReleaseAllDeviceContexts();
  EXPECT_EQ(HeldCount(canvases), 0);

  // A destroyed canvas leaves the list: four more are obtained without any release.
  canvases[0]->Handle();
  canvases[0].reset();
  for (int i = 1; i < 5; ++i) canvases[i]->Handle();
  for (int i = 1; i < 5; ++i) EXPECT_TRUE(canvases[i]->HandleAllocated()) << i;
  ReleaseAllDeviceContexts();
}

TEST(CanvasState, SelectsOnlyWhatAnOperationNeedsAndPutsTheStockObjectsBack) {
  DibCanvas canvas(16, 16);
  const HDC dc = canvas.MemoryDC();
  const HGDIOBJ stockFont = GetStockObject(SYSTEM_FONT);
  const HGDIOBJ stockPen = GetStockObject(BLACK_PEN);
  const HGDIOBJ stockBrush = GetStockObject(NULL_BRUSH);
  const HGDIOBJ originalFont = GetCurrentObject(dc, OBJ_FONT);

  canvas.Brush().SetColor(RGB(1, 2, 3));
  canvas.FillRect({0, 0, 16, 16});
  EXPECT_EQ(canvas.State(), csHandleValid | csBrushValid);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), canvas.Brush().Handle());
  EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), originalFont);
  EXPECT_EQ(GetBkColor(dc), RGB(1, 2, 3));
  EXPECT_EQ(GetBkMode(dc), OPAQUE);
  EXPECT_EQ(canvas.Pixel(15, 15), RGB(1, 2, 3));

  canvas.Font().SetColor(RGB(9, 8, 7));
  EXPECT_GT(canvas.TextHeight("0"), 0);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), canvas.Font().Handle());
  EXPECT_EQ(GetTextColor(dc), RGB(9, 8, 7));

  canvas.Pen().SetMode(pmXor);
  canvas.RequiredState(csHandleValid | csPenValid);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), canvas.Pen().Handle());
  EXPECT_EQ(GetROP2(dc), R2_XORPEN);
  EXPECT_EQ(canvas.State(), csAllValid);

  // A change puts the stock object in its place; the next use selects the new one.
  const HFONT oldFont = canvas.Font().Handle();
  canvas.Font().SetHeight(-20);
  EXPECT_EQ(canvas.State(), csHandleValid | csPenValid | csBrushValid);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), stockFont);
  EXPECT_EQ(GetObjectType(oldFont), 0u) << "the replaced font was not deleted";
  canvas.Brush().SetStyle(bsClear);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), stockBrush);
  canvas.RequiredState(csHandleValid | csBrushValid);
  EXPECT_EQ(GetBkMode(dc), TRANSPARENT);

  canvas.MoveTo(7, 9);
  canvas.SetHandle(nullptr);
  EXPECT_EQ(canvas.State(), 0u);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), stockFont);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), stockPen);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), stockBrush);

  // The pen position goes over to the next context.
  UniqueMemoryDC next(CreateCompatibleDC(nullptr));
  canvas.SetHandle(next.get());
  POINT position{};
  GetCurrentPositionEx(next.get(), &position);
  EXPECT_EQ(position.x, 7);
  EXPECT_EQ(position.y, 9);
  canvas.SetHandle(nullptr);
}

TEST(CanvasState, DrawsAGraphicWithEverythingSelectedBetweenTheNotifications) {
  struct Recorder : TGraphic {
    std::vector<std::string>* log = nullptr;
    void DrawInto(TCanvas& canvas, const RECT& rect) override {
      log->push_back("draw " + std::to_string(canvas.State()) + " " + std::to_string(rect.right));
    }
    // Only drawing matters here.
    const TGraphicClass& ClassType() const override {
      static const TGraphicClass kClass{"Recorder", nullptr, nullptr};
      return kClass;
    }
    void CopyFrom(const TPersistent*) override {}
    bool IsEmpty() const override { return false; }
    int Width() const override { return 8; }
    int Height() const override { return 8; }
    void SetWidth(int) override {}
    void SetHeight(int) override {}
    void LoadStream(TStream&) override {}
    void SaveStream(TStream&) override {}
  };
  std::vector<std::string> log;
  Recorder graphic;
  graphic.log = &log;
  DibCanvas canvas(8, 8);
  canvas.OnChanging = [&] { log.push_back("changing"); };
  canvas.OnChange = [&] { log.push_back("changed"); };

  canvas.StretchDraw({0, 0, 8, 8}, nullptr);
  EXPECT_TRUE(log.empty());
  EXPECT_FALSE(canvas.HandleAllocated());
  canvas.StretchDraw({0, 0, 8, 8}, &graphic);
  const std::vector<std::string> expected{"changing", "draw " + std::to_string(csAllValid) + " 8", "changed"};
  EXPECT_EQ(log, expected);
}

TEST(CanvasState, WithoutADeviceContextDrawingFailsWithTheCanvasMessage) {
  TCanvas plain;
  TControlCanvas unbound;
  for (TCanvas* canvas : std::initializer_list<TCanvas*>{&plain, &unbound}) {
    try {
      canvas->FillRect({0, 0, 1, 1});
      ADD_FAILURE() << "no failure";
    } catch (const EInvalidOperation& failure) {
      EXPECT_EQ(failure.Message(), "Canvas に対する描画ができません");
    }
  }
}

TEST(CanvasFont, MeasuresTheLayoutFontAndFollowsItsChanges) {
  TFont layout;
  layout.SetName("ＭＳ Ｐゴシック");
  layout.SetHeight(-12);
  layout.SetCharset(SHIFTJIS_CHARSET);
  DibCanvas canvas(4, 4);
  int changes = 0;
  canvas.OnChange = [&] { ++changes; };
  canvas.SetFont(layout);
  EXPECT_EQ(canvas.TextHeight("0"), 12);

  int fontChanges = 0;
  layout.OnChange = [&] { ++fontChanges; };
  layout.SetHeight(-24);
  layout.SetHeight(-24);
  EXPECT_EQ(fontChanges, 1);
  canvas.SetFont(layout);
  EXPECT_EQ(canvas.TextHeight("0"), 24);
  EXPECT_EQ(changes, 0) << "measuring text is no drawing";

  // A system font taken over gives its attributes back.
  LOGFONTW log{};
  log.lfHeight = -17;
  log.lfWeight = FW_BOLD;
  log.lfItalic = TRUE;
  log.lfCharSet = SHIFTJIS_CHARSET;
  lstrcpyW(log.lfFaceName, L"ＭＳ ゴシック");
  TFont taken;
  taken.SetHandle(CreateFontIndirectW(&log));
  EXPECT_EQ(taken.Name(), "ＭＳ ゴシック");
  EXPECT_EQ(taken.Height(), -17);
  EXPECT_EQ(taken.Style(), (TFontStyles{fsBold, fsItalic}));
  canvas.SetFont(taken);
  EXPECT_EQ(canvas.TextHeight("0"), 17);
}

TEST(CanvasFont, DefaultFontDependsOnTheSystemCharacterSetAndResolution) {
  const int saved = Screen->PixelsPerInch();
  Screen->SetPixelsPerInchForTesting(120);
  TFont font;
  EXPECT_EQ(font.Name(), "ＭＳ Ｐゴシック");
  EXPECT_EQ(font.Height(), -15);
  EXPECT_EQ(font.Charset(), SHIFTJIS_CHARSET);
  EXPECT_EQ(font.Size(), 9);
  ApplyDefaultFont(font, ANSI_CHARSET);
  EXPECT_EQ(font.Name(), "MS Sans Serif");
  EXPECT_EQ(font.Height(), -13);
  EXPECT_EQ(font.Charset(), DEFAULT_CHARSET);
  EXPECT_EQ(font.Color(), clWindowText);
  Screen->SetPixelsPerInchForTesting(saved);
}

TEST(CanvasResources, ReplacedObjectsAreDeletedAndGdiCountsStayFlat) {
  TestWindow window(16, 16);
  DibCanvas memory(16, 16);
  TControlCanvas canvas;
  canvas.SetControl(&window);
  int undeleted = 0;
  const auto round = [&](int i) {
    const HGDIOBJ brush = canvas.Brush().Handle();
    const HGDIOBJ font = canvas.Font().Handle();
    const HGDIOBJ pen = canvas.Pen().Handle();
    canvas.Brush().SetColor(RGB(i & 0xFF, 0, 0));
    canvas.Font().SetHeight(-10 - i % 5);
    canvas.Pen().SetWidth(2 + i % 3);
    // Checked before anything new is made, which could reuse a freed handle's value.
    for (HGDIOBJ replaced : {brush, font, pen}) undeleted += GetObjectType(replaced) != 0 ? 1 : 0;
    canvas.FillRect({0, 0, 16, 16});
    canvas.TextHeight("0");
    canvas.RequiredState(csAllValid);
    memory.CopyRect({0, 0, 16, 16}, canvas, {0, 0, 16, 16});
    ReleaseAllDeviceContexts();
  };
  round(0);
  const int before = bitmap_test::GdiObjectCount();
  for (int i = 1; i <= 300; ++i) round(i);
  EXPECT_EQ(undeleted, 0);
  EXPECT_LE(bitmap_test::GdiObjectCount(), before + 2);
}

TEST(CanvasPalette, ASystemPaletteChangeMakesEveryCanvasGiveUpItsObjectsLockedOnesToo) {
  ASSERT_NE(Application, nullptr);
  DibCanvas filled(8, 8), measured(8, 8);
  filled.FillRect({0, 0, 8, 8});
  EXPECT_GT(measured.TextHeight("0"), 0);
  measured.Lock();  // as by a paint in progress
  ASSERT_EQ(filled.State(), csHandleValid | csBrushValid);
  ASSERT_EQ(measured.State(), csHandleValid | csFontValid);

  // What the system sends every top-level window when another program realises its palette.
  SendMessageA(Application->Handle(), WM_PALETTECHANGED, reinterpret_cast<WPARAM>(GetDesktopWindow()), 0);
  EXPECT_EQ(filled.State(), static_cast<TCanvasState>(csHandleValid));
  EXPECT_EQ(GetCurrentObject(filled.MemoryDC(), OBJ_BRUSH), GetStockObject(NULL_BRUSH));
  EXPECT_EQ(measured.State(), static_cast<TCanvasState>(csHandleValid));
  EXPECT_EQ(GetCurrentObject(measured.MemoryDC(), OBJ_FONT), GetStockObject(SYSTEM_FONT));
  EXPECT_EQ(measured.LockCount(), 1) << "the lock taken for the change was not given back";
  measured.Unlock();

  // The next use selects the canvas's own objects again.
  filled.Brush().SetColor(RGB(4, 5, 6));
  filled.FillRect({0, 0, 8, 8});
  EXPECT_EQ(GetCurrentObject(filled.MemoryDC(), OBJ_BRUSH), filled.Brush().Handle());
  EXPECT_EQ(filled.Pixel(3, 3), RGB(4, 5, 6));
}

// The window layer gives back idle bitmap contexts after every message it handles.
TEST(CanvasTest, BitmapContextIsHeldUntilTheNextWindowMessageUnlessLocked) {
  ScopedApplication app;
  TForm form(&*app);
  form.HandleNeeded();
  TBitmap bitmap;
  bitmap.SetWidth(2);
  bitmap.SetHeight(2);
  bitmap.Canvas().Brush().SetColor(bitmap_test::ToColorRef(bitmap_test::kRed));
  bitmap.Canvas().FillRect(RECT{0, 0, 1, 1});
  EXPECT_EQ(1, MemoryCanvasCount());
  bitmap.Canvas().Lock();
  SendMessageA(form.Handle(), WM_NULL, 0, 0);
  EXPECT_EQ(1, MemoryCanvasCount());
  bitmap.Canvas().Unlock();
  SendMessageA(form.Handle(), WM_NULL, 0, 0);
  EXPECT_EQ(0, MemoryCanvasCount());
  EXPECT_FALSE(bitmap.Canvas().HandleAllocated());

  // Another bitmap's canvas wanting the same image takes it over.
  TBitmap other;
  other.CopyFrom(&bitmap);
  bitmap.Canvas().Handle();
  other.Canvas().Handle();
  EXPECT_FALSE(bitmap.Canvas().HandleAllocated());
  EXPECT_TRUE(other.Canvas().HandleAllocated());
  ReleaseIdleMemoryDCs();
}
