// The program's entry: start each layer's runtime, name the application, create
// the main window, run the message loop until that window closes. Always returns 0.
#include <windows.h>

#include <cstdlib>

#include "gdi/AfterMessage.h"
#include "picture/bitmap/BitmapCanvas.h"
#include "picture/colour/ColorConversions.h"
#include "picture/readers/jpeg/JpegImage.h"
#include "presenter/Mainwindow1.h"
#include "text/Exceptions.h"
#include "text/FpuControlWord.h"
#include "text/Utf16.h"
#include "ui/Application.h"
#include "ui/FaultTranslation.h"
#include "ui/Platform.h"

namespace {

void ShowStartFailure(const Exception& failure) {
  if (Application != nullptr) {
    Application->ShowException(failure);
  } else {
    // Start-up itself failed: there is no application window to own the box.
    MessageBoxW(nullptr, Wide(failure.Message()).c_str(), nullptr, MB_OK | MB_ICONSTOP);
  }
}

// What the program's own code expects before it runs, lowest layer first.
void StartRuntime() {
  LoadDefaultFpuControlWord();
  InstallFaultTranslation();
  StartWindowLayer();
  // The JPEG defaults depend on the screen's depth, which the screen object keeps.
  StartJpegSupport();
  // Registered after the window layer's shutdown, so it runs before it.
  std::atexit(StopJpegSupport);
  StartColorConversions();
  AddAfterMessageStep(ReleaseIdleMemoryDCs);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  try {
    StartRuntime();
    Application->SetTitle("ミロカテ");
    Application->CreateForm(MainForm1);
    Application->Run();
  } catch (const Exception& failure) {
    ShowStartFailure(failure);
  } catch (...) {
    ShowStartFailure(Exception());
  }
  // The windows are gone: conversions still being made are waited for here, a
  // bounded time, and not by the process's teardown.
  StopColorConversions();
  return 0;
}
