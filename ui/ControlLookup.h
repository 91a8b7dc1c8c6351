#pragma once
// Telling the window layer's own windows from any other window of the thread
// (a system message box and its buttons, for instance), and finding the control
// object behind a window.

#include <windows.h>

// What the application object needs of a control of the window layer.
class WindowLayerControl {
public:
  // Delivers a message to the control object directly, as SendMessage would.
  virtual LRESULT Perform(UINT message, WPARAM wParam, LPARAM lParam) = 0;
  // The control itself or the non-windowed child of it under the screen point.
  virtual WindowLayerControl* ControlAtScreenPoint(POINT) { return this; }

protected:
  ~WindowLayerControl() = default;
};

// The control bound to the window (see WindowBinding.h), or null: also for a
// window of another process and for a bound window that is not a control.
WindowLayerControl* FindControl(HWND window);
// The control under the screen point; disabled windows count.
WindowLayerControl* FindControlAtPoint(POINT screenPoint);
