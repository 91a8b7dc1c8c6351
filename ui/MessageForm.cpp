#include "ui/MessageForm.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <memory>

#include "picture/formats/Icon.h"
#include "resources/StringIds.h"
#include "text/Exceptions.h"
#include "text/Utf16.h"
#include "ui/Clipboard.h"
#include "ui/CustomControl.h"
#include "ui/Image.h"
#include "ui/Label.h"
#include "ui/Screen.h"
#include "ui/Sound.h"

namespace {

// The size of the structure as it was before Windows Vista added a field; every
// version accepts it.
constexpr UINT kNonClientMetricsSize = offsetof(NONCLIENTMETRICSW, iPaddedBorderWidth);

struct ButtonKind {
  TMsgDlgBtn bit;
  const char* name;
  unsigned captionId;
  int modalResult;
};
const ButtonKind kButtonKinds[] = {
    {mbYes, "Yes", IDS_YES_BUTTON, mrYes},
    {mbNo, "No", IDS_NO_BUTTON, mrNo},
    {mbOK, "OK", IDS_OK_BUTTON, mrOk},
};

// The width each button's caption needs, measured by the first box that shows
// the button and kept for the whole process (GUI thread only).
int g_buttonWidths[std::size(kButtonKinds)] = {};

MessageFormMeasures g_measuresForTesting;

LPCWSTR IconOf(TMsgDlgType type) {
  switch (type) {
    case mtWarning: return IDI_EXCLAMATION;
    case mtError: return IDI_HAND;
    case mtInformation: return IDI_ASTERISK;
    case mtConfirmation: return IDI_QUESTION;
    default: return nullptr;
  }
}

// X: the average width of the 52 letters A-Z and a-z (rounded down); Y: their height.
SIZE DialogUnits(TCanvas& canvas) {
  if (g_measuresForTesting.dialogUnits) return *g_measuresForTesting.dialogUnits;
  static const wchar_t kLetters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  canvas.RequiredState(csHandleValid | csFontValid);
  SIZE extent{};
  GetTextExtentPointW(canvas.Handle(), kLetters, 52, &extent);
  return SIZE{extent.cx / 52, extent.cy};
}

int CaptionWidth(TCanvas& canvas, const std::string& caption) {
  canvas.RequiredState(csHandleValid | csFontValid);
  RECT rect{0, 0, 0, 0};
  DrawTextW(canvas.Handle(), Wide(caption).c_str(), -1, &rect, DT_CALCRECT | DT_SINGLELINE | DT_LEFT);
  return rect.right - rect.left + 8;
}

// The text wrapped at half the screen's width, tabs expanded. The terminating
// zero is measured with the text.
SIZE TextSize(TCanvas& canvas, const std::string& text) {
  if (g_measuresForTesting.textSize) return *g_measuresForTesting.textSize;
  canvas.RequiredState(csHandleValid | csFontValid);
  RECT rect{0, 0, Screen->Width() / 2, 0};
  const std::wstring wide = Wide(text);
  DrawTextW(canvas.Handle(), wide.c_str(), static_cast<int>(wide.size()) + 1, &rect,
            DT_EXPANDTABS | DT_CALCRECT | DT_WORDBREAK);
  return SIZE{rect.right, rect.bottom};
}

std::string WithoutAmpersands(std::string text) {
  // "&" (0x26) is never a byte of a longer UTF-8 character.
  text.erase(std::remove(text.begin(), text.end(), '&'), text.end());
  return text;
}

}  // namespace

void SetMessageFormMeasuresForTesting(const MessageFormMeasures& measures) { g_measuresForTesting = measures; }

TMessageForm::TMessageForm(TComponent* owner) : TForm(owner) {}

// Where the parts of a box go, in pixels of its client area. Margins, spacings
// and button sizes follow the dialog units of the box's font.
struct TMessageForm::Layout {
  int horzMargin, vertMargin, horzSpacing, vertSpacing;
  int buttonWidth, buttonHeight, buttonSpacing, buttonCount;
  SIZE textSize;
  LPCWSTR icon;
  int iconSize;
  // The icon and the text beside it, and the row of buttons below them.
  int blockWidth, blockHeight, groupWidth;
  int clientWidth, clientHeight;
};

TMessageForm* TMessageForm::Create(const std::string& text, TMsgDlgType type, unsigned buttons) {
  auto* form = new TMessageForm(Application);
  try {
    form->PrepareWindow();
    const Layout layout = form->Measure(text, type, buttons);
    form->PlaceWindow(layout, type);
    if (layout.icon != nullptr) form->AddIcon(layout);
    form->AddMessage(text, layout);
    form->AddButtons(buttons, layout);
  } catch (...) {
    // A box that could not be built is nobody's to show.
    delete form;
    throw;
  }
  return form;
}

void TMessageForm::PrepareWindow() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = kNonClientMetricsSize;
  // The system's message font: on a Japanese system its Japanese UI font, on any
  // other one a font the system's font linking extends with Japanese glyphs, so the
  // box reads in Japanese everywhere; the layout follows its measures.
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, kNonClientMetricsSize, &metrics, 0)) {
    Font().SetHandle(CreateFontIndirectW(&metrics.lfMessageFont));
  }
  // Before anything is measured: measuring makes the window, in this style.
  SetBorderStyle(bsDialog);
  SetKeyPreview(true);
  OnKeyDown = [this](TComponent*, WORD& key, TShiftState shift) { CopyKeyDown(key, shift); };
}

