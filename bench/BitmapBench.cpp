// Loading and painting a large bitmap: a 6000 by 4000 24-bit BMP file, made in
// the temporary folder, is
// - loaded, against reading the same file's bytes with one ReadFile call into
//   fresh memory (target: at most 1.5 times as long);
// - measured for the memory the load needs at its peak (target: under 1.2 times
//   the pixel data);
// - painted stretched to 580 by 435 on a window (target: under 30 ms).
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/BenchClock.h"
#include "gdi/Canvas.h"
#include "gdi/Handles.h"
#include "picture/bitmap/Bitmap.h"
#include "picture/bitmap/BitmapCanvas.h"
#include "tests/support/PictureRuntime.h"

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;
constexpr int kRowBytes = kWidth * 3;  // already a multiple of 4
constexpr double kPixelBytes = static_cast<double>(kRowBytes) * kHeight;
constexpr int kRounds = 5;

std::string MakeFile() {
  // The temporary folder may be longer than MAX_PATH: asked for its length first.
  std::string folder(GetTempPathA(0, nullptr), '\0');
  folder.resize(GetTempPathA(static_cast<DWORD>(folder.size()), &folder[0]));
  const std::string name = folder + "mirokate-bench-6000x4000.bmp";
  UniqueFile file(CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  BITMAPFILEHEADER header{};
  BITMAPINFOHEADER info{};
  header.bfType = 0x4D42;
  header.bfOffBits = sizeof header + sizeof info;
  header.bfSize = header.bfOffBits + kRowBytes * kHeight;
  info.biSize = sizeof info;
  info.biWidth = kWidth;
  info.biHeight = kHeight;
  info.biPlanes = 1;
  info.biBitCount = 24;
  DWORD written = 0;
  WriteFile(file.get(), &header, sizeof header, &written, nullptr);
  WriteFile(file.get(), &info, sizeof info, &written, nullptr);
  std::vector<BYTE> row(kRowBytes);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      row[x * 3] = static_cast<BYTE>(x);
      row[x * 3 + 1] = static_cast<BYTE>(y);
      row[x * 3 + 2] = static_cast<BYTE>(x ^ y);
    }
    WriteFile(file.get(), row.data(), kRowBytes, &written, nullptr);
  }
  return name;
}

// The baseline: the whole file into fresh memory with one ReadFile call.
double ReadWholeSeconds(const std::string& name) {
  const double start = Now();
  UniqueFile file(CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  const DWORD size = GetFileSize(file.get(), nullptr);
  void* memory = VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  DWORD read = 0;
  ReadFile(file.get(), memory, size, &read, nullptr);
  const double seconds = Now() - start;
  VirtualFree(memory, 0, MEM_RELEASE);
  return read == size ? seconds : -1;
}

double LoadSeconds(const std::string& name) {
  const double start = Now();
  TBitmap bitmap;
  bitmap.LoadFile(name);
  return Now() - start;
}

PROCESS_MEMORY_COUNTERS Memory() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters;
}

HWND MakeWindow(int clientWidth, int clientHeight) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "BitmapBenchWindow";
  RegisterClassA(&windowClass);
  RECT frame{0, 0, clientWidth, clientHeight};
  AdjustWindowRectEx(&frame, WS_OVERLAPPED | WS_CAPTION, FALSE, 0);
  const HWND window = CreateWindowExA(0, "BitmapBenchWindow", "bitmap", WS_OVERLAPPED | WS_CAPTION, 20, 20,
                                      frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                      GetModuleHandleA(nullptr), nullptr);
  ShowWindow(window, SW_SHOWNOACTIVATE);
  UpdateWindow(window);
  return window;
}

}  // namespace

int main() {
  StartPictureRuntime();
  const std::string name = MakeFile();

  // Memory first, while the process's peaks still belong to start-up.
  const PROCESS_MEMORY_COUNTERS before = Memory();
  {
    TBitmap bitmap;
    bitmap.LoadFile(name);
    const PROCESS_MEMORY_COUNTERS after = Memory();
    std::printf("peak memory of a load: committed %.2fx, working set %.2fx the pixel data (target < 1.2)\n",
                (after.PeakPagefileUsage - before.PeakPagefileUsage) / kPixelBytes,
                (after.PeakWorkingSetSize - before.PeakWorkingSetSize) / kPixelBytes);
  }

  std::vector<double> reads, loads;
  for (int i = 0; i < kRounds; ++i) {
    reads.push_back(ReadWholeSeconds(name));
    loads.push_back(LoadSeconds(name));
  }
  std::sort(reads.begin(), reads.end());
  std::sort(loads.begin(), loads.end());
  std::printf("load %.1f ms, one ReadFile %.1f ms (medians of %d): ratio %.2f (target <= 1.5)\n",
              loads[kRounds / 2] * 1000, reads[kRounds / 2] * 1000, kRounds, loads[kRounds / 2] / reads[kRounds / 2]);

  TBitmap bitmap;
  bitmap.LoadFile(name);
  const HWND window = MakeWindow(580, 435);
  WindowDC windowDC(window);
  TCanvas canvas;
  canvas.SetHandle(windowDC.get());
  const RECT target{0, 0, 580, 435};
  std::vector<double> paints;
  for (int i = 0; i < 2 + kRounds * 2; ++i) {
    const double start = Now();
    canvas.StretchDraw(target, &bitmap);
    GdiFlush();
    ReleaseIdleMemoryDCs();  // as after every window message
    if (i >= 2) paints.push_back(Now() - start);
  }
  canvas.SetHandle(nullptr);
  std::sort(paints.begin(), paints.end());
  std::printf("stretched paint to 580x435: %.1f ms median, %.1f ms worst (target < 30)\n",
              paints[paints.size() / 2] * 1000, paints.back() * 1000);

  DestroyWindow(window);
  DeleteFileA(name.c_str());
  return 0;
}
