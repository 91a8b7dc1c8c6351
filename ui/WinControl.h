#pragma once
// TWinControl: a control with a system window of its own, a background brush and
// child controls. The window is made on first need, bound to the control, and
// every one of its messages comes in through MainWndProc.

#include <windows.h>

#include <string>
#include <vector>

#include "gdi/Brush.h"
#include "ui/Control.h"
#include "ui/WindowBinding.h"

// The creation parameters of a system window, computed each time it is made.
struct TCreateParams {
  std::string caption;
  DWORD style = 0;
  DWORD exStyle = 0;
  int x = 0, y = 0, width = 0, height = 0;
  HWND parent = nullptr;
  WNDCLASSW windowClass{};
  std::wstring className;
  // A system class whose behaviour the window extends (empty for none).
  std::wstring baseClass;
};

class TWinControl : public TControl, public WindowHandler {
public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;

  // The system window, made on first request.
  HWND Handle();
  bool HandleAllocated() const { return handle_ != nullptr; }
  void HandleNeeded() { Handle(); }
  bool Showing() const { return showing_; }
  // Whether the window takes input now: false while a modal box has disabled it.
  bool WindowEnabled() const { return handle_ != nullptr && IsWindowEnabled(handle_); }

  // Whether the control can take the keyboard focus now: shown and enabled, and
  // so is every window around it.
  bool CanFocus() const;
  // Gives the control the keyboard focus.
  void Focus();
  bool Focused() const { return handle_ != nullptr && GetFocus() == handle_; }
  // The outermost windowed control around this one (the form), or itself.
  TWinControl* TopLevelControl();
  // Offers a notification to each child, the children's children included, until
  // one claims it with a nonzero result, which is returned.
  LRESULT Broadcast(UINT message, WPARAM wParam, LPARAM lParam);

  std::string Caption() const override;
  void SetCaption(const std::string& text) override;

  void SetBounds(int left, int top, int width, int height) override;
  RECT ClientRect() override;
  void SetVisible(bool value) override;
  void Invalidate() override;
  // Paints the whole window and its children now, before this call returns.
  void Repaint();
  // Paints the client area, with every child shown in it, into the device
  // context as the window paints itself on the screen, the context's origin
  // standing for the client area's corner. What the screen holds plays no part:
  // a part of the window beyond the screen's edge or under another window comes
  // out as painted.
  void PaintTo(HDC dc);
  void ChangeScale(int multiplier, int divisor) override;
  WindowDC GetDeviceContext() override;
  bool SetProperty(const std::string& name, const LayoutValue& value) override;
  void Loaded() override;

  TBrush& Brush() { return brush_; }
  bool TabStop() const { return tabStop_; }

  // Children: the non-windowed ones in painting order, and the windowed ones.
  const std::vector<TControl*>& Controls() const { return controls_; }
  const std::vector<TWinControl*>& WinControls() const { return winControls_; }
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);

  // Brings the showing state up to date when every ancestor shows.
  void UpdateControlState();
  // The one entry of every message of the window.
  void MainWndProc(TMessage& message);

protected:
  virtual void CreateParams(TCreateParams& params);
  virtual void CreateWindowHandle(const TCreateParams& params);
  virtual void CreateWnd();
  // Runs after the system window exists.
  virtual void CreateHandleDone() {}
  virtual void DestroyWindowHandle();
  void WndProc(TMessage& message) override;
  void DefaultHandler(TMessage& message) override;
  void FontChanged() override;
  void ColorChanged() override;
  // Paints the control itself on the paint device context.
  virtual void PaintWindow(HDC dc);
  // Whether WM_PAINT takes the painting path (children and own painting).
  virtual bool PaintsItself() const { return false; }
  // Whether a paint runs the control's own erase and paint steps (it paints
  // itself or holds controls), on the screen and into a capture alike.
  bool TakesPaintPath() const;
  virtual void UpdateShowing();
  // Shows or hides the system window when the showing state changed.
  virtual void ShowingChanged();
  void UpdateBounds();
  void PaintHandler(TMessage& message);
  void PaintControls(HDC dc);
  void SetShowing(bool value) { showing_ = value; }
  void ScaleChildren(int multiplier, int divisor);
  void InvalidateOnParentRemoval(TControl* control);
  // Only a top-level form stands for the outermost window of the showing rule.
  virtual bool IsTopLevelWindow() const { return false; }
  void SetTabStop(bool value) { tabStop_ = value; }
  // Asked of the outermost window: a control inside it (or the window itself) has
  // taken the keyboard focus.
  virtual void ControlFocused(TWinControl&) {}
  // Asked of the outermost window: a key message (WM_KEYDOWN to WM_SYSCHAR) for
  // a control inside it, before the system sees it; true claims it.
  virtual bool ControlKey(TWinControl&, UINT, WPARAM, LPARAM) { return false; }

private:
  // The window's messages come in here and go on to MainWndProc.
  LRESULT WindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  void WindowMessageFailed() noexcept override;
  void WindowBound(HWND window) noexcept override;
  void WindowUnbound(HWND window) noexcept override;
  void RegisterWindowClass(TCreateParams& params);
  // The steps of WndProc, one for each message it handles.
  void EraseBackground(TMessage& message);
  void PaintMessage(TMessage& message);
  void WindowPosChanging(TMessage& message);
  void WindowMoved(TMessage& message);
  void WindowSized(TMessage& message);
  void ReflectCommand(TMessage& message);
  void FocusReceived(TMessage& message);
  void KeyNotification(TMessage& message);

  HWND handle_ = nullptr;
  WNDPROC defaultWindowProc_ = DefWindowProcW;
  TBrush brush_;
  std::vector<TControl*> controls_;
  std::vector<TWinControl*> winControls_;
  bool showing_ = false;
  bool tabStop_ = false;
};