TMessageForm::Layout TMessageForm::Measure(const std::string& text, TMsgDlgType type, unsigned buttons) {
  TCanvas& canvas = Canvas();
  const SIZE units = DialogUnits(canvas);
  Layout layout{};
  layout.horzMargin = ScaleValue(8, units.cx, 4);
  layout.vertMargin = ScaleValue(8, units.cy, 8);
  layout.horzSpacing = ScaleValue(10, units.cx, 4);
  layout.vertSpacing = ScaleValue(10, units.cy, 8);
  layout.buttonHeight = ScaleValue(14, units.cy, 8);
  layout.buttonSpacing = ScaleValue(4, units.cx, 4);
  layout.buttonWidth = ScaleValue(50, units.cx, 4);
  for (size_t i = 0; i < std::size(kButtonKinds); ++i) {
    if ((buttons & kButtonKinds[i].bit) == 0) continue;
    if (g_buttonWidths[i] == 0) g_buttonWidths[i] = CaptionWidth(canvas, ResText(kButtonKinds[i].captionId));
    layout.buttonWidth = std::max(layout.buttonWidth, g_buttonWidths[i]);
    ++layout.buttonCount;
  }
  layout.textSize = TextSize(canvas, text);
  layout.icon = IconOf(type);
  // The system's icon size, which follows the screen's resolution as the font does.
  layout.iconSize = GetSystemMetrics(SM_CXICON);
  layout.blockWidth = layout.textSize.cx;
  layout.blockHeight = layout.textSize.cy;
  if (layout.icon != nullptr) {
    layout.blockWidth += layout.iconSize + layout.horzSpacing;
    layout.blockHeight = std::max(layout.blockHeight, layout.iconSize);
  }
  const int count = layout.buttonCount;
  layout.groupWidth = count > 0 ? count * layout.buttonWidth + (count - 1) * layout.buttonSpacing : 0;
  layout.clientWidth = std::max(layout.blockWidth, layout.groupWidth) + 2 * layout.horzMargin;
  layout.clientHeight = layout.blockHeight + layout.buttonHeight + layout.vertSpacing + 2 * layout.vertMargin;
  return layout;
}

void TMessageForm::PlaceWindow(const Layout& layout, TMsgDlgType type) {
  SetClientWidth(layout.clientWidth);
  SetClientHeight(layout.clientHeight);
  SetBounds(Screen->Width() / 2 - Width() / 2, Screen->Height() / 2 - Height() / 2, Width(), Height());
  SetCaption(type == mtConfirmation ? ResText(IDS_CONFIRMATION) : Application->Title());
}

void TMessageForm::AddIcon(const Layout& layout) {
  auto* image = new TImage(this);
  image->SetName("Image");
  image->SetParent(this);
  image->Picture().TakeGraphic(std::make_unique<TIcon>(LoadIconW(nullptr, layout.icon)));
  image->SetBounds(layout.horzMargin, layout.vertMargin, layout.iconSize, layout.iconSize);
}

void TMessageForm::AddMessage(const std::string& text, const Layout& layout) {
  auto* label = new TLabel(this);
  label->SetName("Message");
  label->SetParent(this);
  label->SetWordWrap(true);
  label->SetCaption(text);
  label->SetBounds(layout.blockWidth - layout.textSize.cx + layout.horzMargin, layout.vertMargin,
                   layout.textSize.cx, layout.textSize.cy);
  message_ = label;
}

void TMessageForm::AddButtons(unsigned buttons, const Layout& layout) {
  const TMsgDlgBtn defaultButton = (buttons & mbOK) ? mbOK : mbYes;
  const TMsgDlgBtn cancelButton = (buttons & mbNo) ? mbNo : mbOK;
  int x = (layout.clientWidth - layout.groupWidth) / 2;
  const int y = layout.blockHeight + layout.vertMargin + layout.vertSpacing;
  for (const ButtonKind& kind : kButtonKinds) {
    if ((buttons & kind.bit) == 0) continue;
    auto* button = new TButton(this);
    button->SetName(kind.name);
    button->SetParent(this);
    button->SetCaption(ResText(kind.captionId));
    button->SetModalResult(kind.modalResult);
    button->SetDefault(kind.bit == defaultButton);
    button->SetCancel(kind.bit == cancelButton);
    button->SetBounds(x, y, layout.buttonWidth, layout.buttonHeight);
    x += layout.buttonWidth + layout.buttonSpacing;
  }
}

std::string TMessageForm::CopyText() {
  const std::string divider = std::string(27, '-') + "\r\n";
  std::string buttonLine;
  for (int i = 0; i < ComponentCount(); ++i) {
    if (auto* button = dynamic_cast<TButton*>(Component(i))) buttonLine += WithoutAmpersands(button->Caption()) + "   ";
  }
  const std::string text = message_ != nullptr ? message_->Caption() : std::string();
  return divider + Caption() + "\r\n" + divider + text + "\r\n" + divider + buttonLine + "\r\n" + divider;
}

void TMessageForm::CopyKeyDown(WORD& key, TShiftState shift) {
  // The key goes on to the focused button, where it does nothing.
  if (key != 'C' || shift != ssCtrl) return;
  DefaultBeep();
  SetClipboardText(CopyText());
}
