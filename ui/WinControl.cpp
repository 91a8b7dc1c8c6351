#include "ui/WinControl.h"

#include <algorithm>
#include <optional>

#include "gdi/AfterMessage.h"
#include "gdi/Handles.h"
#include "resources/StringIds.h"
#include "text/Exceptions.h"
#include "text/Utf16.h"
#include "ui/Application.h"
#include "ui/LayoutValue.h"
#include "ui/WindowBinding.h"
#include "ui/WindowText.h"

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {
  brush_.SetColor(Color());
}

TWinControl::~TWinControl() {
  DestroyWindowHandle();
  // Children outliving their parent must not reach back into it.
  for (TControl* child : controls_) child->parent_ = nullptr;
  for (TWinControl* child : winControls_) child->parent_ = nullptr;
}

HWND TWinControl::Handle() {
  if (handle_ == nullptr) CreateWnd();
  return handle_;
}

void TWinControl::CreateParams(TCreateParams& params) {
  params.caption = Caption();
  params.style = WS_CHILD | WS_CLIPSIBLINGS;
  if (ControlStyle() & csAcceptsControls) {
    params.style |= WS_CLIPCHILDREN;
    params.exStyle |= WS_EX_CONTROLPARENT;
  }
  if (!Enabled()) params.style |= WS_DISABLED;
  if (tabStop_) params.style |= WS_TABSTOP;
  params.x = Left();
  params.y = Top();
  params.width = Width();
  params.height = Height();
  if (Parent() != nullptr) params.parent = Parent()->Handle();
  params.windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  params.windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  params.windowClass.hbrBackground = nullptr;
  params.windowClass.hInstance = GetModuleHandleW(nullptr);
  params.className = Wide(ClassName());
}

void TWinControl::RegisterWindowClass(TCreateParams& params) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  if (!params.baseClass.empty()) {
    // Extend a system class: its procedure handles what this control leaves alone.
    WNDCLASSW base;
    if (!GetClassInfoW(nullptr, params.baseClass.c_str(), &base)) RaiseLastOSError();
    defaultWindowProc_ = base.lpfnWndProc;
    params.windowClass.style = base.style & ~CS_GLOBALCLASS;
    params.windowClass.cbClsExtra = base.cbClsExtra;
    params.windowClass.cbWndExtra = base.cbWndExtra;
    params.windowClass.hCursor = base.hCursor;
    params.windowClass.hbrBackground = base.hbrBackground;
  }
  WNDCLASSW existing;
  if (GetClassInfoW(instance, params.className.c_str(), &existing)) {
    if (existing.lpfnWndProc == BindingWindowProc) return;
    UnregisterClassW(params.className.c_str(), instance);
  }
  params.windowClass.lpfnWndProc = BindingWindowProc;
  params.windowClass.lpszClassName = params.className.c_str();
  if (RegisterClassW(&params.windowClass) == 0) RaiseLastOSError();
}

void TWinControl::CreateWindowHandle(const TCreateParams& params) {
  SetLastError(0);
  const HWND window = CreateBoundWindow(*this, params.exStyle, params.className.c_str(), Wide(params.caption).c_str(),
                                        params.style, params.x, params.y, params.width, params.height, params.parent);
  if (window == nullptr) RaiseLastOSError();
  handle_ = window;
}

void TWinControl::CreateWnd() {
  TCreateParams params;
  CreateParams(params);
  if ((params.style & WS_CHILD) && params.parent == nullptr) {
    // A child being read from its owner's layout may live in the owner's window.
    auto* owner = dynamic_cast<TWinControl*>(Owner());
    if (owner == nullptr || !owner->Reading()) throw EInvalidOperation(ResFormat(IDS_NO_PARENT_WINDOW, {Name()}));
    params.parent = owner->Handle();
  }
  RegisterWindowClass(params);
  CreateWindowHandle(params);
  TControl::SetCaption(std::string());  // the window keeps the text from now on
  UpdateBounds();
  SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), 0);
  if (AutoSize()) SetBounds(Left(), Top(), Width(), Height());
  if (Parent() != nullptr) {
    // Keep the windows in the order of the children.
    const auto& siblings = Parent()->winControls_;
    HWND previous = HWND_TOP;
    for (TWinControl* sibling : siblings) {
      if (sibling == this) break;
      if (sibling->handle_ != nullptr) previous = sibling->handle_;
    }
    SetWindowPos(handle_, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  CreateHandleDone();
}

void TWinControl::DestroyWindowHandle() {
  if (handle_ == nullptr) return;
  const HWND window = handle_;
  DestroyWindow(window);  // WM_NCDESTROY forgets the handle
  handle_ = nullptr;
  showing_ = false;
}

LRESULT TWinControl::WindowMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
  TMessage m{message, wParam, lParam, 0};
  MainWndProc(m);
  return m.Result;
}

