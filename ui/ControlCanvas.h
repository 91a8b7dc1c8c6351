#pragma once
// The canvas of a control, and the device contexts that such canvases hold.

#include <windows.h>

#include "gdi/Canvas.h"

// What a control canvas draws on: a control gives a device context of its drawing
// area, which it raises instead of giving without one.
class CanvasTarget {
public:
  virtual WindowDC GetDeviceContext() = 0;

protected:
  ~CanvasTarget() = default;
};

// A canvas on a control, which obtains the control's device context on first need
// and gives it back when released. At most four are held at once.
class TControlCanvas : public TCanvas {
public:
  TControlCanvas() = default;
  ~TControlCanvas() override;

  CanvasTarget* Control() const { return control_; }
  // Releases the device context of the previous control.
  void SetControl(CanvasTarget* control);
  // Detaches and releases the obtained device context, if any.
  void FreeHandle();

protected:
  void CreateHandle() override;

private:
  CanvasTarget* control_ = nullptr;
  WindowDC deviceContext_;
};

// Releases the device context of every control canvas not locked, the most
// recently obtained first; run after each message of a windowed control.
void ReleaseAllDeviceContexts();

// A canvas locked and lent a paint device context for one scope: the release of
// device contexts after a message then leaves it alone.
class CanvasPaintScope {
public:
  CanvasPaintScope(TCanvas& canvas, HDC dc) : canvas_(canvas) {
    canvas_.Lock();
    canvas_.SetHandle(dc);
  }
  ~CanvasPaintScope() {
    canvas_.SetHandle(nullptr);
    canvas_.Unlock();
  }
  CanvasPaintScope(const CanvasPaintScope&) = delete;
  CanvasPaintScope& operator=(const CanvasPaintScope&) = delete;

private:
  TCanvas& canvas_;
};
