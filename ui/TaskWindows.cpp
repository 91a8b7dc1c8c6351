#include "ui/TaskWindows.h"

namespace {

struct DisableRequest {
  HWND keep;
  std::vector<HWND>* disabled;
};

BOOL CALLBACK DisableOne(HWND window, LPARAM parameter) {
  auto* request = reinterpret_cast<DisableRequest*>(parameter);
  if (window != request->keep && IsWindowVisible(window) && IsWindowEnabled(window)) {
    request->disabled->push_back(window);
    EnableWindow(window, FALSE);
  }
  return TRUE;
}

}  // namespace

std::vector<HWND> DisableTaskWindows(HWND keep) {
  std::vector<HWND> disabled;
  DisableRequest request{keep, &disabled};
  EnumThreadWindows(GetCurrentThreadId(), DisableOne, reinterpret_cast<LPARAM>(&request));
  return disabled;
}

void EnableTaskWindows(const std::vector<HWND>& windows) {
  for (HWND window : windows) {
    if (IsWindow(window)) EnableWindow(window, TRUE);
  }
}

void FocusState::Restore() const {
  if (active_ != nullptr && IsWindow(active_)) SetActiveWindow(active_);
  if (focus_ != nullptr && IsWindow(focus_)) SetFocus(focus_);
}