void TWinControl::WindowMessageFailed() noexcept { Application->HandleException(this); }

void TWinControl::WindowBound(HWND window) noexcept {
  // Messages of the window's creation may already ask for the handle.
  handle_ = window;
}

void TWinControl::WindowUnbound(HWND) noexcept {
  handle_ = nullptr;
  showing_ = false;
}

void TWinControl::MainWndProc(TMessage& message) {
  // No exception may travel into the system's frames.
  try {
    WndProc(message);
  } catch (...) {
    Application->HandleException(this);
  }
  ReleaseAllDeviceContexts();
  RunAfterMessageSteps();
}

void TWinControl::DefaultHandler(TMessage& message) {
  if (handle_ == nullptr) return;
  message.Result = CallWindowProcW(defaultWindowProc_, handle_, message.Msg, message.WParam, message.LParam);
}

void TWinControl::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_ERASEBKGND: EraseBackground(message); return;
    case WM_PAINT: PaintMessage(message); return;
    case WM_WINDOWPOSCHANGING: WindowPosChanging(message); return;
    case WM_WINDOWPOSCHANGED:
    case WM_MOVE: WindowMoved(message); return;
    case WM_SIZE: WindowSized(message); return;
    case kCmParentFontChanged:
    case kCmParentColorChanged: TControl::WndProc(message); return;
    case WM_COMMAND: ReflectCommand(message); return;
    case WM_SETFOCUS: FocusReceived(message); return;
    case kCnBase + WM_KEYDOWN:
    case kCnBase + WM_SYSKEYDOWN:
    case kCnBase + WM_CHAR:
    case kCnBase + WM_SYSCHAR: KeyNotification(message); return;
    case kCmDialogKey:
    case kCmDialogChar:
    case kCmFocusChanged: message.Result = Broadcast(message.Msg, message.WParam, message.LParam); return;
    default:
      // The window layer's own notifications; the system knows none of them.
      if (IsWindowLayerNotification(message.Msg)) return;
      DefaultHandler(message);
  }
}

void TWinControl::EraseBackground(TMessage& message) {
  RECT client;
  GetClientRect(handle_, &client);
  FillRect(reinterpret_cast<HDC>(message.WParam), &client, brush_.Handle());
  message.Result = 1;
}

bool TWinControl::TakesPaintPath() const { return PaintsItself() || !controls_.empty() || !winControls_.empty(); }

void TWinControl::PaintMessage(TMessage& message) {
  if (TakesPaintPath()) {
    PaintHandler(message);
  } else {
    DefaultHandler(message);
  }
}

// A size the control refuses is taken out of the change before the system applies it.
void TWinControl::WindowPosChanging(TMessage& message) {
  if (!Reading() && !Destroying()) {
    auto* position = reinterpret_cast<WINDOWPOS*>(message.LParam);
    if (!(position->flags & SWP_NOSIZE)) {
      int width = position->cx;
      int height = position->cy;
      if (CanResize(width, height)) {
        position->cx = width;
        position->cy = height;
      } else {
        position->flags |= SWP_NOSIZE;
      }
    }
  }
  DefaultHandler(message);
}

void TWinControl::WindowMoved(TMessage& message) {
  DefaultHandler(message);
  UpdateBounds();
}

void TWinControl::WindowSized(TMessage& message) {
  DefaultHandler(message);
  UpdateBounds();
  if (!Reading()) Fire(OnResize, this);
}

void TWinControl::ReflectCommand(TMessage& message) {
  // A system control tells its parent; the control's own object hears it back.
  if (message.LParam != 0) {
    if (WindowLayerControl* control = FindControl(reinterpret_cast<HWND>(message.LParam))) {
      message.Result = control->Perform(kCnBase + WM_COMMAND, message.WParam, message.LParam);
      return;
    }
  }
  DefaultHandler(message);
}

void TWinControl::FocusReceived(TMessage& message) {
  DefaultHandler(message);
  TopLevelControl()->ControlFocused(*this);
}

void TWinControl::KeyNotification(TMessage& message) {
  const bool claimed = TopLevelControl()->ControlKey(*this, message.Msg - kCnBase, message.WParam, message.LParam);
  message.Result = claimed ? 1 : 0;
}

