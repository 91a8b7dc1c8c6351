// How long one WM_PAINT of the shown 600 by 600 main window takes, against the
// cheapest paint a window can have: a bare window of the same size whose class
// brush is black and whose painting is the system's default.
#include <windows.h>

#include <cstdio>

#include "bench/BenchClock.h"
#include "presenter/Mainwindow1.h"
#include "tests/support/WindowRuntime.h"
#include "ui/Application.h"

namespace {

constexpr int kRounds = 2000;

// Mean milliseconds of one full repaint (erase and paint) of the window.
double MeanPaintMs(HWND window) {
  for (int i = 0; i < 50; ++i) {  // warm up caches and device contexts
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);
  }
  const double start = Now();
  for (int i = 0; i < kRounds; ++i) {
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);
  }
  return (Now() - start) * 1000.0 / kRounds;
}

HWND MakeReferenceWindow(int width, int height) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  windowClass.lpszClassName = "ReferenceWindow";
  RegisterClassA(&windowClass);
  const HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, "ReferenceWindow", "reference",
                                      WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 20, 20,
                                      width, height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  ShowWindow(window, SW_SHOWNOACTIVATE);
  return window;
}

}  // namespace

int main(int argc, char**) {
  // Without a picture the main window starts by asking about the information
  // page, and that box would wait for an answer.
  if (argc < 2) {
    std::printf("usage: paint_bench.exe PICTURE (for example samples\\sample.bmp)\n");
    return 2;
  }
  StartWindowRuntime();
  Application->CreateForm(MainForm1);
  MainForm1->Timer1->SetEnabled(false);
  MainForm1->SetLeft(10);
  MainForm1->SetTop(10);
  MainForm1->Show();
  const HWND reference = MakeReferenceWindow(MainForm1->Width(), MainForm1->Height());

  const double ours = MeanPaintMs(MainForm1->Handle());
  const double bare = MeanPaintMs(reference);
  std::printf("main window paint: %.4f ms (target under 2 ms)\n", ours);
  std::printf("bare window paint: %.4f ms\n", bare);
  std::printf("ratio: %.2f\n", ours / bare);
  return ours < 2.0 ? 0 : 1;
}
