#include "ui/Application.h"

#include <algorithm>
#include <cstdlib>
#include <exception>

#include "gdi/Canvas.h"
#include "resources/StringIds.h"
#include "text/FileNames.h"
#include "text/FpuControlWord.h"
#include "text/Utf16.h"
#include "ui/ControlLookup.h"
#include "ui/FaultTranslation.h"
#include "ui/Messages.h"
#include "ui/Platform.h"
#include "ui/Screen.h"
#include "ui/TaskWindows.h"
#include "ui/WindowText.h"

TApplication* Application = nullptr;

namespace {

constexpr wchar_t kWindowClass[] = L"TApplication";
constexpr DWORD kWindowStyle = WS_POPUP | WS_CLIPSIBLINGS | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr UINT kShowFlags = SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOSIZE | SWP_NOMOVE;
constexpr UINT kHideFlags = SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOSIZE | SWP_NOMOVE;
constexpr UINT kTopMostFlags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER;

// The module's file name without directory, cut at the first ".", every
// character after the first in lower case: PhotoView.EXE gives Photoview.
std::string DefaultTitle() {
  std::wstring name = Wide(FileNamePartOf(ModuleFileName(nullptr)));
  name.resize(std::min(name.find(L'.'), name.size()));
  if (!name.empty()) {
    wchar_t* const rest = CharNextW(&name[0]);
    CharLowerBuffW(rest, static_cast<DWORD>(name.size() - static_cast<size_t>(rest - name.data())));
  }
  return Utf8(name);
}

POINT CentreOf(const RECT& rect) {
  return POINT{rect.left + (rect.right - rect.left) / 2, rect.top + (rect.bottom - rect.top) / 2};
}

void RunExitStep() {
  if (Application != nullptr) Application->ExitStep();
}

}  // namespace

TApplication::TApplication() : TComponent(nullptr), storedTitle_(DefaultTitle()) {
  icon_ = LoadIconW(GetModuleHandleW(nullptr), L"MAINICON");
  CreateHandle();
}

TApplication::~TApplication() {
  MarkDestroying();
  DestroyComponents();
  if (handle_ != nullptr) {
    SendMessageW(handle_, WM_SETICON, ICON_BIG, 0);
    UnbindWindow(handle_);
    DestroyWindow(handle_);
  }
  if (Application == this) Application = nullptr;
}

void TApplication::CreateHandle() {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW existing;
  if (!GetClassInfoW(instance, kWindowClass, &existing)) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kWindowClass;
    if (RegisterClassW(&windowClass) == 0) throw EOutOfResources(ResText(IDS_WINDOW_CLASS_ERROR));
  }
  handle_ = CreateWindowExW(0, kWindowClass, Wide(storedTitle_).c_str(), kWindowStyle,
                            GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2,
                            0, 0, nullptr, nullptr, instance, nullptr);
  if (handle_ == nullptr) return;
  windowCreated_ = true;
  // Window creation may load other floating-point settings (printer and video
  // drivers have been seen doing it).
  LoadDefaultFpuControlWord();
  storedTitle_.clear();
  BindWindow(handle_, *this);
  const HICON icon = ShownIcon();
  SendMessageW(handle_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  SetClassLongPtrW(handle_, GCLP_HICON, reinterpret_cast<LONG_PTR>(icon));
  const HMENU menu = GetSystemMenu(handle_, FALSE);
  DeleteMenu(menu, SC_MAXIMIZE, MF_BYCOMMAND);
  DeleteMenu(menu, SC_SIZE, MF_BYCOMMAND);
  DeleteMenu(menu, SC_MOVE, MF_BYCOMMAND);
}

std::string TApplication::Title() const {
  if (!windowCreated_) return storedTitle_;
  return ReadWindowText(handle_);
}

void TApplication::SetTitle(const std::string& title) {
  if (!windowCreated_) {
    storedTitle_ = title;
    return;
  }
  if (Title() != title || !storedTitle_.empty()) SetWindowTextW(handle_, Wide(title).c_str());
  storedTitle_.clear();
}

void TApplication::AdoptForm(TComponent*, ApplicationForm* form) {
  if (mainForm_ == nullptr && form != nullptr) {
    form->FormHandle();
    mainForm_ = form;
  }
}

