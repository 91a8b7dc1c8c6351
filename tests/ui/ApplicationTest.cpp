#include <gtest/gtest.h>

#include "tests/support/BoxWatcher.h"
#include "tests/support/ScopedApplication.h"
#include "tests/support/TestForm.h"
#include "ui/Application.h"

namespace {

bool IsTopMost(HWND window) { return (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

bool MenuHas(HMENU menu, UINT command) { return GetMenuState(menu, command, MF_BYCOMMAND) != 0xFFFFFFFF; }

}  // namespace

TEST(ApplicationWindow, IsAHiddenZeroSizePopupAtTheScreenCentre) {
  ScopedApplication app;
  const HWND window = app->Handle();
  ASSERT_NE(window, nullptr);
  char className[32] = {};
  GetClassNameA(window, className, sizeof className);
  EXPECT_STREQ(className, "TApplication");
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)) & ~WS_VISIBLE, 0x84CA0000u);
  EXPECT_FALSE(IsWindowVisible(window));
  RECT rect;
  GetWindowRect(window, &rect);
  EXPECT_EQ(rect.left, GetSystemMetrics(SM_CXSCREEN) / 2);
  EXPECT_EQ(rect.top, GetSystemMetrics(SM_CYSCREEN) / 2);
  EXPECT_EQ(rect.right - rect.left, 0);
  EXPECT_EQ(rect.bottom - rect.top, 0);

  const HMENU menu = GetSystemMenu(window, FALSE);
  EXPECT_FALSE(MenuHas(menu, SC_MAXIMIZE));
  EXPECT_FALSE(MenuHas(menu, SC_SIZE));
  EXPECT_FALSE(MenuHas(menu, SC_MOVE));
  EXPECT_TRUE(MenuHas(menu, SC_CLOSE));
}

TEST(ApplicationTitle, DefaultsToTheModuleNameAndFollowsTheWindowText) {
  ScopedApplication app;
  // ui_tests.exe: no directory, cut at the dot, all after the first character in lower case.
  EXPECT_EQ(app->Title(), "ui_tests");
  app->SetTitle("ミロカテ");
  EXPECT_EQ(app->Title(), "ミロカテ");
  EXPECT_EQ(WindowText(app->Handle()), "ミロカテ");
}

TEST(ExceptionDisplay, AppendsAFullStopOnlyAfterCharactersAboveIt) {
  struct Case {
    const char* message;
    const char* shown;
  };
  const Case cases[] = {
      {"ゼロによる除算", "ゼロによる除算."},
      {"abc.", "abc."},
      {"終わり。", "終わり。."},
      {"（注）", "（注）."},
      {"x!", "x!"},
      {"x-", "x-"},
      {"trailing ", "trailing "},
      {"digit 7", "digit 7."},
      {"", ""},
  };
  Application->SetTitle("ミロカテ");
  BoxWatcher watcher;
  for (const Case& c : cases) Application->ShowException(Exception(c.message));
  ASSERT_TRUE(watcher.WaitFor(std::size(cases)));
  const auto seen = watcher.Seen();
  ASSERT_EQ(seen.size(), std::size(cases));
  for (size_t i = 0; i < seen.size(); ++i) {
    SCOPED_TRACE(cases[i].message);
    EXPECT_EQ(seen[i].text, cases[i].shown);
    EXPECT_EQ(seen[i].caption, "ミロカテ");
    EXPECT_TRUE(seen[i].stopIcon);
    EXPECT_EQ(seen[i].buttons.size(), 1u);
  }
}

TEST(FailureHandling, ShowsNothingForAnAbortAndTheMessageForOthers) {
  Application->SetTitle("ミロカテ");
  BoxWatcher watcher;
  try {
    throw EAbort("never shown");
  } catch (...) {
    Application->HandleException(nullptr);
  }
  try {
    throw std::runtime_error("plain");
  } catch (...) {
    Application->HandleException(nullptr);
  }
  // Each box is shown and answered inside HandleException, so once the watcher
  // has searched afresh it has recorded every box there was.
  ASSERT_TRUE(watcher.WaitUntilQuiet());
  const auto seen = watcher.Seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].text, "plain.");
}

namespace {
LRESULT CALLBACK DividingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_APP) {
    // The window layer's message entry: nothing escapes into the system's frames.
    try {
      volatile int zero = 0;
      return 100 / zero;
    } catch (...) {
      Application->HandleException(nullptr);
      return -1;
    }
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
}  // namespace

TEST(FailureHandling, ADivisionByZeroInAMessageHandlerReachesTheUserAsAStopBox) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = DividingWindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "DividingWindow";
  RegisterClassA(&windowClass);
  const HWND window = CreateWindowExA(0, "DividingWindow", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                      GetModuleHandleA(nullptr), nullptr);
  Application->SetTitle("ミロカテ");
  BoxWatcher watcher;
  EXPECT_EQ(SendMessageA(window, WM_APP, 0, 0), -1);
  ASSERT_TRUE(watcher.WaitFor(1));
  EXPECT_EQ(watcher.Seen()[0].text, "ゼロによる除算.");
  EXPECT_EQ(watcher.Seen()[0].caption, "ミロカテ");
  DestroyWindow(window);
}