bool TWinControl::CanFocus() const {
  for (const TWinControl* control = this; control != nullptr; control = control->Parent()) {
    if (control->handle_ == nullptr || !control->showing_ || !control->Enabled()) return false;
  }
  return true;
}

void TWinControl::Focus() {
  if (CanFocus()) SetFocus(handle_);
}

TWinControl* TWinControl::TopLevelControl() {
  TWinControl* control = this;
  while (control->Parent() != nullptr) control = control->Parent();
  return control;
}

LRESULT TWinControl::Broadcast(UINT message, WPARAM wParam, LPARAM lParam) {
  // Copies: a claimant may change the lists.
  const std::vector<TControl*> controls = controls_;
  for (TControl* child : controls) {
    if (const LRESULT result = child->Perform(message, wParam, lParam)) return result;
  }
  const std::vector<TWinControl*> winControls = winControls_;
  for (TWinControl* child : winControls) {
    if (const LRESULT result = child->Perform(message, wParam, lParam)) return result;
  }
  return 0;
}

std::string TWinControl::Caption() const {
  if (handle_ == nullptr) return TControl::Caption();
  return ReadWindowText(handle_);
}

void TWinControl::UpdateBounds() {
  if (handle_ == nullptr) return;
  RECT rect;
  if (IsIconic(handle_)) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(handle_, &placement);
    rect = placement.rcNormalPosition;
  } else {
    GetWindowRect(handle_, &rect);
  }
  if (GetWindowLongW(handle_, GWL_STYLE) & WS_CHILD) {
    MapWindowPoints(HWND_DESKTOP, GetParent(handle_), reinterpret_cast<POINT*>(&rect), 2);
  }
  StoreBounds(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
  if (left == Left() && top == Top() && width == Width() && height == Height()) return;
  if (handle_ != nullptr && !IsIconic(handle_)) {
    // No clamping: a window may lie wholly outside the screen.
    SetWindowPos(handle_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    // The system sends no WM_WINDOWPOSCHANGED when nothing changed for it, yet
    // the fields may still differ from the window.
    UpdateBounds();
  } else {
    StoreBounds(left, top, width, height);
    if (handle_ != nullptr) {
      WINDOWPLACEMENT placement{};
      placement.length = sizeof placement;
      GetWindowPlacement(handle_, &placement);
      placement.rcNormalPosition = RECT{left, top, left + width, top + height};
      SetWindowPlacement(handle_, &placement);
    }
  }
}

RECT TWinControl::ClientRect() {
  RECT client{};
  GetClientRect(Handle(), &client);
  return client;
}

void TWinControl::SetVisible(bool value) {
  if (Visible() == value) return;
  TControl::SetVisible(value);
  UpdateControlState();
}

void TWinControl::Invalidate() {
  if (handle_ != nullptr) InvalidateRect(handle_, nullptr, (ControlStyle() & csOpaque) == 0);
}

void TWinControl::Repaint() {
  if (handle_ != nullptr)
    RedrawWindow(handle_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void TWinControl::PaintTo(HDC dc) {
  if (TakesPaintPath()) {
    // The steps of a paint message, given the context instead of the screen's.
    Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
  } else {
    // A control of the system's classes paints into a given context on this request.
    Perform(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
  }
  for (TWinControl* child : winControls_) {
    if (!child->showing_) continue;
    SavedDC saved(dc);
    POINT origin;
    GetWindowOrgEx(dc, &origin);
    SetWindowOrgEx(dc, origin.x - child->Left(), origin.y - child->Top(), nullptr);
    IntersectClipRect(dc, 0, 0, child->Width(), child->Height());
    child->PaintTo(dc);
  }
}

void TWinControl::ScaleChildren(int multiplier, int divisor) {
  for (TControl* child : controls_) child->ChangeScale(multiplier, divisor);
  for (TWinControl* child : winControls_) child->ChangeScale(multiplier, divisor);
}

void TWinControl::ChangeScale(int multiplier, int divisor) {
  if (multiplier != divisor) ScaleChildren(multiplier, divisor);
  TControl::ChangeScale(multiplier, divisor);
}

WindowDC TWinControl::GetDeviceContext() {
  WindowDC dc(Handle());
  if (dc.get() == nullptr) throw EOutOfResources(ResText(IDS_NO_DEVICE_CONTEXT));
  return dc;
}

void TWinControl::InsertControl(TControl* control) {
  if (auto* windowed = dynamic_cast<TWinControl*>(control)) {
    winControls_.push_back(windowed);
    UpdateControlState();
  } else {
    controls_.push_back(control);
    control->Invalidate();
  }
}

void TWinControl::RemoveControl(TControl* control) {
  if (auto* windowed = dynamic_cast<TWinControl*>(control)) {
    winControls_.erase(std::remove(winControls_.begin(), winControls_.end(), windowed), winControls_.end());
  } else {
    InvalidateOnParentRemoval(control);
    controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
  }
}

void TWinControl::InvalidateOnParentRemoval(TControl* control) {
  if (handle_ == nullptr || !control->Visible()) return;
  const RECT rect = control->BoundsRect();
  InvalidateRect(handle_, &rect, TRUE);
}

void TWinControl::SetCaption(const std::string& text) {
  if (handle_ != nullptr) {
    SetWindowTextW(handle_, Wide(text).c_str());
  } else {
    TControl::SetCaption(text);
  }
}

void TWinControl::FontChanged() {
  TControl::FontChanged();
  if (handle_ != nullptr) SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), 0);
  for (TControl* child : controls_) child->Perform(kCmParentFontChanged, 0, 0);
  for (TWinControl* child : winControls_) child->Perform(kCmParentFontChanged, 0, 0);
}

void TWinControl::ColorChanged() {
  brush_.SetColor(Color());
  for (TControl* child : controls_) child->Perform(kCmParentColorChanged, 0, 0);
  for (TWinControl* child : winControls_) child->Perform(kCmParentColorChanged, 0, 0);
}

void TWinControl::UpdateControlState() {
  TWinControl* outermost = this;
  while (outermost->Parent() != nullptr) {
    outermost = outermost->Parent();
    if (!outermost->Showing()) return;
  }
  if (outermost->IsTopLevelWindow()) UpdateShowing();
}

void TWinControl::UpdateShowing() {
  const bool showing = Visible() && !Reading() && (Parent() == nullptr || Parent()->Showing());
  if (showing == showing_) {
    for (TWinControl* child : winControls_) child->UpdateShowing();
    return;
  }
  showing_ = showing;
  if (showing) {
    HandleNeeded();
    ShowingChanged();
    for (TWinControl* child : winControls_) child->UpdateShowing();
  } else {
    for (TWinControl* child : winControls_) child->UpdateShowing();
    ShowingChanged();
  }
}

void TWinControl::ShowingChanged() {
  if (handle_ == nullptr) return;
  SetWindowPos(handle_, nullptr, 0, 0, 0, 0,
               (showing_ ? SWP_SHOWWINDOW : SWP_HIDEWINDOW) | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER |
                   SWP_NOACTIVATE);
}

void TWinControl::PaintWindow(HDC) {}

void TWinControl::PaintHandler(TMessage& message) {
  // A parent painting this control lends its device context; otherwise the
  // control paints its own window.
  HDC dc = reinterpret_cast<HDC>(message.WParam);
  std::optional<PaintDC> paint;
  if (dc == nullptr) dc = paint.emplace(handle_).get();

  if (controls_.empty()) {
    PaintWindow(dc);
  } else {
    bool clipEmpty = false;
    {
      SavedDC saved(dc);
      // Opaque children paint over their whole rectangle: leave those out.
      for (TControl* child : controls_) {
        if (!child->Visible() || !(child->ControlStyle() & csOpaque)) continue;
        const RECT r = child->BoundsRect();
        ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
        // Asked of the effective clipping, which the update region limits too.
        RECT box;
        if (GetClipBox(dc, &box) == NULLREGION) {
          clipEmpty = true;
          break;
        }
      }
      if (!clipEmpty) PaintWindow(dc);
    }
    PaintControls(dc);
  }
}

void TWinControl::PaintControls(HDC dc) {
  for (TControl* child : controls_) {
    if (!child->Visible()) continue;
    const RECT r = child->BoundsRect();
    if (!RectVisible(dc, &r)) continue;
    SavedDC saved(dc);
    POINT origin;
    GetWindowOrgEx(dc, &origin);
    SetWindowOrgEx(dc, origin.x - child->Left(), origin.y - child->Top(), nullptr);
    IntersectClipRect(dc, 0, 0, child->Width(), child->Height());
    child->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
  }
}

bool TWinControl::SetProperty(const std::string& name, const LayoutValue& value) {
  if (name == "TabOrder") {
    // Only checked: the focus moves in the order the controls were made.
    value.AsInteger();
    return true;
  }
  if (name == "TabStop") {
    tabStop_ = value.AsBoolean();
    return true;
  }
  return TControl::SetProperty(name, value);
}

void TWinControl::Loaded() {
  TControl::Loaded();
  UpdateControlState();
}
