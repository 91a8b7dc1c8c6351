#include "ui/Form.h"

#include <algorithm>
#include <vector>

#include "gdi/Handles.h"
#include "resources/StringIds.h"
#include "text/Exceptions.h"
#include "ui/LayoutReader.h"
#include "ui/LayoutValue.h"
#include "ui/Screen.h"
#include "ui/TaskWindows.h"

namespace {
constexpr UINT kHideFlags = SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
}  // namespace

// ---- TScrollingWinControl ----

void TScrollingWinControl::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.windowClass.style &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TScrollingWinControl::UpdateScrollBars() {
  if (!HandleAllocated()) return;
  const struct {
    int bar;
    const TControlScrollBar& state;
  } bars[] = {{SB_HORZ, horzScrollBar_}, {SB_VERT, vertScrollBar_}};
  for (const auto& entry : bars) {
    if (entry.state.visible && entry.state.range > 0) {
      SetScrollRange(Handle(), entry.bar, 0, entry.state.range, TRUE);
    } else {
      ShowScrollBar(Handle(), entry.bar, FALSE);
    }
  }
}

void TScrollingWinControl::ScaleScrollBars(int multiplier, int divisor) {
  for (TControlScrollBar* bar : {&horzScrollBar_, &vertScrollBar_}) {
    bar->position = 0;
    bar->range = ScaleValue(bar->range, multiplier, divisor);
  }
}

bool TScrollingWinControl::SetProperty(const std::string& name, const LayoutValue& value) {
  if (name == "HorzScrollBar.Visible") {
    horzScrollBar_.visible = value.AsBoolean();
  } else if (name == "VertScrollBar.Visible") {
    vertScrollBar_.visible = value.AsBoolean();
  } else if (name == "HorzScrollBar.Range") {
    horzScrollBar_.range = value.AsInteger();
  } else if (name == "VertScrollBar.Range") {
    vertScrollBar_.range = value.AsInteger();
  } else if (name == "AutoScroll") {
    autoScroll_ = value.AsBoolean();
  } else {
    return TWinControl::SetProperty(name, value);
  }
  return true;
}

// ---- TCustomForm ----

TCustomForm::TCustomForm(TComponent* owner)
    : TScrollingWinControl(owner), pixelsPerInch_(Screen->PixelsPerInch()) {
  SetControlStyle(csAcceptsControls);
  StoreBounds(0, 0, 320, 240);
  TControl::SetVisible(false);
  SetParentFont(false);
  SetParentColor(false);
  SetColor(clBtnFace);  // with Ctl3D a window colour becomes the button face
  canvas_.SetControl(this);
  canvas_.Font().Assign(Font());
  canvas_.Brush().SetColor(Color());
  Screen->AddForm(this);
}

TCustomForm::~TCustomForm() {
  if (HandleAllocated() && IsWindowVisible(Handle())) ShowWindow(Handle(), SW_HIDE);
  if (Application != nullptr) Application->ForgetForm(this);
  canvas_.FreeHandle();
  DestroyWindowHandle();
  Screen->RemoveForm(this);
  if (Application != nullptr) Application->UpdateVisible(AnyFormVisible());
  DestroyComponents();
}

void TCustomForm::ReadLayout() {
  const ScopedValue<bool> creating(creating_, true);
  const std::string layout = LoadLayoutResource(ClassName());
  keptClientWidth_ = 0;
  keptClientHeight_ = 0;
  textHeight_ = 0;
  BeginReading();
  const std::vector<TComponent*> made =
      ApplyLayout(layout, *this, [this](const std::string& name) { return FindHandler(name); });
  ScaleAfterReading();
  for (TComponent* component : made) component->Loaded();
  Loaded();
}

TNotifyEvent TCustomForm::FindHandler(const std::string&) { return TNotifyEvent(); }