TEST(CreateForm, TheFirstFormBecomesTheMainWindowAfterItsConstruction) {
  ScopedApplication app;
  TestForm* first = nullptr;
  TestForm::watchedReference = &first;
  app->CreateForm(first);
  TestForm::watchedReference = nullptr;
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(first->referenceSetDuringConstruction);
  EXPECT_EQ(app->MainForm(), first);
  EXPECT_NE(first->FormHandle(), nullptr);
  EXPECT_EQ(first->Owner(), &*app);

  TestForm* second = nullptr;
  app->CreateForm(second);
  EXPECT_EQ(app->MainForm(), first);

  TestForm* failing = reinterpret_cast<TestForm*>(1);
  TestForm::failConstruction = true;
  EXPECT_THROW(app->CreateForm(failing), EInvalidOperation);
  TestForm::failConstruction = false;
  EXPECT_EQ(failing, nullptr);
  EXPECT_EQ(app->ComponentCount(), 2);
}

TEST(ExitStep, DestroysTheFormsTheMostRecentFirst) {
  static std::vector<std::string> destroyed;
  struct Recorder : TComponent {
    explicit Recorder(TComponent* owner, const char* name) : TComponent(owner) { SetName(name); }
    ~Recorder() override { destroyed.push_back(Name()); }
  };
  ScopedApplication app;
  new Recorder(&*app, "first");
  auto* second = new Recorder(&*app, "second");
  new Recorder(second, "child");
  new Recorder(&*app, "third");
  app->ExitStep();
  EXPECT_EQ(destroyed, (std::vector<std::string>{"third", "second", "child", "first"}));
  EXPECT_EQ(app->ComponentCount(), 0);
}

TEST(TopMostNormalisation, TakesStayOnTopFormsOutOfTheBandAndPutsThemBack) {
  ScopedApplication app;
  TestForm::makeTopMost = true;
  TestForm* main = nullptr;
  TestForm* other = nullptr;
  app->CreateForm(main);
  app->CreateForm(other);
  other->FormHandle();  // made now, while stay-on-top is asked for
  TestForm::makeTopMost = false;
  main->ShowForm();
  other->ShowForm();
  ASSERT_TRUE(IsTopMost(main->FormHandle()));
  ASSERT_TRUE(IsTopMost(other->FormHandle()));
  app->NormalizeTopMosts();  // all but the main window
  EXPECT_TRUE(IsTopMost(main->FormHandle()));
  app->RestoreTopMosts();

  app->NormalizeAllTopMosts();
  app->NormalizeAllTopMosts();
  EXPECT_FALSE(IsTopMost(main->FormHandle()));
  EXPECT_FALSE(IsTopMost(other->FormHandle()));
  app->RestoreTopMosts();
  EXPECT_FALSE(IsTopMost(main->FormHandle())) << "nested: still normalised";
  app->RestoreTopMosts();
  EXPECT_TRUE(IsTopMost(main->FormHandle()));
  EXPECT_TRUE(IsTopMost(other->FormHandle()));
}

TEST(ApplicationMessageBox, TakesTheStayOnTopMainWindowOutOfTheBandWhileOpen) {
  ScopedApplication app;
  TestForm::makeTopMost = true;
  TestForm* main = nullptr;
  app->CreateForm(main);
  TestForm::makeTopMost = false;
  main->ShowForm();
  const HWND mainWindow = main->FormHandle();
  bool topMostWhileOpen = true;
  bool enabledWhileOpen = true;
  BoxWatcher watcher(GetCurrentProcessId(), VK_RETURN, [&](HWND) {
    topMostWhileOpen = IsTopMost(mainWindow);
    enabledWhileOpen = IsWindowEnabled(mainWindow) != FALSE;
  });
  EXPECT_EQ(app->MessageBox("本文", "題", MB_OK), IDOK);
  ASSERT_TRUE(watcher.WaitFor(1));
  EXPECT_EQ(watcher.Seen()[0].text, "本文");
  EXPECT_EQ(watcher.Seen()[0].caption, "題");
  EXPECT_FALSE(topMostWhileOpen);
  EXPECT_FALSE(enabledWhileOpen);
  EXPECT_TRUE(IsTopMost(mainWindow));
  EXPECT_TRUE(IsWindowEnabled(mainWindow));
}

TEST(ApplicationWindow, FollowsTheVisibilityOfTheFormsAndClosesTheMainWindow) {
  ScopedApplication app;
  TestForm* main = nullptr;
  app->CreateForm(main);
  main->ShowForm();
  EXPECT_TRUE(IsWindowVisible(app->Handle()));
  app->UpdateVisible(false);
  EXPECT_FALSE(IsWindowVisible(app->Handle()));

  // WM_CLOSE to the application window closes the main window, which ends the loop.
  SendMessageA(app->Handle(), WM_CLOSE, 0, 0);
  MSG message;
  ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
  PumpWaiting(*app);
  EXPECT_TRUE(app->Terminated());
}
