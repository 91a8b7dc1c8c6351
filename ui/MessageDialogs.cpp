#include "ui/MessageDialogs.h"

#include "gdi/Handles.h"
#include "ui/MessageForm.h"

void ShowMessage(const std::string& text) { MessageDlg(text, mtCustom, mbOK, 0); }

int MessageDlg(const std::string& text, TMsgDlgType type, unsigned buttons, int helpContext) {
  TMessageForm* form = TMessageForm::Create(text, type, buttons);
  // Freed on the way out, also when showing fails.
  const ScopeExit free([form] { delete form; });
  form->SetHelpContext(helpContext);
  form->SetPosition(poScreenCenter);
  return form->ShowModal();
}
