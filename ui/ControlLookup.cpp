#include "ui/ControlLookup.h"

namespace {
// A window property is readable from any code that holds the window handle and
// goes away with the window.
constexpr char kControlProperty[] = "Mirokate.Control";
}  // namespace

void BindControlWindow(HWND window, WindowLayerControl* control) {
  SetPropA(window, kControlProperty, static_cast<HANDLE>(control));
}

void UnbindControlWindow(HWND window) { RemovePropA(window, kControlProperty); }

WindowLayerControl* FindControl(HWND window) {
  if (window == nullptr) return nullptr;
  // Properties can be read across processes: another copy of the program (or any
  // program using the same name) holds an address that means nothing here.
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId()) return nullptr;
  return static_cast<WindowLayerControl*>(GetPropA(window, kControlProperty));
}

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
