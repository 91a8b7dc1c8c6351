#include <gtest/gtest.h>

#include <thread>

#include "presenter/EntryEdge.h"
#include "presenter/Mainwindow1.h"
#include "tests/app/RunningProgram.h"
#include "tests/support/BoxWatcher.h"
#include "tests/support/LoopIdle.h"
#include "tests/support/ScopedApplication.h"
#include "text/CommandLine.h"
#include "text/Exceptions.h"
#include "text/Utf16.h"
#include "ui/Screen.h"
#include "ui/Sound.h"

namespace {

std::string g_minute = "07";
std::string FixedMinute() { return g_minute; }

// Makes the main window as the program does, at a given minute.
class MainWindowTest : public testing::Test {
protected:
  // Started on a picture that is not there: nothing is loaded and no box is
  // shown while the window is made.
  void SetUp() override {
    SetMinuteSource(&FixedMinute);
    SetCommandLineForTesting("mirokate.exe C:\\nowhere\\missing.bmp");
  }
  void TearDown() override {
    SetCommandLineForTesting(nullptr);
    SetMinuteSource(nullptr);
    Screen->SetPixelsPerInchForTesting(96);
  }
  TMainForm1* Make(const std::string& minute) {
    g_minute = minute;
    app->CreateForm(MainForm1);
    return MainForm1;
  }
  ScopedApplication app;
};

}  // namespace

TEST_F(MainWindowTest, IsAHiddenStayOnTopToolWindowWithA600SquareClientArea) {
  TMainForm1* form = Make("07");
  ASSERT_EQ(app->MainForm(), static_cast<ApplicationForm*>(form));
  const HWND window = form->Handle();
  char className[32] = {};
  GetClassNameA(window, className, sizeof className);
  EXPECT_STREQ(className, "TMainForm1");
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)), 0x06C80000u);
  const DWORD exStyle = static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE));
  EXPECT_EQ(exStyle & ~(WS_EX_TOPMOST | WS_EX_WINDOWEDGE), 0x80u);
  EXPECT_TRUE(exStyle & WS_EX_TOPMOST) << "topmost from its creation on";
  EXPECT_EQ(GetClassLongA(window, GCL_STYLE), static_cast<DWORD>(CS_DBLCLKS));
  EXPECT_EQ(GetWindow(window, GW_OWNER), app->Handle());
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_EQ(WindowText(window), "ミロカテ！");
  EXPECT_EQ(Wide(WindowText(window)).back(), L'\xFF01') << "ends in the fullwidth exclamation mark";

  EXPECT_EQ(form->ClientWidth(), 600);
  EXPECT_EQ(form->ClientHeight(), 600);
  EXPECT_EQ(form->Color(), clBlack);
  EXPECT_EQ(form->Image2->BoundsRect().left, 5);
  EXPECT_EQ(form->Image2->BoundsRect().top, 5);
  EXPECT_EQ(form->Image2->Width(), 580);
  EXPECT_EQ(form->Image2->Height(), 580);
  EXPECT_TRUE(form->Image2->Stretch());
  EXPECT_EQ(form->Image1->Parent(), form->Panel1);
  EXPECT_FALSE(form->Panel1->HandleAllocated()) << "an invisible windowed child never gets a window";
  EXPECT_FALSE(form->Button1->HandleAllocated());
  EXPECT_EQ(form->Timer1->Interval(), 20u);
  EXPECT_TRUE(form->Timer1->Enabled());
  EXPECT_EQ(form->Timer1->Tag(), 0);
}

TEST_F(MainWindowTest, ScalesItsLayoutByTheResolutionAloneAtAnotherResolution) {
  // 120 against the layout's 96 dots per inch, whatever height the font measures.
  Screen->SetPixelsPerInchForTesting(120);
  TMainForm1* form = Make("07");
  EXPECT_EQ(form->Font().Height(), -15);
  EXPECT_EQ(form->ClientWidth(), 750);
  EXPECT_EQ(form->ClientHeight(), 750);
  EXPECT_EQ(form->Image2->Left(), 6);
  EXPECT_EQ(form->Image2->Width(), 725);
}

TEST_F(MainWindowTest, WaitsOutsideTheEdgeTheMinuteChose) {
  const int sw = Screen->Width();
  const int sh = Screen->Height();
  TMainForm1* form = Make("08");
  EXPECT_EQ(form->Edge(), kRightEdge);
  EXPECT_EQ(form->Left(), sw + 620);
  EXPECT_EQ(form->Top(), (sh - 600) / 2);
  RECT rect;
  GetWindowRect(form->Handle(), &rect);
  EXPECT_EQ(rect.left, sw + 620) << "the hidden window itself was moved";
}

TEST(EntryEdge, EachMinuteHasExactlyOneEdge) {
  const struct {
    int minute;
    EntryEdge edge;
  } boundaries[] = {{0, kTopEdge},     {7, kTopEdge},     {8, kRightEdge}, {22, kRightEdge},
                    {23, kBottomEdge}, {37, kBottomEdge}, {38, kLeftEdge}, {52, kLeftEdge},
                    {53, kTopEdge},    {59, kTopEdge}};
  for (const auto& b : boundaries) EXPECT_EQ(EntryEdgeForMinute(b.minute), b.edge) << b.minute;
  int counts[4] = {};
  for (int minute = 0; minute < 60; ++minute) ++counts[EntryEdgeForMinute(minute)];
  EXPECT_EQ(counts[kTopEdge], 15);
  EXPECT_EQ(counts[kRightEdge], 15);
  EXPECT_EQ(counts[kBottomEdge], 15);
  EXPECT_EQ(counts[kLeftEdge], 15);
}