void TApplication::Run() {
  const ScopedValue<bool> running(running_, true);

  static bool exitStepRegistered = false;
  if (!exitStepRegistered) {
    std::atexit(RunExitStep);
    exitStepRegistered = true;
  }
  if (mainForm_ == nullptr) return;

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  GetStartupInfoW(&startup);
  const int showCommand = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
  if (showCommand == SW_SHOWMAXIMIZED) mainForm_->SetFormWindowState(TWindowState::wsMaximized);
  if (showCommand == SW_SHOWMINNOACTIVE) mainForm_->RecordFormWindowState(TWindowState::wsMinimized);

  if (showMainForm_) {
    if (mainForm_->FormWindowState() == TWindowState::wsMinimized) {
      Minimize();
    } else {
      mainForm_->ShowForm();
    }
  }
  do {
    try {
      HandleMessage();
    } catch (...) {
      HandleException(this);
    }
  } while (!terminated_);
}

void TApplication::HandleMessage() {
  MSG message;
  if (!ProcessMessage(message)) Idle();
}

bool TApplication::ProcessMessage(MSG& message) {
  if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) return false;
  if (message.message == WM_QUIT) {
    terminated_ = true;
    return true;
  }
  // No hint window is ever shown, so hint cancelling never claims a message;
  // nor is the main window an MDI frame.
  bool handled = false;
  if (OnMessage) handled = OnMessage(message);
  if (!handled && IsKeyMessage(message)) handled = true;
  if (!handled && DialogHandle != nullptr && IsDialogMessageW(DialogHandle, &message)) handled = true;
  if (!handled) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return true;
}

// Forms and buttons see Enter, Escape and accelerator keys before the system
// does: the key message goes first to the window layer as a notification.
bool TApplication::IsKeyMessage(const MSG& message) {
  if (message.message < WM_KEYDOWN || message.message > 0x108) return false;
  HWND target = GetCapture();
  if (target == nullptr) {
    target = message.hwnd;
    HWND window = message.hwnd;
    while (window != nullptr && FindControl(window) == nullptr) window = GetParent(window);
    if (window != nullptr) target = window;
  } else if (reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(target, GWLP_HINSTANCE)) !=
             GetModuleHandleW(nullptr)) {
    return false;
  }
  return SendMessageW(target, kCnBase + message.message, message.wParam, message.lParam) != 0;
}

void TApplication::Idle() {
  TrackMouse();
  // No form has actions to update, and no hint is shown.
  if (RunQueuedCalls()) return;
  WaitMessage();
}

void TApplication::TrackMouse() {
  POINT cursor;
  if (!GetCursorPos(&cursor)) return;
  WindowLayerControl* control = FindControlAtPoint(cursor);
  if (control == mouseControl_) return;
  WindowLayerControl* capture = FindControl(GetCapture());
  auto* previous = static_cast<WindowLayerControl*>(mouseControl_);
  if (previous != nullptr && (capture == nullptr || capture == previous)) {
    previous->Perform(kCmMouseLeave, 0, 0);
  }
  if (control != nullptr && (capture == nullptr || capture == control)) {
    control->Perform(kCmMouseEnter, 0, 0);
  }
  mouseControl_ = control;
}

void TApplication::QueueCall(std::function<void()> call) {
  {
    CriticalSectionGuard lock(queueLock_);
    queuedCalls_.push_back(std::move(call));
  }
  if (handle_ != nullptr) PostMessageW(handle_, WM_NULL, 0, 0);
}

bool TApplication::RunQueuedCalls() {
  bool ran = false;
  for (;;) {
    std::function<void()> call;
    {
      CriticalSectionGuard lock(queueLock_);
      if (queuedCalls_.empty()) return ran;
      call = std::move(queuedCalls_.front());
      queuedCalls_.erase(queuedCalls_.begin());
    }
    ran = true;
    // Taken off the queue first: a call that fails does not take the others with it.
    call();
  }
}

void TApplication::Terminate() {
  // No termination queries are registered, so the answer is always yes.
  PostQuitMessage(0);
}

