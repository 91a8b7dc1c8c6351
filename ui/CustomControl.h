#pragma once
// Windowed controls that paint themselves (TCustomControl), the panel built on
// them, and the push button built on the system's button.

#include "ui/ControlCanvas.h"
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

// A push button. In a form it answers the dialog keys: Enter presses the button
// in the default role (the focused button, or the Default one while no button
// has the focus), Escape the Cancel one, and its "&" letter presses it too.
class TButton : public TButtonControl {
public:
  explicit TButton(TComponent* owner);
  const char* ClassName() const override { return "TButton"; }
  // Acts as if pressed: gives the form around it the button's modal result,
  // then runs OnClick.
  void Click();

  int ModalResult() const { return modalResult_; }
  void SetModalResult(int value) { modalResult_ = value; }
  bool Default() const { return default_; }
  void SetDefault(bool value);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool value) { cancel_ = value; }

protected:
  void CreateParams(TCreateParams& params) override;
  void WndProc(TMessage& message) override;

private:
  void UpdateDefaultRole(TWinControl* focused);

  int modalResult_ = 0;
  bool default_ = false;
  bool cancel_ = false;
  // Whether Enter presses this button now; drawn as the default button then.
  bool defaultRole_ = false;
};

// Whether the caption marks the character as its accelerator with "&" ("&&" is
// a plain "&"); letters compare regardless of case.
bool IsAccelerator(wchar_t character, const std::string& caption);
