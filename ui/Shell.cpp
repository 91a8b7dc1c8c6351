#include "ui/Shell.h"

#include <windows.h>
#include <shellapi.h>

#include "text/Utf16.h"
#include "ui/WinControl.h"

void OpenAddress(TWinControl& window, const std::string& address) {
  ShellExecuteW(window.Handle(), L"OPEN", Wide(address).c_str(), L"", L"", SW_SHOW);
}
