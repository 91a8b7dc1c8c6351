#include "ui/Shell.h"

#include <windows.h>
#include <shellapi.h>

#include "ui/WinControl.h"

void OpenAddress(TWinControl& window, const std::string& address) {
  ShellExecuteA(window.Handle(), "OPEN", address.c_str(), "", "", SW_SHOW);
}
