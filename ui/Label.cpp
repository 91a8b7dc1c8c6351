#include "ui/Label.h"

#include "text/Utf16.h"
#include "ui/LayoutValue.h"

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner) {
  // The background is part of the label: it covers its whole rectangle.
  SetControlStyle(ControlStyle() | csOpaque);
  SetBounds(0, 0, 65, 17);
}

void TLabel::SetCaption(const std::string& text) {
  if (text == Caption()) return;
  TGraphicControl::SetCaption(text);
  Invalidate();
}

void TLabel::SetWordWrap(bool value) {
  if (wordWrap_ == value) return;
  wordWrap_ = value;
  Invalidate();
}

void TLabel::Paint() {
  TCanvas& canvas = Canvas();
  RECT rect = ClientRect();
  canvas.Brush().SetColor(Color());
  canvas.FillRect(rect);
  canvas.Font().Assign(Font());
  canvas.RequiredState(csHandleValid | csFontValid);
  const HDC dc = canvas.Handle();
  SetBkMode(dc, TRANSPARENT);
  const std::wstring text = Wide(Caption());
  DrawTextW(dc, text.data(), static_cast<int>(text.size()), &rect,
            DT_LEFT | DT_EXPANDTABS | (wordWrap_ ? DT_WORDBREAK : 0));
}

bool TLabel::SetProperty(const std::string& name, const LayoutValue& value) {
  if (name == "WordWrap") {
    SetWordWrap(value.AsBoolean());
    return true;
  }
  return TGraphicControl::SetProperty(name, value);
}
