#include "gdi/ScreenMetrics.h"

#include <windows.h>

namespace {

struct KeptMetrics {
  bool kept = false;
  int pixelsPerInch = 96;
  int colorDepth = 32;
};
KeptMetrics kept;

int QueryPixelsPerInch(HDC screen) { return GetDeviceCaps(screen, LOGPIXELSY); }
int QueryColorDepth(HDC screen) { return GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES); }

template <class Query>
int AskScreen(Query query) {
  const HDC screen = GetDC(nullptr);
  const int value = query(screen);
  ReleaseDC(nullptr, screen);
  return value;
}

}  // namespace

int ScreenPixelsPerInch() { return kept.kept ? kept.pixelsPerInch : AskScreen(QueryPixelsPerInch); }

int ScreenColorDepth() { return kept.kept ? kept.colorDepth : AskScreen(QueryColorDepth); }

void KeepScreenMetrics() {
  const HDC screen = GetDC(nullptr);
  kept.pixelsPerInch = QueryPixelsPerInch(screen);
  kept.colorDepth = QueryColorDepth(screen);
  ReleaseDC(nullptr, screen);
  kept.kept = true;
}

void RefreshScreenColorDepth() {
  if (kept.kept) kept.colorDepth = AskScreen(QueryColorDepth);
}

void ForgetScreenMetrics() { kept.kept = false; }

void SetScreenPixelsPerInchForTesting(int pixelsPerInch) { kept.pixelsPerInch = pixelsPerInch; }
void SetScreenColorDepthForTesting(int bitsPerPixel) { kept.colorDepth = bitsPerPixel; }
