// The program's entry: name the application, create the main window, run the
// message loop until that window closes. Always returns 0.
#include <windows.h>

#include "presenter/Mainwindow1.h"
#include "text/Exceptions.h"
#include "ui/Application.h"
#include "ui/Platform.h"

namespace {

void ShowStartFailure(const Exception& failure) {
  if (Application != nullptr) {
    Application->ShowException(failure);
  } else {
    // Start-up itself failed: there is no application window to own the box.
    MessageBoxA(nullptr, failure.Message().c_str(), nullptr, MB_OK | MB_ICONSTOP);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  try {
    StartPlatform();
    Application->SetTitle("ミロカテ");
    Application->CreateForm(MainForm1);
    Application->Run();
  } catch (const Exception& failure) {
    ShowStartFailure(failure);
  } catch (...) {
    ShowStartFailure(Exception());
  }
  return 0;
}
