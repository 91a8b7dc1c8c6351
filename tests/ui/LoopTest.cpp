#include <gtest/gtest.h>

#include <thread>

#include "tests/support/BoxWatcher.h"
#include "tests/support/LoopIdle.h"
#include "tests/support/ScopedApplication.h"
#include "tests/support/TestForm.h"

TEST(MessageLoop, WithoutAMainWindowRunsNoLoop) {
  ScopedApplication app;
  app->Run();
  EXPECT_FALSE(app->Running());
  EXPECT_FALSE(app->Terminated());
}

TEST(MessageLoop, BlocksWhileIdleAndEndsWhenTheMainWindowCloses) {
  ScopedApplication app;
  TestForm* main = nullptr;
  app->CreateForm(main);
  HANDLE loopThread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, GetCurrentThreadId());
  const HWND mainWindow = main->FormHandle();
  double before = 0, after = 0;
  bool runningInside = false;
  bool settled = false;
  std::thread observer([&] {
    settled = WaitUntilLoopSettles(loopThread, mainWindow);
    // Idle from here on: whatever the loop uses in these two seconds, it uses
    // while waiting for nothing.
    before = ThreadCpuMs(loopThread);
    Sleep(2000);
    after = ThreadCpuMs(loopThread);
    PostMessageA(mainWindow, WM_CLOSE, 0, 0);
  });
  app->QueueCall([&] { runningInside = app->Running(); });
  app->Run();
  observer.join();
  CloseHandle(loopThread);
  EXPECT_TRUE(runningInside);
  EXPECT_TRUE(IsWindowVisible(mainWindow)) << "Run shows the main window";
  EXPECT_TRUE(app->Terminated());
  EXPECT_FALSE(app->Running());
  EXPECT_TRUE(settled) << "the loop never stopped working";
  EXPECT_LE(after - before, 20.0) << "the idle loop used CPU time";
}

TEST(MessageLoop, ShowsAFailureAndGoesOn) {
  ScopedApplication app;
  app->SetTitle("ミロカテ");
  TestForm* main = nullptr;
  app->CreateForm(main);
  BoxWatcher watcher;
  app->QueueCall([] { throw EConvertError("'x' は整数ではありません"); });
  // Closed only after the box is gone, so it is the main loop that goes on.
  const HWND mainWindow = main->FormHandle();
  std::thread closer([&] {
    watcher.WaitFor(1);
    PostMessageA(mainWindow, WM_CLOSE, 0, 0);
  });
  app->Run();
  closer.join();
  ASSERT_TRUE(watcher.WaitFor(1));
  EXPECT_EQ(watcher.Seen()[0].text, "'x' は整数ではありません.");
  EXPECT_EQ(watcher.Seen()[0].caption, "ミロカテ");
  EXPECT_TRUE(app->Terminated());
}

TEST(KeyPreTranslation, OffersKeysToTheWindowLayerBeforeTheSystem) {
  ScopedApplication app;
  TestForm* form = nullptr;
  app->CreateForm(form);
  const HWND window = form->FormHandle();

  PostMessageA(window, WM_KEYDOWN, VK_F5, 0);  // a key without a character
  PumpWaiting(*app);
  EXPECT_EQ(form->notifications, std::vector<UINT>{kCnBase + WM_KEYDOWN});
  EXPECT_EQ(form->keyMessages, std::vector<UINT>{WM_KEYDOWN}) << "unclaimed keys are dispatched";

  form->notifications.clear();
  form->keyMessages.clear();
  form->claimKeys = true;
  PostMessageA(window, WM_KEYDOWN, VK_RETURN, 0);
  PostMessageA(window, WM_CHAR, VK_RETURN, 0);
  PumpWaiting(*app);
  EXPECT_EQ(form->notifications, (std::vector<UINT>{kCnBase + WM_KEYDOWN, kCnBase + WM_CHAR}));
  EXPECT_TRUE(form->keyMessages.empty()) << "a claimed key goes no further";
}

TEST(MouseTracking, TellsControlsWhenTheCursorEntersAndLeaves) {
  ScopedApplication app;
  TestForm* form = nullptr;
  app->CreateForm(form);
  form->ShowForm();
  RECT rect;
  GetWindowRect(form->FormHandle(), &rect);
  PumpWaiting(*app);

  // The idle step looks at the cursor and then waits for a message. The loop is
  // stepped until the control has been told: messages that come first (the
  // cursor's own moves) are handled on the way, and a thread timer wakes the
  // wait now and then.
  const auto stepUntilTold = [&] {
    const UINT_PTR waker = SetTimer(nullptr, 0, 20, nullptr);
    const DWORD start = GetTickCount();
    while (form->notifications.empty() && GetTickCount() - start < 10000) app->HandleMessage();
    KillTimer(nullptr, waker);
  };
  SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
  form->notifications.clear();
  stepUntilTold();
  EXPECT_EQ(form->notifications, std::vector<UINT>{kCmMouseEnter});
  SetCursorPos(rect.right + 300, rect.bottom + 300);
  form->notifications.clear();
  stepUntilTold();
  EXPECT_EQ(form->notifications, std::vector<UINT>{kCmMouseLeave});
}

namespace {

// Starts this test program again with a start-up show command, running only the
// named test, and gives its exit code.
DWORD RunSelfWithShowCommand(WORD showCommand, const char* filter) {
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, sizeof self);
  std::string commandLine = std::string("\"") + self + "\" --gtest_filter=" + filter;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = showCommand;
  PROCESS_INFORMATION process{};
  SetEnvironmentVariableA("MIROKATE_CHILD_RUN", "1");
  const BOOL started = CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                      &startup, &process);
  SetEnvironmentVariableA("MIROKATE_CHILD_RUN", nullptr);
  if (!started) return 0xFFFFFFFF;
  DWORD exitCode = 0xFFFFFFFF;
  if (WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0) GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return exitCode;
}

bool IsChildRun() { return GetEnvironmentVariableA("MIROKATE_CHILD_RUN", nullptr, 0) != 0; }

}  // namespace

TEST(StartupShowCommand, MaximisedShowsTheMainWindowMaximised) {
  if (!IsChildRun()) {
    EXPECT_EQ(RunSelfWithShowCommand(SW_SHOWMAXIMIZED, "StartupShowCommand.Maximised*"), 0u);
    return;
  }
  ScopedApplication app;
  TestForm* main = nullptr;
  app->CreateForm(main);
  app->QueueCall([&] { main->CloseForm(); });
  app->Run();
  EXPECT_EQ(main->FormWindowState(), TWindowState::wsMaximized);
}

TEST(StartupShowCommand, MinimisedWithoutActivationStartsTheApplicationMinimised) {
  if (!IsChildRun()) {
    EXPECT_EQ(RunSelfWithShowCommand(SW_SHOWMINNOACTIVE, "StartupShowCommand.Minimised*"), 0u);
    return;
  }
  ScopedApplication app;
  TestForm* main = nullptr;
  app->CreateForm(main);
  bool iconic = false;
  bool formShown = true;
  app->QueueCall([&] {
    iconic = IsIconic(app->Handle()) != FALSE;
    formShown = IsWindowVisible(main->FormHandle()) != FALSE;
    main->CloseForm();
  });
  app->Run();
  EXPECT_TRUE(iconic);
  EXPECT_FALSE(formShown);
}
