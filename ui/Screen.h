#pragma once
// The screen object: the primary display's size and resolution, and the list of
// the program's top-level windows.

#include <windows.h>

#include <vector>

class TCustomForm;

class TScreen {
public:
  TScreen();

  // Read from the system on every call: the display may change while we run.
  int Width() const { return GetSystemMetrics(SM_CXSCREEN); }
  int Height() const { return GetSystemMetrics(SM_CYSCREEN); }
  // Read once, when the screen object is made.
  int PixelsPerInch() const { return pixelsPerInch_; }
  // Bits per pixel of the display. Asking the system needs the screen's device
  // context, which is slow enough to show in every new bitmap, so the depth is
  // kept and read again only when the display mode changes.
  int ColorDepth() const { return colorDepth_; }
  void DisplayChanged();

  const std::vector<TCustomForm*>& Forms() const { return forms_; }
  void AddForm(TCustomForm* form);
  void RemoveForm(TCustomForm* form);
  TCustomForm* ActiveForm() const { return activeForm_; }
  void SetActiveForm(TCustomForm* form) { activeForm_ = form; }

  // Tests emulate another resolution; the program never changes it.
  void SetPixelsPerInchForTesting(int pixelsPerInch) { pixelsPerInch_ = pixelsPerInch; }
  void SetColorDepthForTesting(int bitsPerPixel) { colorDepth_ = bitsPerPixel; }

private:
  int pixelsPerInch_ = 96;
  int colorDepth_ = 32;
  std::vector<TCustomForm*> forms_;
  TCustomForm* activeForm_ = nullptr;
};

// The process-wide screen object, made at start-up before the application object.
extern TScreen* Screen;

// The display's bits per pixel, from the screen object when there is one.
int ScreenColorDepth();
