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

// The window layer binds each window it creates to its control, and unbinds it
// before the window is destroyed.
void BindControlWindow(HWND window, WindowLayerControl* control);
void UnbindControlWindow(HWND window);
// The control bound to the window, or null.
WindowLayerControl* FindControl(HWND window);
// The control under the screen point; disabled windows count.
WindowLayerControl* FindControlAtPoint(POINT screenPoint);
