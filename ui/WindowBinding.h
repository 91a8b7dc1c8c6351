#pragma once
// The one way a system window is tied to the object that handles its messages.
// The object is bound to the window when the window is made, every message of
// the window is routed to it through one procedure, which catches at the
// system's edge, and the binding goes with the window's last message. The same
// binding tells the program's own windows from any other.

#include <windows.h>

// The object behind a window.
class WindowHandler {
public:
  // Every message of the bound window.
  virtual LRESULT WindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
  // Called inside a catch block when WindowMessage raised: reports the failure.
  // The system then gets 0.
  virtual void WindowMessageFailed() noexcept = 0;
  // The window is bound to this object, before the object hears its first message.
  virtual void WindowBound(HWND) noexcept {}
  // The window has handled its last message (WM_NCDESTROY) and is unbound.
  virtual void WindowUnbound(HWND) noexcept {}

protected:
  ~WindowHandler() = default;
};

// The class procedure for windows made with CreateBoundWindow: it binds the
// window to its object at the window's first message and routes from then on.
LRESULT CALLBACK BindingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

// Makes a window of a class registered with BindingWindowProc, bound to the
// handler from its first message on. Null on failure, with the last error set.
// Windows are only made on the GUI thread.
HWND CreateBoundWindow(WindowHandler& handler, DWORD exStyle, const wchar_t* className, const wchar_t* caption,
                       DWORD style, int x, int y, int width, int height, HWND parent);

// Binds a window already made, of a class with the system's default procedure:
// its procedure is replaced by the routing one.
void BindWindow(HWND window, WindowHandler& handler);

// Takes the binding away before the window goes; its later messages get the
// default handling.
void UnbindWindow(HWND window);

// The object bound to the window, or null. A window of another process never
// has one here: the address it holds means nothing in this process.
WindowHandler* BoundHandler(HWND window);
