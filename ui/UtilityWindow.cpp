#include "ui/UtilityWindow.h"

#include "resources/StringIds.h"
#include "text/Exceptions.h"

namespace {

constexpr wchar_t kClassName[] = L"TPUtilWindow";

// The class must have the default procedure: every window of it starts with that
// procedure until it is bound to its owner. A class left behind with another
// procedure is registered again.
void RegisterUtilityClass(HINSTANCE instance) {
  WNDCLASSW existing;
  const bool registered = GetClassInfoW(instance, kClassName, &existing) != FALSE;
  if (registered && existing.lpfnWndProc == DefWindowProcW) return;
  if (registered) UnregisterClassW(kClassName, instance);
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kClassName;
  if (RegisterClassW(&windowClass) == 0) throw EOutOfResources(ResText(IDS_WINDOW_CLASS_ERROR));
}

}  // namespace

UtilityWindow::UtilityWindow(Handler handler) : handler_(std::move(handler)) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  RegisterUtilityClass(instance);
  window_.reset(CreateWindowExW(WS_EX_TOOLWINDOW, kClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                instance, nullptr));
  if (!window_) throw EOutOfResources(ResText(IDS_OUT_OF_RESOURCES));
  BindWindow(window_.get(), *this);
}

UtilityWindow::~UtilityWindow() {
  if (window_) UnbindWindow(window_.get());
  window_.reset();
}

LRESULT UtilityWindow::DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam) const {
  return DefWindowProcW(window_.get(), message, wParam, lParam);
}

LRESULT UtilityWindow::WindowMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  // The handler may destroy this object, so nothing of it is touched afterwards.
  return handler_(message, wParam, lParam);
}
