#include "ui/CustomControl.h"

#include "ui/Application.h"

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
}

void TButton::CreateParams(TCreateParams& params) {
  TButtonControl::CreateParams(params);
  params.baseClass = "BUTTON";
  params.style |= BS_PUSHBUTTON | WS_TABSTOP;
}

void TButton::WndProc(TMessage& message) {
  // The system button reports a press to its parent; the parent reflects it back.
  if (message.Msg == kCnBase + WM_COMMAND && HIWORD(message.WParam) == BN_CLICKED) {
    Click();
    return;
  }
  TButtonControl::WndProc(message);
}
