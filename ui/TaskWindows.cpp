#include "ui/TaskWindows.h"

#include <exception>

namespace {

struct DisableRequest {
  HWND keep;
  std::vector<HWND>* disabled;
  // A failure to record a window; it may not travel through the system's frames.
  std::exception_ptr failure;
};

BOOL CALLBACK DisableOne(HWND window, LPARAM parameter) noexcept {
  auto* request = reinterpret_cast<DisableRequest*>(parameter);
  if (window != request->keep && IsWindowVisible(window) && IsWindowEnabled(window)) {
    try {
      request->disabled->push_back(window);
    } catch (...) {
      request->failure = std::current_exception();
      return FALSE;
    }
    EnableWindow(window, FALSE);
  }
  return TRUE;
}

}  // namespace

std::vector<HWND> DisableTaskWindows(HWND keep) {
  std::vector<HWND> disabled;
  DisableRequest request{keep, &disabled, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), DisableOne, reinterpret_cast<LPARAM>(&request));
  if (request.failure) {
    // Nobody would enable the windows disabled so far.
    EnableTaskWindows(disabled);
    std::rethrow_exception(request.failure);
  }
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
