#pragma once
// TMessageForm: the form of the program's message boxes, and the one builder that
// makes both kinds. The builder measures the text in the system's message font,
// wraps it at half the screen's width and derives every margin, spacing and
// button size from the font's average letter size ("dialog units").

#include <windows.h>

#include <optional>
#include <string>

#include "ui/Form.h"
#include "ui/MessageDialogs.h"

class TLabel;

class TMessageForm : public TForm {
public:
  // A bare form without text or buttons; Create builds a whole box.
  explicit TMessageForm(TComponent* owner);
  const char* ClassName() const override { return "TMessageForm"; }

  // An invisible box owned by the application: the caption and icon of the
  // type, the label "Message" with the text, and the buttons of the set, named
  // "Yes", "No" and "OK" and placed in that order. OK (else Yes) answers Enter
  // at first, No (else OK) answers Escape. Whoever shows the box frees it when
  // done with it (freeing a component takes it from its owner); otherwise the
  // application frees it at the end.
  static TMessageForm* Create(const std::string& text, TMsgDlgType type, unsigned buttons);

  TLabel* Message() const { return message_; }
  int HelpContext() const { return helpContext_; }
  void SetHelpContext(int value) { helpContext_ = value; }

  // What Ctrl+C puts on the clipboard: the caption, the text and the button
  // captions (without "&", each followed by three blanks), between lines of
  // 27 "-". Ctrl+C also beeps.
  std::string CopyText();

private:
  struct Layout;
  // The steps of Create.
  void PrepareWindow();
  Layout Measure(const std::string& text, TMsgDlgType type, unsigned buttons);
  void PlaceWindow(const Layout& layout, TMsgDlgType type);
  void AddIcon(const Layout& layout);
  void AddMessage(const std::string& text, const Layout& layout);
  void AddButtons(unsigned buttons, const Layout& layout);
  void CopyKeyDown(WORD& key, TShiftState shift);

  TLabel* message_ = nullptr;
  int helpContext_ = 0;
};

// Tests fix what the builder would measure on the form's canvas: the dialog
// units (the letters' average width and their height) and the wrapped text's size.
struct MessageFormMeasures {
  std::optional<SIZE> dialogUnits;
  std::optional<SIZE> textSize;
};
void SetMessageFormMeasuresForTesting(const MessageFormMeasures& measures);
