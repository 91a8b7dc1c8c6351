#include "ui/Screen.h"

#include <algorithm>

TScreen* Screen = nullptr;

namespace {

int QueryColorDepth(HDC screen) { return GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES); }

}  // namespace

TScreen::TScreen() {
  const HDC screen = GetDC(nullptr);
  pixelsPerInch_ = GetDeviceCaps(screen, LOGPIXELSY);
  colorDepth_ = QueryColorDepth(screen);
  ReleaseDC(nullptr, screen);
}

void TScreen::DisplayChanged() {
  const HDC screen = GetDC(nullptr);
  colorDepth_ = QueryColorDepth(screen);
  ReleaseDC(nullptr, screen);
}

int ScreenColorDepth() {
  if (Screen != nullptr) return Screen->ColorDepth();
  const HDC screen = GetDC(nullptr);
  const int depth = QueryColorDepth(screen);
  ReleaseDC(nullptr, screen);
  return depth;
}

void TScreen::AddForm(TCustomForm* form) { forms_.push_back(form); }

void TScreen::RemoveForm(TCustomForm* form) {
  forms_.erase(std::remove(forms_.begin(), forms_.end(), form), forms_.end());
  if (activeForm_ == form) activeForm_ = nullptr;
}
