#include "gdi/ScreenMetrics.h"

#include <windows.h>

#include "gdi/Handles.h"

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
  const WindowDC screen(nullptr);
  return query(screen.get());
}

}  // namespace

int ScreenPixelsPerInch() { return kept.kept ? kept.pixelsPerInch : AskScreen(QueryPixelsPerInch); }

int ScreenColorDepth() { return kept.kept ? kept.colorDepth : AskScreen(QueryColorDepth); }

void KeepScreenMetrics() {
  const WindowDC screen(nullptr);
  kept.pixelsPerInch = QueryPixelsPerInch(screen.get());
  kept.colorDepth = QueryColorDepth(screen.get());
  kept.kept = true;
}

void RefreshScreenColorDepth() {
  if (kept.kept) kept.colorDepth = AskScreen(QueryColorDepth);
}

void ForgetScreenMetrics() { kept.kept = false; }

void SetScreenPixelsPerInchForTesting(int pixelsPerInch) { kept.pixelsPerInch = pixelsPerInch; }
void SetScreenColorDepthForTesting(int bitsPerPixel) { kept.colorDepth = bitsPerPixel; }
