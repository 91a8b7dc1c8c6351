#pragma once
// The screen object: the primary display's size and resolution, and the list of
// the program's top-level windows.

#include <windows.h>

#include <vector>

#include "gdi/ScreenMetrics.h"

class TCustomForm;

class TScreen {
public:
  // Keeps the resolution and colour depth for as long as the screen object lives.
  TScreen();
  ~TScreen();
  TScreen(const TScreen&) = delete;
  TScreen& operator=(const TScreen&) = delete;

  // Read from the system on every call: the display may change while we run.
  int Width() const { return GetSystemMetrics(SM_CXSCREEN); }
  int Height() const { return GetSystemMetrics(SM_CYSCREEN); }
  // Read once, when the screen object is made.
  int PixelsPerInch() const { return ScreenPixelsPerInch(); }
  // Bits per pixel of the display. Asking the system needs the screen's device
  // context, which is slow enough to show in every new bitmap, so the depth is
  // kept and read again only when the display mode changes.
  int ColorDepth() const { return ScreenColorDepth(); }
  void DisplayChanged() { RefreshScreenColorDepth(); }

  const std::vector<TCustomForm*>& Forms() const { return forms_; }
  void AddForm(TCustomForm* form);
  void RemoveForm(TCustomForm* form);
  TCustomForm* ActiveForm() const { return activeForm_; }
  void SetActiveForm(TCustomForm* form) { activeForm_ = form; }

  // Tests emulate another resolution; the program never changes it.
  void SetPixelsPerInchForTesting(int pixelsPerInch) { SetScreenPixelsPerInchForTesting(pixelsPerInch); }
  void SetColorDepthForTesting(int bitsPerPixel) { SetScreenColorDepthForTesting(bitsPerPixel); }

private:
  std::vector<TCustomForm*> forms_;
  TCustomForm* activeForm_ = nullptr;
};

// The process-wide screen object, made at start-up before the application object.
extern TScreen* Screen;
