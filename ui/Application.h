#pragma once
// The application object: the one owner of the user interface. It keeps the
// hidden application window, the main window and the message loop, and shows
// every failure that escapes message handling.

#include <windows.h>

#include <functional>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "gdi/Handles.h"
#include "text/Exceptions.h"
#include "ui/Component.h"
#include "ui/WindowBinding.h"

class WindowLayerControl;

enum class TWindowState { wsNormal, wsMinimized, wsMaximized };

// What the application needs of a top-level form; the forms implement it.
class ApplicationForm {
public:
  // The form's window, created on first request.
  virtual HWND FormHandle() = 0;
  virtual void ShowForm() = 0;
  virtual void CloseForm() = 0;
  virtual TWindowState FormWindowState() const = 0;
  virtual void SetFormWindowState(TWindowState state) = 0;
  // Records the state without applying it to the window.
  virtual void RecordFormWindowState(TWindowState state) = 0;

protected:
  ~ApplicationForm() = default;
};

class TApplication : public TComponent, private WindowHandler {
public:
  // Creates the application window with the default title.
  TApplication();
  ~TApplication() override;

  HWND Handle() const { return handle_; }
  std::string Title() const;
  void SetTitle(const std::string& title);

  // Makes a form of class T owned by the application. `reference` points at the
  // new object before its construction starts, so handlers running during the
  // construction reach it; it is null again if the construction fails. The
  // first form made this way becomes the main window.
  template <class T>
  void CreateForm(T*& reference);

  ApplicationForm* MainForm() const { return mainForm_; }
  // A form being destroyed is no longer the main window.
  void ForgetForm(ApplicationForm* form) {
    if (mainForm_ == form) mainForm_ = nullptr;
  }
  // A control being destroyed is no longer the one under the mouse.
  void ForgetControl(const WindowLayerControl* control) {
    if (mouseControl_ == static_cast<const void*>(control)) mouseControl_ = nullptr;
  }
  bool Terminated() const { return terminated_; }
  bool Running() const { return running_; }
  bool Active() const { return active_; }
  HICON Icon() const { return icon_; }
  // The icon windows show: Icon(), or the system's application icon without one.
  HICON ShownIcon() const { return icon_ != nullptr ? icon_ : LoadIconW(nullptr, IDI_APPLICATION); }

  // The message loop; returns when the main window has been closed.
  void Run();
  // Processes one waiting message, or performs the idle step when none waits.
  void HandleMessage();
  void Terminate();

  // Shows the failure being handled (call from a catch block); EAbort shows nothing.
  void HandleException(TComponent* sender) noexcept;
  void ShowException(const Exception& failure);
  int MessageBox(const std::string& text, const std::string& caption, UINT flags);

  // Takes the thread's stay-on-top windows out of the topmost band while a box
  // is open, and puts them back.
  void NormalizeTopMosts();
  void NormalizeAllTopMosts();
  void RestoreTopMosts();

  void Minimize();
  void Restore();
  // Shows or hides the application window to follow whether a form is visible.
  void UpdateVisible(bool anyFormVisible);

  // Runs a call on the GUI thread at the next idle step; safe from any thread.
  void QueueCall(std::function<void()> call);

  // Installed callbacks; none are installed in the program itself.
  std::function<void(TComponent* sender, const Exception& failure)> OnException;
  std::function<bool(MSG& message)> OnMessage;
  HWND DialogHandle = nullptr;

  // Run at process exit after the entry function returned: hides the owned
  // pop-ups and destroys the components, the main window among them.
  void ExitStep();

private:
  void CreateHandle();
  bool ProcessMessage(MSG& message);
  bool IsKeyMessage(const MSG& message);
  void Idle();
  void TrackMouse();
  bool RunQueuedCalls();
  void AdoptForm(TComponent* component, ApplicationForm* form);
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // The steps of WindowProc, one for each message it handles.
  LRESULT CloseMessage();
  LRESULT EndSessionMessage(WPARAM ending);
  LRESULT EnableMessage(WPARAM enabled, LPARAM lParam);
  LRESULT ActivateAppMessage(WPARAM active, LPARAM lParam);
  LRESULT SetFocusMessage(WPARAM wParam, LPARAM lParam);
  LRESULT PlaceFocusMessage();
  LRESULT SysCommandMessage(WPARAM command, LPARAM lParam);
  LRESULT DisplayChangeMessage(WPARAM wParam, LPARAM lParam);
  LRESULT PaletteChangedMessage(WPARAM wParam, LPARAM lParam);
  LRESULT PaintMessage(WPARAM wParam, LPARAM lParam);
  LRESULT QueuedCallsMessage();
  LRESULT OtherMessage(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam);
  void FocusFirstTaskWindow();
  std::optional<RECT> MoveToMonitorOf(HWND active);
  void MoveTo(POINT position);
  void NormalizeTopMosts(bool includeMain);
  void LeaveTopMostBand(const std::vector<HWND>& windows);
  LRESULT WindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  void WindowMessageFailed() noexcept override;
  static BOOL CALLBACK CollectTopMost(HWND window, LPARAM parameter) noexcept;

  HWND handle_ = nullptr;
  bool windowCreated_ = false;
  std::string storedTitle_;
  ApplicationForm* mainForm_ = nullptr;
  bool terminated_ = false;
  bool running_ = false;
  bool showMainForm_ = true;
  bool active_ = true;
  bool visibleSet_ = false;
  HICON icon_ = nullptr;
  std::vector<HWND> topMostList_;
  int topMostLevel_ = 0;
  std::optional<std::vector<HWND>> disabledWindows_;
  void* mouseControl_ = nullptr;
  CriticalSection queueLock_;
  std::vector<std::function<void()>> queuedCalls_;
};

// The text the exception display shows for a message: a full stop is appended
// when the last character compares greater than ".".
std::string ExceptionDisplayText(const std::string& message);

// The process-wide application object, made at start-up.
extern TApplication* Application;

template <class T>
void TApplication::CreateForm(T*& reference) {
  void* storage = ::operator new(sizeof(T));
  reference = static_cast<T*>(storage);
  try {
    new (storage) T(this);
  } catch (...) {
    ::operator delete(storage);
    reference = nullptr;
    throw;
  }
  reference->AfterConstruction();
  AdoptForm(reference, dynamic_cast<ApplicationForm*>(reference));
}
