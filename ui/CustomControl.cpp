#include "ui/CustomControl.h"

#include "text/Utf16.h"
#include "ui/Application.h"
#include "ui/Form.h"

TCustomControl::TCustomControl(TComponent* owner) : TWinControl(owner) { canvas_.SetControl(this); }

TCustomControl::~TCustomControl() { canvas_.FreeHandle(); }

void TCustomControl::PaintWindow(HDC dc) {
  CanvasPaintScope painting(canvas_, dc);
  Paint();
}

TCustomPanel::TCustomPanel(TComponent* owner) : TCustomControl(owner) {
  SetControlStyle(csAcceptsControls | csOpaque);
  SetBounds(0, 0, 185, 41);
  SetColor(clBtnFace);
  SetParentColor(false);
}

void TCustomPanel::Paint() {
  Canvas().Brush().SetColor(Color());
  Canvas().FillRect(ClientRect());
}

TButton::TButton(TComponent* owner) : TButtonControl(owner) {
  SetBounds(0, 0, 75, 25);
  SetTabStop(true);
}

void TButton::Click() {
  if (TCustomForm* form = ParentFormOf(this)) form->SetModalResult(modalResult_);
  Fire(OnClick, this);
}

void TButton::SetDefault(bool value) {
  if (default_ == value) return;
  default_ = value;
  TCustomForm* form = ParentFormOf(this);
  UpdateDefaultRole(form != nullptr ? form->ActiveControl() : nullptr);
}

void TButton::UpdateDefaultRole(TWinControl* focused) {
  const bool role = focused == this || (default_ && dynamic_cast<TButton*>(focused) == nullptr);
  if (role == defaultRole_) return;
  defaultRole_ = role;
  if (HandleAllocated()) SendMessageW(Handle(), BM_SETSTYLE, role ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::CreateParams(TCreateParams& params) {
  TButtonControl::CreateParams(params);
  params.baseClass = L"BUTTON";
  params.style |= (defaultRole_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | WS_TABSTOP;
}

void TButton::WndProc(TMessage& message) {
  switch (message.Msg) {
    case kCnBase + WM_COMMAND:
      // The system button reports a press to its parent; the parent reflects it back.
      if (HIWORD(message.WParam) == BN_CLICKED) {
        Click();
        return;
      }
      break;
    case kCmDialogKey:
      if (message.LParam == 0 && CanFocus() &&
          ((message.WParam == VK_RETURN && defaultRole_) || (message.WParam == VK_ESCAPE && cancel_))) {
        Click();
        message.Result = 1;
      }
      return;
    case kCmDialogChar:
      if (CanFocus() && IsAccelerator(static_cast<wchar_t>(message.WParam), Caption())) {
        Focus();
        Click();
        message.Result = 1;
      }
      return;
    case kCmFocusChanged:
      UpdateDefaultRole(reinterpret_cast<TWinControl*>(message.LParam));
      return;
    default:
      break;
  }
  TButtonControl::WndProc(message);
}

bool IsAccelerator(wchar_t character, const std::string& caption) {
  const auto upper = [](wchar_t c) { return c >= L'a' && c <= L'z' ? c - L'a' + L'A' : c; };
  const std::wstring wide = Wide(caption);
  for (size_t i = 0; i + 1 < wide.size(); ++i) {
    if (wide[i] != L'&') continue;
    ++i;
    if (wide[i] == L'&') continue;
    return upper(wide[i]) == upper(character);
  }
  return false;
}
