#include "ui/Control.h"

#include "resources/StringIds.h"
#include "text/Exceptions.h"
#include "ui/Application.h"
#include "ui/LayoutValue.h"
#include "ui/WinControl.h"

int ScaleValue(int a, int b, int c) { return MulDiv(a, b, c); }

TControl::TControl(TComponent* owner) : TComponent(owner) {
  font_.OnChange = [this] { FontChanged(); };
}

TControl::~TControl() {
  if (Application != nullptr) Application->ForgetControl(this);
  if (parent_ != nullptr) parent_->RemoveControl(this);
}

void TControl::SetLeft(int value) {
  SetBounds(value, top_, width_, height_);
  AddScalingFlags(sfLeft);
}

void TControl::SetTop(int value) {
  SetBounds(left_, value, width_, height_);
  AddScalingFlags(sfTop);
}

void TControl::SetWidth(int value) {
  SetBounds(left_, top_, value, height_);
  AddScalingFlags(sfWidth);
}

void TControl::SetHeight(int value) {
  SetBounds(left_, top_, width_, value);
  AddScalingFlags(sfHeight);
}

void TControl::StoreBounds(int left, int top, int width, int height) {
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
}

bool TControl::CanResize(int&, int&) { return true; }

namespace {

// A visible opaque sibling earlier in the painting order that covers the whole
// rectangle hides the background anyway.
bool BackgroundCovered(const TControl& control) {
  const TWinControl* parent = control.Parent();
  const RECT rect = control.BoundsRect();
  for (const TControl* sibling : parent->Controls()) {
    if (sibling == &control) break;
    if (!sibling->Visible() || (sibling->ControlStyle() & TControl::csOpaque) == 0) continue;
    const RECT cover = sibling->BoundsRect();
    if (cover.left <= rect.left && cover.top <= rect.top && cover.right >= rect.right &&
        cover.bottom >= rect.bottom) {
      return true;
    }
  }
  return false;
}

void InvalidateOnParent(const TControl& control, bool opaque) {
  TWinControl* parent = control.Parent();
  if (!control.Visible() || parent == nullptr || !parent->HandleAllocated()) return;
  const RECT rect = control.BoundsRect();
  const bool parentOpaque = (parent->ControlStyle() & TControl::csOpaque) != 0;
  InvalidateRect(parent->Handle(), &rect, !(opaque || parentOpaque || BackgroundCovered(control)));
}

BYTE CharsetOf(const LayoutValue& value) {
  if (value.kind == LayoutValue::Kind::Integer) return static_cast<BYTE>(value.AsInteger());
  static const struct {
    const char* name;
    BYTE charset;
  } kCharsets[] = {{"ANSI_CHARSET", ANSI_CHARSET}, {"DEFAULT_CHARSET", DEFAULT_CHARSET},
                   {"SYMBOL_CHARSET", SYMBOL_CHARSET}, {"SHIFTJIS_CHARSET", SHIFTJIS_CHARSET},
                   {"OEM_CHARSET", OEM_CHARSET}};
  for (const auto& entry : kCharsets) {
    if (value.AsName() == entry.name) return entry.charset;
  }
  throw EReadError(ResText(IDS_INVALID_PROPERTY_VALUE));
}

}  // namespace

void TControl::SetBounds(int left, int top, int width, int height) {
  if (!CanResize(width, height)) return;
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  InvalidateOnParent(*this, false);
  StoreBounds(left, top, width, height);
  Invalidate();
  Perform(WM_WINDOWPOSCHANGED, 0, 0);
  if (!Reading()) Fire(OnResize, this);
}

RECT TControl::ClientRect() { return RECT{0, 0, width_, height_}; }

// The frame around the client area is taken from the live window, never
// computed from system metrics.
void TControl::SetClientWidth(int value) {
  const RECT client = ClientRect();
  SetBounds(left_, top_, width_ - client.right + value, height_);
}

void TControl::SetClientHeight(int value) {
  const RECT client = ClientRect();
  SetBounds(left_, top_, width_, height_ - client.bottom + value);
}

void TControl::SetVisible(bool value) {
  if (visible_ == value) return;
  // The rectangle is invalidated while the control still counts as visible.
  if (!value) InvalidateOnParent(*this, false);
  visible_ = value;
  Perform(kCmVisibleChanged, value, 0);
  if (value) Invalidate();
}

void TControl::SetEnabled(bool value) {
  if (enabled_ == value) return;
  enabled_ = value;
  Invalidate();
}

void TControl::SetColor(TColor value) {
  parentColor_ = false;
  if (color_ == value) return;
  color_ = value;
  ColorChanged();
  Invalidate();
}

void TControl::SetParentFont(bool value) {
  parentFont_ = value;
  if (value && parent_ != nullptr) Perform(kCmParentFontChanged, 0, 0);
}

void TControl::SetParentColor(bool value) {
  parentColor_ = value;
  if (value && parent_ != nullptr) Perform(kCmParentColorChanged, 0, 0);
}

void TControl::SetAutoSize(bool value) {
  if (autoSize_ == value) return;
  autoSize_ = value;
  // Switching on re-applies the bounds, and so the content's size; a layout
  // being read keeps the size it set.
  if (value && !Reading()) SetBounds(left_, top_, width_, height_);
}

