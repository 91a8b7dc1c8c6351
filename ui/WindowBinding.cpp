#include "ui/WindowBinding.h"

namespace {

// The object whose window CreateBoundWindow is making; the window's first
// message binds the two.
thread_local WindowHandler* g_pendingHandler = nullptr;

// The binding lives in the window's user data; only windows whose procedure is
// the routing one hold a handler there.
WindowHandler* StoredHandler(HWND window) {
  return reinterpret_cast<WindowHandler*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

LRESULT CALLBACK RoutingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  WindowHandler* handler = StoredHandler(window);
  if (handler == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  LRESULT result = 0;
  // No exception may travel into the system's frames.
  try {
    result = handler->WindowMessage(window, message, wParam, lParam);
  } catch (...) {
    handler->WindowMessageFailed();
  }
  // Unless the object already let go of the window while handling its last message.
  if (message == WM_NCDESTROY && StoredHandler(window) == handler) {
    UnbindWindow(window);
    handler->WindowUnbound(window);
  }
  return result;
}

void Attach(HWND window, WindowHandler& handler) {
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&handler));
  handler.WindowBound(window);
  SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RoutingWindowProc));
}

}  // namespace

LRESULT CALLBACK BindingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  WindowHandler* handler = g_pendingHandler;
  if (handler == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  g_pendingHandler = nullptr;
  Attach(window, *handler);
  return RoutingWindowProc(window, message, wParam, lParam);
}

HWND CreateBoundWindow(WindowHandler& handler, DWORD exStyle, const wchar_t* className, const wchar_t* caption,
                       DWORD style, int x, int y, int width, int height, HWND parent) {
  g_pendingHandler = &handler;
  const HWND window = CreateWindowExW(exStyle, className, caption, style, x, y, width, height, parent, nullptr,
                                      GetModuleHandleW(nullptr), nullptr);
  g_pendingHandler = nullptr;
  return window;
}

void BindWindow(HWND window, WindowHandler& handler) { Attach(window, handler); }

void UnbindWindow(HWND window) { SetWindowLongPtrW(window, GWLP_USERDATA, 0); }

WindowHandler* BoundHandler(HWND window) {
  if (window == nullptr) return nullptr;
  // Another copy of the program (or any program) holds an address that means
  // nothing here.
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId()) return nullptr;
  // A window of the thread the binding does not route (a system message box and
  // its buttons, for instance) may keep anything in its user data.
  if (GetWindowLongPtrW(window, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(&RoutingWindowProc)) return nullptr;
  return StoredHandler(window);
}