void TCustomForm::ScaleAfterReading() {
  bool scaled = false;
  if (pixelsPerInch_ != 0 && textHeight_ > 0) {
    const int designed = pixelsPerInch_;
    const int screenPixelsPerInch = Screen->PixelsPerInch();
    if ((ScalingFlags() & sfFont) && screenPixelsPerInch != designed) {
      Font().SetHeight(ScaleValue(Font().Height(), screenPixelsPerInch, designed));
    }
    pixelsPerInch_ = screenPixelsPerInch;
    // Scaled by the resolution alone, never by the measured height of the layout's
    // font: a system without that font substitutes one of another height, and the
    // window and the saved picture would change size with it. Where the font is
    // there, both ways give the same result.
    if (screenPixelsPerInch != designed) {
      scaled = true;
      ScaleScrollBars(screenPixelsPerInch, designed);
      ScaleChildren(screenPixelsPerInch, designed);
      if (ScalingFlags() & sfWidth) keptClientWidth_ = ScaleValue(keptClientWidth_, screenPixelsPerInch, designed);
      if (ScalingFlags() & sfHeight) keptClientHeight_ = ScaleValue(keptClientHeight_, screenPixelsPerInch, designed);
    }
  }
  if (keptClientWidth_ > 0) TControl::SetClientWidth(keptClientWidth_);
  if (keptClientHeight_ > 0) TControl::SetClientHeight(keptClientHeight_);
  SetScalingFlags(0);
  if (!scaled) ScaleChildren(1, 1);  // clears the children's flags
}

void TCustomForm::AfterConstruction() {
  try {
    Fire(OnCreate, this);
  } catch (...) {
    Application->HandleException(this);
  }
  if (visibleRequested_) SetVisible(true);
}

void TCustomForm::SetBorderStyle(TFormBorderStyle value) {
  borderStyle_ = value;
  if (value != bsSizeable && value != bsSizeToolWin) SetAutoScroll(false);
}

