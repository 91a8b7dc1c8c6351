#pragma once
// Putting text on the system clipboard.

#include <string>

// Replaces the clipboard's contents with the text as CF_TEXT. A clipboard that
// another program holds open raises Exception "クリップボードを開くことができません";
// any later step that fails raises EOSError, and the clipboard is left closed.
void SetClipboardText(const std::string& text);
