#include "ui/Form.h"

#include "resources/StringIds.h"
#include "text/Exceptions.h"
#include "ui/LayoutReader.h"
#include "ui/LayoutValue.h"
#include "ui/Screen.h"

namespace {
constexpr UINT CM_RELEASE = 0xB021;
constexpr UINT kHideFlags = SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;

// Clears a flag for the rest of a scope, whatever happens in it.
struct FlagScope {
  bool& flag;
  explicit FlagScope(bool& f) : flag(f) { flag = true; }
  ~FlagScope() { flag = false; }
};
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
  FlagScope creating(creating_);
  const std::string layout = LoadLayoutResource(ClassName());
  keptClientWidth_ = 0;
  keptClientHeight_ = 0;
  textHeight_ = 0;
  oldCreateOrder_ = false;
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
    const int screenPixelsPerInch = Screen->PixelsPerInch();
    if ((ScalingFlags() & sfFont) && screenPixelsPerInch != pixelsPerInch_) {
      Font().SetHeight(ScaleValue(Font().Height(), screenPixelsPerInch, pixelsPerInch_));
    }
    pixelsPerInch_ = screenPixelsPerInch;
    // Measuring needs the window's device context: the system window is made here.
    const int measured = canvas_.TextHeight("0");
    if (measured != textHeight_) {
      scaled = true;
      ScaleScrollBars(measured, textHeight_);
      ScaleChildren(measured, textHeight_);
      if (ScalingFlags() & sfWidth) keptClientWidth_ = ScaleValue(keptClientWidth_, measured, textHeight_);
      if (ScalingFlags() & sfHeight) keptClientHeight_ = ScaleValue(keptClientHeight_, measured, textHeight_);
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
  FlagScope inShowOrHide(inShowOrHide_);
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
    PostMessageA(Handle(), CM_RELEASE, 0, 0);
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
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongA(Handle(), GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongA(Handle(), GWL_EXSTYLE)));
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
  const LONG exStyle = GetWindowLongA(Handle(), GWL_EXSTYLE);
  if (exStyle & WS_EX_LAYERED) {
    SetWindowLongA(Handle(), GWL_EXSTYLE, exStyle & ~WS_EX_LAYERED);
    RedrawWindow(Handle(), nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
  }
}

void TCustomForm::CreateHandleDone() {
  UpdateScrollBars();
  HICON icon = nullptr;
  if (borderStyle_ != bsDialog) {
    icon = Application->Icon() != nullptr ? Application->Icon() : LoadIconA(nullptr, IDI_APPLICATION);
  }
  SendMessageA(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
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
        PAINTSTRUCT paint;
        const HDC dc = BeginPaint(Handle(), &paint);
        DrawIcon(dc, 0, 0, Application->Icon() != nullptr ? Application->Icon() : LoadIconA(nullptr, IDI_APPLICATION));
        EndPaint(Handle(), &paint);
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
    case CM_RELEASE:
      // Released outside its own message: the object may not vanish under it.
      Application->QueueCall([this] { delete this; });
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
    oldCreateOrder_ = value.AsBoolean();
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