void TCustomForm::SetFormStyle(TFormStyle value) {
  if (formStyle_ == value) return;
  formStyle_ = value;
  if (HandleAllocated()) {
    SetWindowPos(Handle(), value == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
  }
}

void TCustomForm::SetWindowState(TWindowState value) {
  if (windowState_ == value) return;
  windowState_ = value;
  if (!Showing()) return;
  switch (value) {
    case TWindowState::wsMinimized: ShowWindow(Handle(), SW_SHOWMINIMIZED); break;
    case TWindowState::wsMaximized: ShowWindow(Handle(), SW_SHOWMAXIMIZED); break;
    default: ShowWindow(Handle(), SW_SHOWNORMAL); break;
  }
}

void TCustomForm::SetVisible(bool value) {
  if (inShowOrHide_) throw EInvalidOperation(ResText(IDS_VISIBILITY_CHANGE));
  if (creating_) {
    visibleRequested_ = value;
    return;
  }
  TScrollingWinControl::SetVisible(value);
}

bool TCustomForm::AnyFormVisible() {
  for (TCustomForm* form : Screen->Forms()) {
    if (form->Visible()) return true;
  }
  return false;
}

void TCustomForm::ShowingChanged() {
  const ScopedValue<bool> inShowOrHide(inShowOrHide_, true);
  Application->UpdateVisible(AnyFormVisible());
  if (Showing()) {
    try {
      Fire(OnShow, this);
    } catch (...) {
      Application->HandleException(this);
    }
    ApplyPosition();
    switch (windowState_) {
      case TWindowState::wsMinimized: ShowWindow(Handle(), SW_SHOWMINNOACTIVE); break;
      case TWindowState::wsMaximized: ShowWindow(Handle(), SW_SHOWMAXIMIZED); break;
      default: ShowWindow(Handle(), SW_SHOWNORMAL); break;
    }
  } else {
    try {
      Fire(OnHide, this);
    } catch (...) {
      Application->HandleException(this);
    }
    HideWindow();
  }
}

void TCustomForm::ApplyPosition() {
  if (position_ != poScreenCenter) return;
  position_ = poDesigned;
  const int left = (Screen->Width() - Width()) / 2;
  const int top = (Screen->Height() - Height()) / 2;
  SetBounds(left < 0 ? 0 : left, top < 0 ? 0 : top, Width(), Height());
}

void TCustomForm::HideWindow() {
  if (!HandleAllocated()) return;
  const HWND window = Handle();
  if (modal_) {
    SetWindowPos(window, nullptr, 0, 0, 0, 0, kHideFlags);
    return;
  }
  if (GetActiveWindow() == window && !IsIconic(window)) {
    // Another visible form takes over the activation.
    for (TCustomForm* form : Screen->Forms()) {
      if (form == this || !form->Visible() || !form->HandleAllocated() || !IsWindowEnabled(form->Handle())) continue;
      SetWindowPos(window, nullptr, 0, 0, 0, 0, kHideFlags);
      SetActiveWindow(form->Handle());
      return;
    }
  }
  ShowWindow(window, SW_HIDE);
}

void TCustomForm::Close() {
  if (modal_) {
    modalResult_ = mrCancel;
    return;
  }
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  if (!canClose) return;
  TCloseAction action = caHide;
  if (OnClose) OnClose(this, action);
  if (action == caNone) return;
  if (Application->MainForm() == static_cast<ApplicationForm*>(this)) {
    Application->Terminate();
  } else if (action == caHide) {
    Hide();
  } else if (action == caMinimize) {
    SetWindowState(TWindowState::wsMinimized);
  } else {
    PostMessageW(Handle(), kCmRelease, 0, 0);
  }
}

void TCustomForm::SetClientWidth(int value) {
  if (Reading()) {
    keptClientWidth_ = value;
    AddScalingFlags(sfWidth);
    return;
  }
  TControl::SetClientWidth(value);
}

void TCustomForm::SetClientHeight(int value) {
  if (Reading()) {
    keptClientHeight_ = value;
    AddScalingFlags(sfHeight);
    return;
  }
  TControl::SetClientHeight(value);
}

RECT TCustomForm::ClientRect() {
  if (!HandleAllocated() || !IsIconic(Handle())) return TScrollingWinControl::ClientRect();
  // A minimized window has no client area to ask for: take off the frame.
  RECT frame{0, 0, 0, 0};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(Handle(), GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongW(Handle(), GWL_EXSTYLE)));
  return RECT{0, 0, Width() - (frame.right - frame.left), Height() - (frame.bottom - frame.top)};
}

void TCustomForm::CreateParams(TCreateParams& params) {
  TScrollingWinControl::CreateParams(params);
  if (Parent() == nullptr) {
    params.parent = Application->Handle();
    params.style &= ~(WS_CHILD | WS_GROUP | WS_TABSTOP);
  }
  params.windowClass.style = CS_DBLCLKS;
  unsigned icons = borderIcons_;
  switch (borderStyle_) {
    case bsToolWindow:
    case bsSizeToolWin:
      params.style |= WS_CAPTION | (borderStyle_ == bsSizeToolWin ? WS_THICKFRAME : 0);
      params.exStyle = WS_EX_TOOLWINDOW;
      icons &= biSystemMenu;
      windowState_ = TWindowState::wsNormal;
      break;
    case bsDialog:
      params.style |= WS_POPUP | WS_CAPTION;
      params.exStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
      params.windowClass.style = CS_DBLCLKS | CS_SAVEBITS | CS_BYTEALIGNWINDOW;
      icons &= biSystemMenu | biHelp;
      if (icons & biHelp) params.exStyle |= WS_EX_CONTEXTHELP;
      windowState_ = TWindowState::wsNormal;
      break;
    case bsSizeable:
    case bsSingle:
      params.style |= WS_CAPTION | (borderStyle_ == bsSizeable ? WS_THICKFRAME : WS_BORDER);
      if (icons & biMinimize) params.style |= WS_MINIMIZEBOX;
      if (icons & biMaximize) params.style |= WS_MAXIMIZEBOX;
      break;
    case bsNone:
      params.style |= WS_POPUP;
      break;
  }
  if (icons & biSystemMenu) params.style |= WS_SYSMENU;
}

