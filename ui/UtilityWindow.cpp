#include "ui/UtilityWindow.h"

#include "resources/StringIds.h"
#include "text/Exceptions.h"

namespace {

constexpr char kClassName[] = "TPUtilWindow";

// The class must have the default procedure: every window of it starts with that
// procedure until its owner replaces it. A class left behind with another
// procedure is registered again.
void RegisterUtilityClass(HINSTANCE instance) {
  WNDCLASSA existing;
  const bool registered = GetClassInfoA(instance, kClassName, &existing) != FALSE;
  if (registered && existing.lpfnWndProc == DefWindowProcA) return;
  if (registered) UnregisterClassA(kClassName, instance);
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kClassName;
  if (RegisterClassA(&windowClass) == 0) throw EOutOfResources(ResText(IDS_WINDOW_CLASS_ERROR));
}

}  // namespace

UtilityWindow::UtilityWindow(Handler handler) : handler_(std::move(handler)) {
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  RegisterUtilityClass(instance);
  window_.reset(CreateWindowExA(WS_EX_TOOLWINDOW, kClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                instance, nullptr));
  if (!window_) throw EOutOfResources(ResText(IDS_OUT_OF_RESOURCES));
  SetWindowLongPtrA(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrA(window_.get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Route));
}

UtilityWindow::~UtilityWindow() {
  if (window_) SetWindowLongPtrA(window_.get(), GWLP_USERDATA, 0);
  window_.reset();
}

LRESULT UtilityWindow::DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam) const {
  return DefWindowProcA(window_.get(), message, wParam, lParam);
}

LRESULT CALLBACK UtilityWindow::Route(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  auto* self = reinterpret_cast<UtilityWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  // The handler may destroy this object, so nothing of it is touched afterwards.
  return self->handler_(message, wParam, lParam);
}
