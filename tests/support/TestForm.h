#pragma once
// A minimal top-level form for driving the application object in tests: a real
// window owned by the application window, closed the way a form closes.

#include <windows.h>

#include <string>
#include <vector>

#include "ui/Application.h"
#include "ui/ControlLookup.h"
#include "ui/Messages.h"
#include "ui/WindowBinding.h"

class TestForm : public TComponent, public ApplicationForm, public WindowLayerControl, public WindowHandler {
public:
  explicit TestForm(TComponent* owner);
  ~TestForm() override;

  HWND FormHandle() override;
  void ShowForm() override;
  void CloseForm() override;
  TWindowState FormWindowState() const override { return state_; }
  void SetFormWindowState(TWindowState state) override { state_ = state; }
  void RecordFormWindowState(TWindowState state) override { state_ = state; }
  LRESULT Perform(UINT message, WPARAM wParam, LPARAM lParam) override;

  // Settings for the next window creation.
  static bool makeTopMost;
  static bool failConstruction;
  // Whether Application's variable already pointed at the object while it was
  // being constructed.
  static TestForm** watchedReference;
  bool referenceSetDuringConstruction = false;

  bool claimKeys = false;
  std::vector<UINT> notifications;  // messages seen through Perform or kCnBase
  std::vector<UINT> keyMessages;    // key messages that reached the window itself

private:
  LRESULT WindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  void WindowMessageFailed() noexcept override {}
  HWND handle_ = nullptr;
  TWindowState state_ = TWindowState::wsNormal;
};