void TApplication::HandleException(TComponent* sender) noexcept {
  // The stack has been unwound to here: an overflow's guard page can go back
  // before the box's loop runs handlers again.
  RestoreStackGuard();
  try {
    if (GetCapture() != nullptr) SendMessageW(GetCapture(), WM_CANCELMODE, 0, 0);
    try {
      throw;
    } catch (const EAbort&) {
      // The silent failure.
    } catch (const Exception& failure) {
      if (OnException) {
        OnException(sender, failure);
      } else {
        ShowException(failure);
      }
    } catch (const std::bad_alloc&) {
      ShowException(OutOfMemoryFailure());
    } catch (const std::exception& failure) {
      ShowException(Exception(failure.what()));
    } catch (...) {
      ShowException(Exception());
    }
  } catch (...) {
    // Nothing more can be reported: the display itself failed.
  }
}

std::string ExceptionDisplayText(const std::string& message) {
  std::string text = message;
  // The last character compared with "." as bytes: every byte of a character
  // beyond ASCII is greater, so its last byte decides as the whole would.
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
  return text;
}

void TApplication::ShowException(const Exception& failure) {
  MessageBox(ExceptionDisplayText(failure.Message()), Title(), MB_OK | MB_ICONSTOP);
}

int TApplication::MessageBox(const std::string& text, const std::string& caption, UINT flags) {
  const HWND active = GetActiveWindow();
  const std::optional<RECT> movedFrom = MoveToMonitorOf(active);
  const std::vector<HWND> disabled = DisableTaskWindows();
  const FocusState focus;
  const ScopeExit restore([&] {
    if (movedFrom) MoveTo(CentreOf(*movedFrom));
    EnableTaskWindows(disabled);
    if (active != nullptr && IsWindow(active)) SetActiveWindow(active);
    focus.Restore();
  });
  return ::MessageBoxW(handle_, Wide(text).c_str(), Wide(caption).c_str(), flags);
}

// The box opens over the application window: it goes to the active window's
// monitor when that is another one. Returns where it was when it moved.
std::optional<RECT> TApplication::MoveToMonitorOf(HWND active) {
  if (handle_ == nullptr || active == nullptr) return std::nullopt;
  const HMONITOR activeMonitor = MonitorFromWindow(active, MONITOR_DEFAULTTONEAREST);
  if (activeMonitor == MonitorFromWindow(handle_, MONITOR_DEFAULTTONEAREST)) return std::nullopt;
  MONITORINFO info{};
  info.cbSize = 40;
  RECT oldRect{};
  GetWindowRect(handle_, &oldRect);
  if (!GetMonitorInfoW(activeMonitor, &info)) return std::nullopt;
  MoveTo(CentreOf(info.rcMonitor));
  return oldRect;
}

void TApplication::MoveTo(POINT position) {
  SetWindowPos(handle_, nullptr, position.x, position.y, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);
}

void TApplication::NormalizeTopMosts() { NormalizeTopMosts(false); }
void TApplication::NormalizeAllTopMosts() { NormalizeTopMosts(true); }

namespace {
struct TopMostScan {
  HWND application;
  HWND mainWindow;
  bool includeMain;
  HWND reference;
  std::vector<HWND>* list;
  // A failure to record a window; it may not travel through the system's frames.
  std::exception_ptr failure;
};
}  // namespace

