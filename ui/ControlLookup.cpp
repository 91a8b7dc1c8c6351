#include "ui/ControlLookup.h"

#include "ui/WindowBinding.h"

WindowLayerControl* FindControl(HWND window) { return dynamic_cast<WindowLayerControl*>(BoundHandler(window)); }

WindowLayerControl* FindControlAtPoint(POINT screenPoint) {
  HWND window = WindowFromPoint(screenPoint);
  // WindowFromPoint passes over disabled windows; descend to them by hand.
  while (window != nullptr) {
    POINT client = screenPoint;
    ScreenToClient(window, &client);
    HWND child = ChildWindowFromPointEx(window, client, CWP_SKIPINVISIBLE);
    if (child == nullptr || child == window) break;
    window = child;
  }
  WindowLayerControl* control = FindControl(window);
  return control != nullptr ? control->ControlAtScreenPoint(screenPoint) : nullptr;
}