void TControl::SetParent(TWinControl* parent) {
  if (parent_ == parent) return;
  if (parent_ != nullptr) parent_->RemoveControl(this);
  parent_ = parent;
  if (parent == nullptr) return;
  parent->InsertControl(this);
  if (parentFont_) Perform(kCmParentFontChanged, 0, 0);
  if (parentColor_) Perform(kCmParentColorChanged, 0, 0);
}

void TControl::FontChanged() {
  if (font_.Height() != fontHeightSeen_) {
    AddScalingFlags(sfFont);
    fontHeightSeen_ = font_.Height();
  }
  if (!applyingParentFont_) parentFont_ = false;
  Invalidate();
}

void TControl::ChangeScale(int multiplier, int divisor) {
  if (multiplier != divisor) {
    const unsigned flags = Reading() ? scalingFlags_ : ~0u;
    const int left = (flags & sfLeft) ? ScaleValue(left_, multiplier, divisor) : left_;
    const int top = (flags & sfTop) ? ScaleValue(top_, multiplier, divisor) : top_;
    int width = width_;
    if ((flags & sfWidth) && !(controlStyle_ & csFixedWidth)) {
      width = (flags & sfLeft) ? ScaleValue(left_ + width_, multiplier, divisor) - left
                               : ScaleValue(width_, multiplier, divisor);
    }
    int height = height_;
    if ((flags & sfHeight) && !(controlStyle_ & csFixedHeight)) {
      height = ScaleValue(top_ + height_, multiplier, divisor) - top;
    }
    SetBounds(left, top, width, height);
    if (!parentFont_ && (flags & sfFont)) font_.SetHeight(ScaleValue(font_.Height(), multiplier, divisor));
  }
  scalingFlags_ = 0;
}

void TControl::Invalidate() { InvalidateOnParent(*this, (controlStyle_ & csOpaque) != 0); }

LRESULT TControl::Perform(UINT message, WPARAM wParam, LPARAM lParam) {
  TMessage m{message, wParam, lParam, 0};
  WndProc(m);
  return m.Result;
}

void TControl::WndProc(TMessage& message) {
  switch (message.Msg) {
    case kCmParentFontChanged:
      if (parentFont_ && parent_ != nullptr) {
        applyingParentFont_ = true;
        font_.Assign(parent_->Font());
        applyingParentFont_ = false;
      }
      return;
    case kCmParentColorChanged:
      if (parentColor_ && parent_ != nullptr) {
        color_ = parent_->Color();
        ColorChanged();
        Invalidate();
      }
      return;
    default:
      DefaultHandler(message);
  }
}

WindowDC TControl::GetDeviceContext() {
  if (parent_ == nullptr) throw EInvalidOperation(ResFormat(IDS_NO_PARENT_WINDOW, {Name()}));
  WindowDC dc = parent_->GetDeviceContext();
  // (0, 0) becomes the control's corner, and nothing outside it is drawn.
  SetViewportOrgEx(dc.get(), left_, top_, nullptr);
  IntersectClipRect(dc.get(), 0, 0, width_, height_);
  return dc;
}

bool TControl::SetProperty(const std::string& name, const LayoutValue& value) {
  if (name == "Left") {
    SetLeft(value.AsInteger());
  } else if (name == "Top") {
    SetTop(value.AsInteger());
  } else if (name == "Width") {
    SetWidth(value.AsInteger());
  } else if (name == "Height") {
    SetHeight(value.AsInteger());
  } else if (name == "ClientWidth") {
    SetClientWidth(value.AsInteger());
  } else if (name == "ClientHeight") {
    SetClientHeight(value.AsInteger());
  } else if (name == "Visible") {
    SetVisible(value.AsBoolean());
  } else if (name == "Enabled") {
    SetEnabled(value.AsBoolean());
  } else if (name == "Color") {
    SetColor(value.AsColor());
  } else if (name == "ParentColor") {
    SetParentColor(value.AsBoolean());
  } else if (name == "ParentFont") {
    SetParentFont(value.AsBoolean());
  } else if (name == "AutoSize") {
    SetAutoSize(value.AsBoolean());
  } else if (name == "Caption") {
    SetCaption(value.AsText());
  } else if (name == "Anchors") {
    value.AsSet();  // kept by layouts; no control here is anchored to a resizing parent
  } else if (name == "Font.Name") {
    font_.SetName(value.AsText());
  } else if (name == "Font.Height") {
    font_.SetHeight(value.AsInteger());
  } else if (name == "Font.Charset") {
    font_.SetCharset(CharsetOf(value));
  } else if (name == "Font.Color") {
    font_.SetColor(value.AsColor());
  } else if (name == "Font.Style") {
    TFontStyles styles;
    for (const std::string& item : value.AsSet()) {
      LayoutValue style;
      style.kind = LayoutValue::Kind::Name;
      style.text = item;
      styles.Include(static_cast<TFontStyle>(EnumValue(style, {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"})));
    }
    font_.SetStyle(styles);
  } else {
    return TComponent::SetProperty(name, value);
  }
  return true;
}

bool TControl::SetEvent(const std::string& name, TNotifyEvent handler) {
  if (name == "OnClick") {
    OnClick = std::move(handler);
  } else if (name == "OnResize") {
    OnResize = std::move(handler);
  } else {
    return TComponent::SetEvent(name, std::move(handler));
  }
  return true;
}
