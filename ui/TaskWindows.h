#pragma once
// Disabling the thread's top-level windows while a modal box is open, and
// enabling them again afterwards.

#include <windows.h>

#include <vector>

// Disables every visible and enabled top-level window of the thread except
// `keep`, and returns them.
std::vector<HWND> DisableTaskWindows(HWND keep = nullptr);
// Enables the windows of the list that still exist.
void EnableTaskWindows(const std::vector<HWND>& windows);

// The window with the focus and the active window, put back after a modal box.
class FocusState {
public:
  FocusState() : active_(GetActiveWindow()), focus_(GetFocus()) {}
  void Restore() const;
  HWND Active() const { return active_; }

private:
  HWND active_;
  HWND focus_;
};
