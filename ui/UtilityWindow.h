#pragma once
// A hidden window of the shared class "TPUtilWindow" that hands each of its
// messages to a handler. Components that need messages of their own, such as
// the timer, use one so that what they wait for arrives through the thread's
// ordinary message loop.

#include <windows.h>

#include <functional>

#include "gdi/Handles.h"
#include "ui/WindowBinding.h"

class UtilityWindow : private WindowHandler {
public:
  // Receives every message of the window. It must not throw: the call comes
  // from the system's frames.
  using Handler = std::function<LRESULT(UINT message, WPARAM wParam, LPARAM lParam)>;

  // Creates the window, registering its class first when needed.
  explicit UtilityWindow(Handler handler);
  // Destroys the window; messages sent during the destruction get the default handling.
  ~UtilityWindow();
  UtilityWindow(const UtilityWindow&) = delete;
  UtilityWindow& operator=(const UtilityWindow&) = delete;

  HWND Handle() const { return window_.get(); }
  LRESULT DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam) const;

private:
  // noexcept: a handler that breaks its promise ends the process here instead of
  // unwinding through the system's frames. The handler may destroy this object.
  LRESULT WindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept override;
  // Never called: WindowMessage raises nothing.
  void WindowMessageFailed() noexcept override {}

  Handler handler_;
  UniqueWindow window_;
};
