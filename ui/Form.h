#pragma once
// Top-level windows: TScrollingWinControl (a windowed control with scroll bars),
// TCustomForm and TForm. A form is built from the layout resource named after its
// class, scaled to the screen's resolution, and closed as the program expects.

#include <windows.h>

#include <functional>
#include <string>

#include "ui/Application.h"
#include "ui/ControlCanvas.h"
#include "ui/WinControl.h"

struct TControlScrollBar {
  bool visible = true;
  int range = 0;
  int position = 0;
};

class TScrollingWinControl : public TWinControl {
public:
  explicit TScrollingWinControl(TComponent* owner) : TWinControl(owner) {}
  const char* ClassName() const override { return "TScrollingWinControl"; }
  TControlScrollBar& HorzScrollBar() { return horzScrollBar_; }
  TControlScrollBar& VertScrollBar() { return vertScrollBar_; }
  bool AutoScroll() const { return autoScroll_; }
  void SetAutoScroll(bool value) { autoScroll_ = value; }
  bool SetProperty(const std::string& name, const LayoutValue& value) override;

protected:
  void CreateParams(TCreateParams& params) override;
  // Shows each bar with its range, or hides it without one.
  void UpdateScrollBars();
  void ScaleScrollBars(int multiplier, int divisor);

private:
  TControlScrollBar horzScrollBar_;
  TControlScrollBar vertScrollBar_;
  bool autoScroll_ = true;
};

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TBorderIcon : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8 };
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TPosition { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter };
enum TCloseAction { caNone, caHide, caFree, caMinimize };
constexpr int mrNone = 0, mrOk = 1, mrCancel = 2, mrYes = 6, mrNo = 7;

using TCloseEvent = std::function<void(TComponent* sender, TCloseAction& action)>;
using TCloseQueryEvent = std::function<void(TComponent* sender, bool& canClose)>;

class TCustomForm : public TScrollingWinControl, public ApplicationForm {
public:
  explicit TCustomForm(TComponent* owner);
  ~TCustomForm() override;
  const char* ClassName() const override { return "TCustomForm"; }

  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TFormBorderStyle value);
  unsigned BorderIcons() const { return borderIcons_; }
  void SetBorderIcons(unsigned value) { borderIcons_ = value; }
  TFormStyle FormStyle() const { return formStyle_; }
  void SetFormStyle(TFormStyle value);
  TWindowState WindowState() const { return windowState_; }
  void SetWindowState(TWindowState value);
  TPosition Position() const { return position_; }
  void SetPosition(TPosition value) { position_ = value; }
  int PixelsPerInch() const { return pixelsPerInch_; }
  int ModalResult() const { return modalResult_; }
  void SetModalResult(int value) { modalResult_ = value; }
  bool Modal() const { return modal_; }
  void SetModal(bool value) { modal_ = value; }
  // Shows the form and runs the application's message step until a modal result
  // is set (2 when the application terminates meanwhile), then hides it and
  // gives back what it took: the other windows of the thread are disabled while
  // it shows. A visible, disabled or already modal form raises EInvalidOperation.
  int ShowModal();

  // With KeyPreview, OnKeyDown hears the keys of the form's controls before they do.
  bool KeyPreview() const { return keyPreview_; }
  void SetKeyPreview(bool value) { keyPreview_ = value; }
  // The control inside the form that has, or last had, the keyboard focus.
  TWinControl* ActiveControl();
  // The canvas of the client area.
  TControlCanvas& Canvas() { return canvas_; }

  void SetVisible(bool value) override;
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Closes as the caption's close box does: the main window ends the program,
  // any other form is hidden.
  void Close();

  void SetClientWidth(int value) override;
  void SetClientHeight(int value) override;
  RECT ClientRect() override;
  bool SetProperty(const std::string& name, const LayoutValue& value) override;
  // Runs OnCreate and shows a form that asked to be visible while it was made.
  void AfterConstruction() override;

  // What the application needs of a form.
  HWND FormHandle() override { return Handle(); }
  void ShowForm() override { Show(); }
  void CloseForm() override { Close(); }
  TWindowState FormWindowState() const override { return windowState_; }
  void SetFormWindowState(TWindowState state) override { SetWindowState(state); }
  void RecordFormWindowState(TWindowState state) override { windowState_ = state; }

  TNotifyEvent OnCreate;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnPaint;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;
  TKeyEvent OnKeyDown;

protected:
  // Reads the layout resource named after ClassName(), scaling it to the screen.
  // The most derived constructor calls it first, so that ClassName() and
  // FindHandler() are its own.
  void ReadLayout();
  // The form's handler for an event name of the layout, or an empty event.
  virtual TNotifyEvent FindHandler(const std::string& name);

  bool IsTopLevelWindow() const override { return true; }
  void CreateParams(TCreateParams& params) override;
  void CreateWindowHandle(const TCreateParams& params) override;
  void CreateHandleDone() override;
  void WndProc(TMessage& message) override;
  bool PaintsItself() const override { return true; }
  void PaintWindow(HDC dc) override;
  void ShowingChanged() override;
  void FontChanged() override;
  void ColorChanged() override;
  bool SetEvent(const std::string& name, TNotifyEvent handler) override;
  void ControlFocused(TWinControl& control) override;
  bool ControlKey(TWinControl& control, UINT message, WPARAM wParam, LPARAM lParam) override;

private:
  class ModalScope;
  void CloseModal();
  // Tab and the arrow keys move the focus; Enter and Escape go to the buttons.
  bool DialogKey(WORD key, TShiftState shift);
  // Moves the focus on to the next (or previous) control that can take it,
  // round to the first; false when none can.
  bool SelectNext(bool forward, bool tabStopsOnly);
  // Gives the focus back to the active control, or to the first one; false when
  // no control took it.
  bool FocusActiveControl();
  void ScaleAfterReading();
  void HideWindow();
  void ApplyPosition();
  static bool AnyFormVisible();

  TFormBorderStyle borderStyle_ = bsSizeable;
  unsigned borderIcons_ = biSystemMenu | biMinimize | biMaximize;
  TFormStyle formStyle_ = fsNormal;
  TWindowState windowState_ = TWindowState::wsNormal;
  TPosition position_ = poDesigned;
  int pixelsPerInch_;
  int textHeight_ = 0;
  int keptClientWidth_ = 0;
  int keptClientHeight_ = 0;
  bool creating_ = false;
  bool visibleRequested_ = false;
  bool inShowOrHide_ = false;
  bool modal_ = false;
  int modalResult_ = mrNone;
  bool keyPreview_ = false;
  // The window, not the object: a control may go while the form stays.
  HWND activeWindow_ = nullptr;
  TControlCanvas canvas_;
};

// The form a control sits in (the outermost window around it), or null.
TCustomForm* ParentFormOf(TControl* control);

class TForm : public TCustomForm {
public:
  explicit TForm(TComponent* owner) : TCustomForm(owner) {}
  const char* ClassName() const override { return "TForm"; }
};