TEST(EntryEdge, ParksTheWindowOutsideAFullHdScreen) {
  const ParkingPlace right = ParkingPlaceFor(kRightEdge, 1920, 1080);
  EXPECT_EQ(right.left, 2540);
  EXPECT_EQ(right.top, 240);
  const ParkingPlace top = ParkingPlaceFor(kTopEdge, 1920, 1080);
  EXPECT_EQ(top.left, 660);
  EXPECT_EQ(top.top, -620);
  const ParkingPlace left = ParkingPlaceFor(kLeftEdge, 1920, 1080);
  EXPECT_EQ(left.left, -620);
  const ParkingPlace bottom = ParkingPlaceFor(kBottomEdge, 1920, 1080);
  EXPECT_EQ(bottom.top, 1700);
  // Division rounds towards zero on a screen narrower than the window.
  EXPECT_EQ(ParkingPlaceFor(kTopEdge, 599, 480).left, 0);
  EXPECT_EQ(ParkingPlaceFor(kLeftEdge, 640, 480).top, -60);
}

TEST_F(MainWindowTest, PaintsABlackClientArea) {
  TMainForm1* form = Make("07");
  form->SetLeft(10);
  form->SetTop(10);
  form->Show();
  UpdateWindow(form->Handle());
  PumpWaiting(*app);
  const HDC dc = GetDC(form->Handle());
  const COLORREF corner = GetPixel(dc, 1, 1);
  const COLORREF middle = GetPixel(dc, 300, 300);
  ReleaseDC(form->Handle(), dc);
  EXPECT_EQ(corner, RGB(0, 0, 0));
  EXPECT_EQ(middle, RGB(0, 0, 0));
}

TEST_F(MainWindowTest, TheLoopStaysIdleWhileTheTimerIsOff) {
  TMainForm1* form = Make("07");
  form->Timer1->SetEnabled(false);
  HANDLE loopThread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, GetCurrentThreadId());
  double before = 0, after = 0;
  bool settled = false;
  const HWND window = form->Handle();
  std::thread observer([&] {
    settled = WaitUntilLoopSettles(loopThread, window);
    before = ThreadCpuMs(loopThread);
    Sleep(2000);  // the span measured
    after = ThreadCpuMs(loopThread);
    PostMessageA(window, WM_CLOSE, 0, 0);
  });
  app->Run();
  observer.join();
  CloseHandle(loopThread);
  EXPECT_TRUE(app->Terminated());
  EXPECT_TRUE(settled) << "the loop never stopped working";
  EXPECT_LE(after - before, 20.0);
}

TEST_F(MainWindowTest, ASaveBeepsAndReportsTheClientSizeAFailedOneDoesNeither) {
  PictureFolder folder("presenter");
  const std::string picture = folder.Write("beach.bmp", BmpFile(200, 150, Pixels(200 * 150, 0x3060C0)));
  const std::string output = folder.Expect("ミロカテ ～ beach.jpg");
  static std::string commandLine;
  commandLine = "mirokate.exe \"" + picture + "\"";
  SetCommandLineForTesting(commandLine.c_str());
  TMainForm1* form = Make("07");
  form->Timer1->SetEnabled(false);
  // The first tick sizes the window to the picture and fits it.
  form->Timer1Timer(form->Timer1);
  EXPECT_EQ(1, form->Timer1->Tag());
  EXPECT_EQ(200, form->ClientWidth());
  EXPECT_EQ(200, form->ClientHeight());
  EXPECT_EQ(5, form->Image2->Left());
  EXPECT_EQ(25, form->Image2->Top());
  EXPECT_EQ(190, form->Image2->Width());
  EXPECT_EQ(150, form->Image2->Height());

  const int beeps = DefaultBeepsSoFar();
  {
    BoxWatcher watcher;
    form->Button1Click(form->Button1);
    ASSERT_TRUE(watcher.WaitFor(1, 2000));
    EXPECT_EQ("200 x 200 のミロカテ形式で保存しました。", watcher.Seen()[0].text);
  }
  // One beep for the save, one for the copy key with which the box was read.
  EXPECT_EQ(beeps + 2, DefaultBeepsSoFar());
  int width = 0, height = 0;
  EXPECT_FALSE(DecodeJpeg(ReadWholeFile(output), width, height).empty());
  EXPECT_EQ(200, width);
  EXPECT_EQ(200, height);

  // A target that cannot be replaced: the failure leaves at once, silently.
  SetFileAttributesW(Wide(output).c_str(), FILE_ATTRIBUTE_READONLY);
  {
    BoxWatcher watcher;
    EXPECT_THROW(form->Button1Click(form->Button1), EFCreateError);
    // A box would have been shown and answered inside the click.
    EXPECT_TRUE(watcher.WaitUntilQuiet());
    EXPECT_TRUE(watcher.Seen().empty());
  }
  EXPECT_EQ(beeps + 2, DefaultBeepsSoFar());
}
