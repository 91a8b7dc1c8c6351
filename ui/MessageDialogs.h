#pragma once
// The program's modal boxes: a plain message with an OK button, and questions
// with a choice of buttons. Both are forms of the window layer (TMessageForm),
// centred on the screen and run by the application's message loop, so timers
// and other windows' messages go on while one is open. Neither beeps by itself.

#include <string>

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
// A set of buttons, placed left to right in this order.
enum TMsgDlgBtn : unsigned { mbYes = 1, mbNo = 2, mbOK = 4 };

// The text with an OK button under the application's title; returns once the
// box has been dismissed.
void ShowMessage(const std::string& text);

// The text with the buttons of the set. A confirmation is captioned "確認" and
// shows the question icon; the warning, error and information kinds show their
// system icons; all but the confirmation carry the application's title. Returns
// the modal result: 6 Yes, 7 No, 1 OK, or 2 when the box was closed otherwise
// (close box, Alt+F4, the application terminating).
int MessageDlg(const std::string& text, TMsgDlgType type, unsigned buttons, int helpContext);