BOOL CALLBACK TApplication::CollectTopMost(HWND window, LPARAM parameter) noexcept {
  auto* scan = reinterpret_cast<TopMostScan*>(parameter);
  if (GetWindow(window, GW_OWNER) != scan->application) return TRUE;
  const bool topMost = (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  if (topMost && (scan->includeMain || window != scan->mainWindow)) {
    try {
      scan->list->push_back(window);
    } catch (...) {
      scan->failure = std::current_exception();
      return FALSE;
    }
    return TRUE;
  }
  scan->reference = window;
  return FALSE;
}

void TApplication::NormalizeTopMosts(bool includeMain) {
  if (handle_ == nullptr) return;
  if (topMostLevel_ == 0) {
    TopMostScan scan{handle_, mainForm_ != nullptr ? mainForm_->FormHandle() : nullptr, includeMain,
                     handle_, &topMostList_, nullptr};
    EnumWindows(CollectTopMost, reinterpret_cast<LPARAM>(&scan));
    if (scan.failure) {
      // Nothing has moved yet.
      topMostList_.clear();
      std::rethrow_exception(scan.failure);
    }
    if (!topMostList_.empty()) {
      HWND after = GetWindow(scan.reference, GW_HWNDPREV);
      if (after != nullptr && (GetWindowLongW(after, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0) {
        after = HWND_NOTOPMOST;
      }
      for (auto it = topMostList_.rbegin(); it != topMostList_.rend(); ++it) {
        SetWindowPos(*it, after, 0, 0, 0, 0, kTopMostFlags);
      }
      LeaveTopMostBand(topMostList_);
    }
  }
  ++topMostLevel_;
}

// Some window systems (Wine among them) keep an owned pop-up directly above its
// owner and leave it in the topmost band while the owner lies just below that
// band. The owner, a window of no size, then goes to the bottom, after which the
// pop-ups can leave. Where the placement above worked this does nothing.
void TApplication::LeaveTopMostBand(const std::vector<HWND>& windows) {
  bool ownerMoved = false;
  for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
    if ((GetWindowLongW(*it, GWL_EXSTYLE) & WS_EX_TOPMOST) == 0) continue;
    if (!ownerMoved) {
      SetWindowPos(handle_, HWND_BOTTOM, 0, 0, 0, 0, kTopMostFlags);
      ownerMoved = true;
    }
    SetWindowPos(*it, HWND_NOTOPMOST, 0, 0, 0, 0, kTopMostFlags);
  }
}

void TApplication::RestoreTopMosts() {
  if (handle_ == nullptr || topMostLevel_ == 0) return;
  if (--topMostLevel_ > 0) return;
  for (auto it = topMostList_.rbegin(); it != topMostList_.rend(); ++it) {
    SetWindowPos(*it, HWND_TOPMOST, 0, 0, 0, 0, kTopMostFlags);
  }
  topMostList_.clear();
}

void TApplication::Minimize() {
  if (handle_ == nullptr || IsIconic(handle_)) return;
  NormalizeTopMosts();
  SetActiveWindow(handle_);
  ShowWindow(handle_, SW_MINIMIZE);
}

void TApplication::Restore() {
  if (handle_ == nullptr || !IsIconic(handle_)) return;
  SetActiveWindow(handle_);
  ShowWindow(handle_, SW_RESTORE);
  RestoreTopMosts();
  if (mainForm_ != nullptr) SetActiveWindow(mainForm_->FormHandle());
}

void TApplication::UpdateVisible(bool anyFormVisible) {
  if (handle_ == nullptr) return;
  // Only when nobody else changed the window's visibility behind our back.
  if ((IsWindowVisible(handle_) != FALSE) != visibleSet_ || anyFormVisible == visibleSet_) return;
  SetWindowPos(handle_, nullptr, 0, 0, 0, 0, anyFormVisible ? kShowFlags : kHideFlags);
  visibleSet_ = anyFormVisible;
}

void TApplication::ExitStep() {
  if (handle_ != nullptr) ShowOwnedPopups(handle_, FALSE);
  MarkDestroying();
  DestroyComponents();
  mainForm_ = nullptr;
}

LRESULT TApplication::WindowMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
  return WindowProc(message, wParam, lParam);
}

void TApplication::WindowMessageFailed() noexcept { HandleException(this); }

LRESULT TApplication::DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(handle_, message, wParam, lParam);
}

LRESULT TApplication::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE: return CloseMessage();
    case WM_ENDSESSION: return EndSessionMessage(wParam);
    case WM_ENABLE: return EnableMessage(wParam, lParam);
    case WM_ACTIVATEAPP: return ActivateAppMessage(wParam, lParam);
    case WM_SETFOCUS: return SetFocusMessage(wParam, lParam);
    case kCmAppSysCommand: return PlaceFocusMessage();
    case kCmActivate:
    case kCmDeactivate: return 0;  // no activation callbacks are installed
    case WM_SYSCOMMAND: return SysCommandMessage(wParam, lParam);
    case WM_QUERYDRAGICON: return reinterpret_cast<LRESULT>(icon_);
    case WM_DISPLAYCHANGE: return DisplayChangeMessage(wParam, lParam);
    case WM_PALETTECHANGED: return PaletteChangedMessage(wParam, lParam);
    case WM_PAINT: return PaintMessage(wParam, lParam);
    case WM_NULL: return QueuedCallsMessage();
    default: return OtherMessage(message, wParam, lParam);
  }
}

LRESULT TApplication::CloseMessage() {
  if (mainForm_ != nullptr) mainForm_->CloseForm();
  return 0;
}

LRESULT TApplication::EndSessionMessage(WPARAM ending) {
  if (ending != 0) terminated_ = true;
  return 0;
}

