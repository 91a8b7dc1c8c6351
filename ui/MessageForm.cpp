#include "ui/MessageForm.h"

#include <algorithm>
#include <iterator>

#include "picture/Icon.h"
#include "resources/StringIds.h"
#include "text/Exceptions.h"
#include "ui/Clipboard.h"
#include "ui/CustomControl.h"
#include "ui/Image.h"
#include "ui/Label.h"
#include "ui/Screen.h"
#include "ui/Sound.h"

namespace {

// The size of the structure as it was before Windows Vista added a field; every
// version accepts it.
constexpr UINT kNonClientMetricsSize = 340;
constexpr int kIconSize = 32;

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

LPCSTR IconOf(TMsgDlgType type) {
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
  static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  canvas.RequiredState(csHandleValid | csFontValid);
  SIZE extent{};
  GetTextExtentPointA(canvas.Handle(), kLetters, 52, &extent);
  return SIZE{extent.cx / 52, extent.cy};
}

int CaptionWidth(TCanvas& canvas, const std::string& caption) {
  canvas.RequiredState(csHandleValid | csFontValid);
  RECT rect{0, 0, 0, 0};
  DrawTextA(canvas.Handle(), caption.c_str(), -1, &rect, DT_CALCRECT | DT_SINGLELINE | DT_LEFT);
  return rect.right - rect.left + 8;
}

// The text wrapped at half the screen's width, tabs expanded. The terminating
// zero is measured with the text.
SIZE TextSize(TCanvas& canvas, const std::string& text) {
  if (g_measuresForTesting.textSize) return *g_measuresForTesting.textSize;
  canvas.RequiredState(csHandleValid | csFontValid);
  RECT rect{0, 0, Screen->Width() / 2, 0};
  DrawTextA(canvas.Handle(), text.c_str(), static_cast<int>(text.size()) + 1, &rect,
            DT_EXPANDTABS | DT_CALCRECT | DT_WORDBREAK);
  return SIZE{rect.right, rect.bottom};
}

std::string WithoutAmpersands(std::string text) {
  // "&" (0x26) is never the second byte of a Shift-JIS character.
  text.erase(std::remove(text.begin(), text.end(), '&'), text.end());
  return text;
}

}  // namespace

void SetMessageFormMeasuresForTesting(const MessageFormMeasures& measures) { g_measuresForTesting = measures; }

TMessageForm::TMessageForm(TComponent* owner) : TForm(owner) {}

std::unique_ptr<TMessageForm> TMessageForm::Create(const std::string& text, TMsgDlgType type, unsigned buttons) {
  auto form = std::make_unique<TMessageForm>(Application);
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = kNonClientMetricsSize;
  if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, kNonClientMetricsSize, &metrics, 0)) {
    form->Font().SetHandle(CreateFontIndirectA(&metrics.lfMessageFont));
  }
  // Before anything is measured: measuring makes the window, in this style.
  form->SetBorderStyle(bsDialog);
  form->SetKeyPreview(true);
  TMessageForm* self = form.get();
  form->OnKeyDown = [self](TComponent*, WORD& key, TShiftState shift) { self->CopyKeyDown(key, shift); };

  TCanvas& canvas = form->Canvas();
  const SIZE units = DialogUnits(canvas);
  const int horzMargin = ScaleValue(8, units.cx, 4);
  const int vertMargin = ScaleValue(8, units.cy, 8);
  const int horzSpacing = ScaleValue(10, units.cx, 4);
  const int vertSpacing = ScaleValue(10, units.cy, 8);
  const int buttonHeight = ScaleValue(14, units.cy, 8);
  const int buttonSpacing = ScaleValue(4, units.cx, 4);
  int buttonWidth = ScaleValue(50, units.cx, 4);
  int buttonCount = 0;
  for (size_t i = 0; i < std::size(kButtonKinds); ++i) {
    if ((buttons & kButtonKinds[i].bit) == 0) continue;
    if (g_buttonWidths[i] == 0) g_buttonWidths[i] = CaptionWidth(canvas, ResText(kButtonKinds[i].captionId));
    buttonWidth = std::max(buttonWidth, g_buttonWidths[i]);
    ++buttonCount;
  }

  const SIZE textSize = TextSize(canvas, text);
  const LPCSTR icon = IconOf(type);
  int blockWidth = textSize.cx;
  int blockHeight = textSize.cy;
  if (icon != nullptr) {
    blockWidth += kIconSize + horzSpacing;
    blockHeight = std::max(blockHeight, kIconSize);
  }
  const int groupWidth = buttonCount > 0 ? buttonCount * buttonWidth + (buttonCount - 1) * buttonSpacing : 0;
  const int clientWidth = std::max(blockWidth, groupWidth) + 2 * horzMargin;
  form->SetClientWidth(clientWidth);
  form->SetClientHeight(blockHeight + buttonHeight + vertSpacing + 2 * vertMargin);
  form->SetBounds(Screen->Width() / 2 - form->Width() / 2, Screen->Height() / 2 - form->Height() / 2,
                  form->Width(), form->Height());
  form->SetCaption(type == mtConfirmation ? ResText(IDS_CONFIRMATION) : Application->Title());

  if (icon != nullptr) {
    auto* image = new TImage(self);
    image->SetName("Image");
    image->SetParent(self);
    image->Picture().TakeGraphic(std::make_unique<TIcon>(LoadIconA(nullptr, icon)));
    image->SetBounds(horzMargin, vertMargin, kIconSize, kIconSize);
  }

  auto* label = new TLabel(self);
  label->SetName("Message");
  label->SetParent(self);
  label->SetWordWrap(true);
  label->SetCaption(text);
  label->SetBounds(blockWidth - textSize.cx + horzMargin, vertMargin, textSize.cx, textSize.cy);
  form->message_ = label;

  const TMsgDlgBtn defaultButton = (buttons & mbOK) ? mbOK : mbYes;
  const TMsgDlgBtn cancelButton = (buttons & mbNo) ? mbNo : mbOK;
  int x = (clientWidth - groupWidth) / 2;
  const int y = blockHeight + vertMargin + vertSpacing;
  for (const ButtonKind& kind : kButtonKinds) {
    if ((buttons & kind.bit) == 0) continue;
    auto* button = new TButton(self);
    button->SetName(kind.name);
    button->SetParent(self);
    button->SetCaption(ResText(kind.captionId));
    button->SetModalResult(kind.modalResult);
    button->SetDefault(kind.bit == defaultButton);
    button->SetCancel(kind.bit == cancelButton);
    button->SetBounds(x, y, buttonWidth, buttonHeight);
    x += buttonWidth + buttonSpacing;
  }
  return form;
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
