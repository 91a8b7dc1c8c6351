#include "tests/support/TestForm.h"

bool TestForm::makeTopMost = false;
bool TestForm::failConstruction = false;
TestForm** TestForm::watchedReference = nullptr;

TestForm::TestForm(TComponent* owner) : TComponent(owner) {
  if (watchedReference != nullptr) referenceSetDuringConstruction = *watchedReference == this;
  if (failConstruction) throw EInvalidOperation("construction failed");
}

TestForm::~TestForm() {
  if (handle_ != nullptr) {
    UnbindWindow(handle_);
    DestroyWindow(handle_);
  }
}

HWND TestForm::FormHandle() {
  if (handle_ != nullptr) return handle_;
  static bool registered = false;
  if (!registered) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = "TTestForm";
    RegisterClassA(&windowClass);
    registered = true;
  }
  handle_ = CreateWindowExA(makeTopMost ? WS_EX_TOPMOST : 0, "TTestForm", "test form",
                            WS_POPUP | WS_CAPTION | WS_SYSMENU, 100, 100, 200, 150,
                            Application->Handle(), nullptr, GetModuleHandleA(nullptr), nullptr);
  BindWindow(handle_, *this);
  return handle_;
}

void TestForm::ShowForm() {
  ShowWindow(FormHandle(), SW_SHOWNORMAL);
  Application->UpdateVisible(true);
}

void TestForm::CloseForm() {
  if (Application->MainForm() == this) {
    Application->Terminate();
  } else {
    ShowWindow(FormHandle(), SW_HIDE);
  }
}

LRESULT TestForm::Perform(UINT message, WPARAM, LPARAM) {
  notifications.push_back(message);
  return 0;
}

LRESULT TestForm::WindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    CloseForm();
    return 0;
  }
  if (message >= kCnBase + WM_KEYDOWN && message <= kCnBase + 0x108) {
    notifications.push_back(message);
    return claimKeys ? 1 : 0;
  }
  if (message >= WM_KEYDOWN && message <= 0x108) keyMessages.push_back(message);
  return DefWindowProcA(window, message, wParam, lParam);
}