// While the application window is disabled (a modal box is open), so are the
// thread's other windows, and the stay-on-top ones leave the topmost band; both
// come back when it is enabled again.
LRESULT TApplication::EnableMessage(WPARAM enabled, LPARAM lParam) {
  if (enabled != 0) {
    RestoreTopMosts();
    if (disabledWindows_) {
      EnableTaskWindows(*disabledWindows_);
      disabledWindows_.reset();
    }
    return DefaultHandler(WM_ENABLE, enabled, lParam);
  }
  const LRESULT result = DefaultHandler(WM_ENABLE, enabled, lParam);
  if (!disabledWindows_) disabledWindows_ = DisableTaskWindows(handle_);
  NormalizeAllTopMosts();
  return result;
}

LRESULT TApplication::ActivateAppMessage(WPARAM active, LPARAM lParam) {
  const LRESULT result = DefaultHandler(WM_ACTIVATEAPP, active, lParam);
  active_ = active != 0;
  if (active_) {
    RestoreTopMosts();
    PostMessageW(handle_, kCmActivate, 0, 0);
  } else {
    NormalizeTopMosts();
    PostMessageW(handle_, kCmDeactivate, 0, 0);
  }
  return result;
}

LRESULT TApplication::SetFocusMessage(WPARAM wParam, LPARAM lParam) {
  PostMessageW(handle_, kCmAppSysCommand, 0, 0);
  return DefaultHandler(WM_SETFOCUS, wParam, lParam);
}

LRESULT TApplication::PlaceFocusMessage() {
  if (!IsIconic(handle_) && GetFocus() == handle_) FocusFirstTaskWindow();
  return 0;
}

LRESULT TApplication::SysCommandMessage(WPARAM command, LPARAM lParam) {
  switch (command & 0xFFF0) {
    case SC_MINIMIZE:
      Minimize();
      return 0;
    case SC_RESTORE:
      Restore();
      return 0;
    default:
      return DefaultHandler(WM_SYSCOMMAND, command, lParam);
  }
}

LRESULT TApplication::DisplayChangeMessage(WPARAM wParam, LPARAM lParam) {
  if (Screen != nullptr) Screen->DisplayChanged();
  return DefaultHandler(WM_DISPLAYCHANGE, wParam, lParam);
}

LRESULT TApplication::PaletteChangedMessage(WPARAM wParam, LPARAM lParam) {
  // Every top-level window hears of it; the application window answers for
  // the whole process: the canvases give up their objects, to be selected
  // (and their colours matched to the new palette) on their next use.
  DeselectAllCanvases();
  return DefaultHandler(WM_PALETTECHANGED, wParam, lParam);
}

LRESULT TApplication::PaintMessage(WPARAM wParam, LPARAM lParam) {
  if (!IsIconic(handle_)) return DefaultHandler(WM_PAINT, wParam, lParam);
  const PaintDC paint(handle_);
  DrawIcon(paint.get(), 0, 0, ShownIcon());
  return 0;
}

LRESULT TApplication::QueuedCallsMessage() {
  RunQueuedCalls();
  return 0;
}

LRESULT TApplication::OtherMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  // A system control asks its parent for colours; the control's own object answers.
  if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) {
    return SendMessageW(reinterpret_cast<HWND>(lParam), kCnBase + message, wParam, lParam);
  }
  return DefaultHandler(message, wParam, lParam);
}

namespace {
struct FocusSearch {
  HWND application;
  HWND first;
  HWND firstTopMost;
};

BOOL CALLBACK FindFocusCandidate(HWND window, LPARAM parameter) noexcept {
  auto* search = reinterpret_cast<FocusSearch*>(parameter);
  if (window == search->application || !IsWindowVisible(window) || !IsWindowEnabled(window)) return TRUE;
  if ((GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) == 0) {
    search->first = window;
    return FALSE;
  }
  if (search->firstTopMost == nullptr) search->firstTopMost = window;
  return TRUE;
}
}  // namespace

void TApplication::FocusFirstTaskWindow() {
  FocusSearch search{handle_, nullptr, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), FindFocusCandidate, reinterpret_cast<LPARAM>(&search));
  const HWND target = search.first != nullptr ? search.first : search.firstTopMost;
  if (target != nullptr) SetFocus(target);
}
