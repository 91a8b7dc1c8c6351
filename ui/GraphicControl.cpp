#include "ui/GraphicControl.h"

TGraphicControl::TGraphicControl(TComponent* owner) : TControl(owner) { canvas_.SetControl(this); }

TGraphicControl::~TGraphicControl() { canvas_.FreeHandle(); }

void TGraphicControl::WndProc(TMessage& message) {
  if (message.Msg != WM_PAINT) {
    TControl::WndProc(message);
    return;
  }
  // The parent passes the device context; a paint message without one is not ours.
  if (message.WParam == 0) return;
  CanvasPaintScope painting(canvas_, reinterpret_cast<HDC>(message.WParam));
  Paint();
}
