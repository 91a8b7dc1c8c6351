#pragma once
// TControl: anything with a rectangle, a parent, a colour, a font and a
// visibility. Windowed controls (TWinControl) and painted-by-parent controls
// (TGraphicControl) build on it.

#include <windows.h>

#include <string>

#include "gdi/Color.h"
#include "gdi/Font.h"
#include "ui/Component.h"
#include "ui/ControlCanvas.h"
#include "ui/ControlLookup.h"
#include "ui/Events.h"
#include "ui/Messages.h"

class TWinControl;

// A message as the window layer passes it around; Result is what the sender gets.
struct TMessage {
  UINT Msg;
  WPARAM WParam;
  LPARAM LParam;
  LRESULT Result;
};

// MulDiv of the platform: a * b / c in 64 bits, rounded half away from zero.
int ScaleValue(int a, int b, int c);

class TControl : public TComponent, public WindowLayerControl, public CanvasTarget {
public:
  enum StyleFlag : unsigned { csAcceptsControls = 1, csOpaque = 2, csFixedWidth = 4, csFixedHeight = 8 };
  enum ScalingFlag : unsigned { sfLeft = 1, sfTop = 2, sfWidth = 4, sfHeight = 8, sfFont = 16, sfDesignSize = 32 };

  explicit TControl(TComponent* owner);
  ~TControl() override;

  // Position and size; every setter applies at once (see SetBounds).
  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int value);
  void SetTop(int value);
  void SetWidth(int value);
  void SetHeight(int value);
  virtual void SetBounds(int left, int top, int width, int height);
  RECT BoundsRect() const { return RECT{left_, top_, left_ + width_, top_ + height_}; }

  // The client area: (0, 0, Width, Height) unless a window says otherwise.
  virtual RECT ClientRect();
  int ClientWidth() { return ClientRect().right; }
  int ClientHeight() { return ClientRect().bottom; }
  virtual void SetClientWidth(int value);
  virtual void SetClientHeight(int value);

  bool Visible() const { return visible_; }
  virtual void SetVisible(bool value);
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool value);
  TColor Color() const { return color_; }
  void SetColor(TColor value);
  TFont& Font() { return font_; }
  bool ParentFont() const { return parentFont_; }
  void SetParentFont(bool value);
  bool ParentColor() const { return parentColor_; }
  void SetParentColor(bool value);
  bool AutoSize() const { return autoSize_; }
  virtual void SetAutoSize(bool value);
  // A windowed control keeps its text in its window once that exists.
  virtual std::string Caption() const { return caption_; }
  virtual void SetCaption(const std::string& text) { caption_ = text; }

  TWinControl* Parent() const { return parent_; }
  virtual void SetParent(TWinControl* parent);

  unsigned ControlStyle() const { return controlStyle_; }
  void SetControlStyle(unsigned flags) { controlStyle_ = flags; }
  unsigned ScalingFlags() const { return scalingFlags_; }

  // Scales the rectangle (and an own font) by M/D for a layout read at another
  // resolution; while reading only the values the layout set are scaled.
  virtual void ChangeScale(int multiplier, int divisor);

  virtual void Invalidate();
  // Delivers a message to the control's own handling.
  LRESULT Perform(UINT message, WPARAM wParam, LPARAM lParam) override;
  WindowDC GetDeviceContext() override;
  bool SetProperty(const std::string& name, const LayoutValue& value) override;
  bool SetEvent(const std::string& name, TNotifyEvent handler) override;

  TNotifyEvent OnResize;
  TNotifyEvent OnClick;

protected:
  virtual void WndProc(TMessage& message);
  virtual void DefaultHandler(TMessage&) {}
  virtual void FontChanged();
  virtual void ColorChanged() {}
  // Whether the content allows the size (image controls size themselves).
  virtual bool CanResize(int& width, int& height);
  void SetScalingFlags(unsigned flags) { scalingFlags_ = flags; }
  void AddScalingFlags(unsigned flags) { scalingFlags_ |= flags; }
  void StoreBounds(int left, int top, int width, int height);
  TFont font_;

private:
  friend class TWinControl;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool visible_ = true;
  bool enabled_ = true;
  TColor color_ = clWindow;
  bool parentFont_ = true;
  bool parentColor_ = true;
  bool autoSize_ = false;
  std::string caption_;
  TWinControl* parent_ = nullptr;
  unsigned controlStyle_ = 0;
  unsigned scalingFlags_ = 0;
  int fontHeightSeen_ = 0;
  bool applyingParentFont_ = false;
};
