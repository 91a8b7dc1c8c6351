#include "ui/MessageDialogs.h"

#include "ui/MessageForm.h"

void ShowMessage(const std::string& text) { MessageDlg(text, mtCustom, mbOK, 0); }

int MessageDlg(const std::string& text, TMsgDlgType type, unsigned buttons, int helpContext) {
  // Freed on the way out, also when showing fails.
  const std::unique_ptr<TMessageForm> form = TMessageForm::Create(text, type, buttons);
  form->SetHelpContext(helpContext);
  form->SetPosition(poScreenCenter);
  return form->ShowModal();
}