void TCustomForm::CreateWindowHandle(const TCreateParams& params) {
  TCreateParams adjusted = params;
  adjusted.exStyle &= ~WS_EX_LAYERED;
  TScrollingWinControl::CreateWindowHandle(adjusted);
  const LONG exStyle = GetWindowLongW(Handle(), GWL_EXSTYLE);
  if (exStyle & WS_EX_LAYERED) {
    SetWindowLongW(Handle(), GWL_EXSTYLE, exStyle & ~WS_EX_LAYERED);
    RedrawWindow(Handle(), nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
  }
}

void TCustomForm::CreateHandleDone() {
  UpdateScrollBars();
  const HICON icon = borderStyle_ != bsDialog ? Application->ShownIcon() : nullptr;
  SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  if (formStyle_ == fsStayOnTop) {
    SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
  }
}

void TCustomForm::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_CLOSE:
      Close();
      return;
    case WM_PAINT:
      if (IsIconic(Handle())) {
        const PaintDC paint(Handle());
        DrawIcon(paint.get(), 0, 0, Application->ShownIcon());
        return;
      }
      break;
    case WM_ERASEBKGND:
      if (IsIconic(Handle())) {
        DefaultHandler(message);
        return;
      }
      break;
    case WM_ACTIVATE:
      if (LOWORD(message.WParam) != WA_INACTIVE) Screen->SetActiveForm(this);
      break;
    case kCmRelease:
      // Released outside its own message: the object may not vanish under it.
      Application->QueueCall([this] { delete this; });
      return;
    case WM_SETFOCUS:
      // The focus belongs on a control of the form when one can take it.
      if (FocusActiveControl()) return;
      break;
    case kCmActivate:
      FocusActiveControl();
      return;
    default:
      break;
  }
  TScrollingWinControl::WndProc(message);
}

void TCustomForm::PaintWindow(HDC dc) {
  CanvasPaintScope painting(canvas_, dc);
  Fire(OnPaint, this);
}

void TCustomForm::FontChanged() {
  TScrollingWinControl::FontChanged();
  canvas_.Font().Assign(Font());
}

void TCustomForm::ColorChanged() {
  TScrollingWinControl::ColorChanged();
  canvas_.Brush().SetColor(Color());
}

