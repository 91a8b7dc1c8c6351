#pragma once
// Windowed controls that paint themselves (TCustomControl), the panel built on
// them, and the push button built on the system's button.

#include "ui/Canvas.h"
#include "ui/WinControl.h"

class TCustomControl : public TWinControl {
public:
  explicit TCustomControl(TComponent* owner);
  ~TCustomControl() override;
  const char* ClassName() const override { return "TCustomControl"; }
  TControlCanvas& Canvas() { return canvas_; }

protected:
  bool PaintsItself() const override { return true; }
  void PaintWindow(HDC dc) override;
  virtual void Paint() {}

private:
  TControlCanvas canvas_;
};

class TCustomPanel : public TCustomControl {
public:
  explicit TCustomPanel(TComponent* owner);
  const char* ClassName() const override { return "TCustomPanel"; }

protected:
  void Paint() override;
};

class TPanel : public TCustomPanel {
public:
  explicit TPanel(TComponent* owner) : TCustomPanel(owner) {}
  const char* ClassName() const override { return "TPanel"; }
};

class TButtonControl : public TWinControl {
public:
  explicit TButtonControl(TComponent* owner) : TWinControl(owner) {}
  const char* ClassName() const override { return "TButtonControl"; }
};

class TButton : public TButtonControl {
public:
  explicit TButton(TComponent* owner);
  const char* ClassName() const override { return "TButton"; }
  // Acts as if pressed: runs OnClick.
  void Click() { Fire(OnClick, this); }

protected:
  void CreateParams(TCreateParams& params) override;
  void WndProc(TMessage& message) override;
};