bool TCustomForm::SetProperty(const std::string& name, const LayoutValue& value) {
  if (name == "BorderStyle") {
    SetBorderStyle(static_cast<TFormBorderStyle>(
        EnumValue(value, {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"})));
  } else if (name == "BorderIcons") {
    unsigned icons = 0;
    for (const std::string& item : value.AsSet()) {
      LayoutValue icon;
      icon.kind = LayoutValue::Kind::Name;
      icon.text = item;
      icons |= 1u << EnumValue(icon, {"biSystemMenu", "biMinimize", "biMaximize", "biHelp"});
    }
    SetBorderIcons(icons);
  } else if (name == "FormStyle") {
    SetFormStyle(static_cast<TFormStyle>(EnumValue(value, {"fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop"})));
  } else if (name == "WindowState") {
    SetWindowState(static_cast<TWindowState>(EnumValue(value, {"wsNormal", "wsMinimized", "wsMaximized"})));
  } else if (name == "Position") {
    SetPosition(static_cast<TPosition>(
        EnumValue(value, {"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly", "poScreenCenter"})));
  } else if (name == "PixelsPerInch") {
    const int pixels = value.AsInteger();
    // Values from 1 to 35 are not resolutions; an unscaled form stays unscaled.
    if ((pixels == 0 || pixels >= 36) && pixelsPerInch_ != 0) pixelsPerInch_ = pixels;
  } else if (name == "TextHeight") {
    textHeight_ = value.AsInteger();
  } else if (name == "OldCreateOrder") {
    // Only checked: a form runs its creation handler at one moment, whatever the layout says.
    value.AsBoolean();
  } else if (name == "KeyPreview") {
    keyPreview_ = value.AsBoolean();
  } else {
    return TScrollingWinControl::SetProperty(name, value);
  }
  return true;
}

bool TCustomForm::SetEvent(const std::string& name, TNotifyEvent handler) {
  if (name == "OnCreate") {
    OnCreate = std::move(handler);
  } else if (name == "OnShow") {
    OnShow = std::move(handler);
  } else if (name == "OnHide") {
    OnHide = std::move(handler);
  } else if (name == "OnPaint") {
    OnPaint = std::move(handler);
  } else {
    return TScrollingWinControl::SetEvent(name, std::move(handler));
  }
  return true;
}

// ---- Modal show, focus and keys ----

namespace {

// The modifier keys as the thread's input saw them with the key message; Alt
// comes with the message itself.
TShiftState KeyShiftState(LPARAM keyData) {
  TShiftState shift = 0;
  if (GetKeyState(VK_SHIFT) < 0) shift |= ssShift;
  if (GetKeyState(VK_CONTROL) < 0) shift |= ssCtrl;
  if (keyData & 0x20000000) shift |= ssAlt;
  return shift;
}

// The windowed controls inside the parent, in the order they were made, the
// children of each following it.
void CollectTabOrder(const TWinControl& parent, std::vector<TWinControl*>& order) {
  for (TWinControl* child : parent.WinControls()) {
    order.push_back(child);
    CollectTabOrder(*child, order);
  }
}

bool IsAnyForm(const TCustomForm* form) {
  for (const TCustomForm* candidate : Screen->Forms()) {
    if (candidate == form) return true;
  }
  return false;
}

}  // namespace

TCustomForm* ParentFormOf(TControl* control) {
  if (control == nullptr) return nullptr;
  while (control->Parent() != nullptr) control = control->Parent();
  return dynamic_cast<TCustomForm*>(control);
}

// What a modal show takes from the rest of the program and gives back on every
// way out of it, a failure in its loop included.
class TCustomForm::ModalScope {
public:
  explicit ModalScope(TCustomForm& form)
      : form_(form), activeWindow_(GetActiveWindow()), activeForm_(Screen->ActiveForm()) {
    form_.modal_ = true;
    // The application window is among them: disabling it takes the stay-on-top
    // windows out of the topmost band, and enabling it puts them back.
    disabled_ = DisableTaskWindows();
  }
  ~ModalScope() {
    try {
      // Still modal: a modal form is hidden without passing on the activation.
      form_.Hide();
    } catch (...) {
      Application->HandleException(&form_);
    }
    EnableTaskWindows(disabled_);
    if (activeForm_ == nullptr || IsAnyForm(activeForm_)) Screen->SetActiveForm(activeForm_);
    if (activeWindow_ != nullptr && IsWindow(activeWindow_)) SetActiveWindow(activeWindow_);
    form_.modal_ = false;
  }
  ModalScope(const ModalScope&) = delete;
  ModalScope& operator=(const ModalScope&) = delete;

  // The user went to another window meanwhile: leave the activation there.
  void ForgetActiveWindow() { activeWindow_ = nullptr; }

private:
  TCustomForm& form_;
  HWND activeWindow_;
  TCustomForm* activeForm_;
  std::vector<HWND> disabled_;
};

int TCustomForm::ShowModal() {
  if (Visible() || !Enabled() || modal_) throw EInvalidOperation(ResText(IDS_CANNOT_SHOW_MODAL));
  if (const HWND capture = GetCapture()) SendMessageW(capture, WM_CANCELMODE, 0, 0);
  ReleaseCapture();
  ModalScope scope(*this);
  Show();
  SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SendMessageW(Handle(), kCmActivate, 0, 0);
  modalResult_ = mrNone;
  do {
    Application->HandleMessage();
    if (Application->Terminated()) {
      modalResult_ = mrCancel;
    } else if (modalResult_ != mrNone) {
      CloseModal();
    }
  } while (modalResult_ == mrNone);
  SendMessageW(Handle(), kCmDeactivate, 0, 0);
  if (GetActiveWindow() != Handle()) scope.ForgetActiveWindow();
  return modalResult_;
}

void TCustomForm::CloseModal() {
  try {
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(this, canClose);
    TCloseAction action = canClose ? caHide : caNone;
    if (canClose && OnClose) OnClose(this, action);
    // Whoever showed the form frees it; only "none" keeps it open.
    if (action == caNone) modalResult_ = mrNone;
  } catch (...) {
    modalResult_ = mrNone;
    Application->HandleException(this);
  }
}

TWinControl* TCustomForm::ActiveControl() {
  if (activeWindow_ == nullptr || !HandleAllocated() || !IsChild(Handle(), activeWindow_)) return nullptr;
  return dynamic_cast<TWinControl*>(FindControl(activeWindow_));
}

void TCustomForm::ControlFocused(TWinControl& control) {
  TWinControl* focused = nullptr;
  if (&control != this) {
    activeWindow_ = control.Handle();
    focused = &control;
  }
  Broadcast(kCmFocusChanged, 0, reinterpret_cast<LPARAM>(focused));
}

bool TCustomForm::FocusActiveControl() {
  TWinControl* control = ActiveControl();
  if (control == nullptr || !control->CanFocus()) {
    std::vector<TWinControl*> order;
    CollectTabOrder(*this, order);
    control = nullptr;
    for (TWinControl* candidate : order) {
      if (candidate->TabStop() && candidate->CanFocus()) {
        control = candidate;
        break;
      }
    }
  }
  if (control == nullptr) return false;
  control->Focus();
  return control->Focused();
}

bool TCustomForm::SelectNext(bool forward, bool tabStopsOnly) {
  std::vector<TWinControl*> order;
  CollectTabOrder(*this, order);
  std::vector<TWinControl*> candidates;
  for (TWinControl* control : order) {
    if (control->CanFocus() && (!tabStopsOnly || control->TabStop())) candidates.push_back(control);
  }
  if (candidates.empty()) return false;
  const int count = static_cast<int>(candidates.size());
  const auto found = std::find(candidates.begin(), candidates.end(), ActiveControl());
  int index = found != candidates.end() ? static_cast<int>(found - candidates.begin()) : (forward ? -1 : count);
  index = ((index + (forward ? 1 : -1)) % count + count) % count;
  candidates[static_cast<size_t>(index)]->Focus();
  return true;
}

bool TCustomForm::DialogKey(WORD key, TShiftState shift) {
  switch (key) {
    case VK_TAB:
      if (shift & (ssAlt | ssCtrl)) return false;
      return SelectNext((shift & ssShift) == 0, true);
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
      if (shift & (ssAlt | ssCtrl)) return false;
      return SelectNext(key == VK_RIGHT || key == VK_DOWN, false);
    case VK_RETURN:
    case VK_ESCAPE:
      return Broadcast(kCmDialogKey, key, static_cast<LPARAM>(shift)) != 0;
    default:
      return false;
  }
}

bool TCustomForm::ControlKey(TWinControl& control, UINT message, WPARAM wParam, LPARAM lParam) {
  const TShiftState shift = KeyShiftState(lParam);
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      WORD key = static_cast<WORD>(wParam);
      if (OnKeyDown && (keyPreview_ || &control == this)) {
        OnKeyDown(this, key, shift);
        if (key == 0) return true;
      }
      return message == WM_KEYDOWN && DialogKey(key, shift);
    }
    case WM_CHAR:
    case WM_SYSCHAR:
      // Accelerator letters, typed with Alt or without.
      return Broadcast(kCmDialogChar, wParam, static_cast<LPARAM>(shift)) != 0;
    default:
      return false;
  }
}
