#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "gdi/Handles.h"
#include "picture/formats/Icon.h"
#include "tests/support/BoxWatcher.h"
#include "tests/support/Failures.h"
#include "tests/support/ScopedApplication.h"
#include "ui/CustomControl.h"
#include "ui/Image.h"
#include "ui/Label.h"
#include "ui/MessageDialogs.h"
#include "ui/MessageForm.h"
#include "ui/Sound.h"
#include "ui/Timer.h"

namespace {

const char kQuestion[] = "インフォメーションを参照しますか？";

// Fixes the builder's measurements for one scope.
class FixedMeasures {
public:
  explicit FixedMeasures(const MessageFormMeasures& measures) { SetMessageFormMeasuresForTesting(measures); }
  ~FixedMeasures() { SetMessageFormMeasuresForTesting(MessageFormMeasures()); }
};

template <class T>
T& Part(TMessageForm& form, const char* name) {
  auto* part = dynamic_cast<T*>(form.FindComponent(name));
  if (part == nullptr) throw std::runtime_error(std::string("no ") + name);
  return *part;
}

using Bounds = std::array<int, 4>;  // left, top, width, height

Bounds BoundsOf(const TControl& control) {
  return Bounds{control.Left(), control.Top(), control.Width(), control.Height()};
}

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs = 10000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    Sleep(10);
  }
  return true;
}

HWND OpenBox() { return FindVisibleWindow(GetCurrentProcessId(), "TMessageForm"); }

// The window with the keyboard focus in the thread that owns the window.
HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
  return info.hwndFocus;
}

struct ButtonSearch {
  std::string text;
  HWND found;
};

BOOL CALLBACK MatchButton(HWND child, LPARAM parameter) {
  auto* search = reinterpret_cast<ButtonSearch*>(parameter);
  if (WindowText(child) != search->text) return TRUE;
  search->found = child;
  return FALSE;
}

HWND ButtonOf(HWND box, const char* text) {
  ButtonSearch search{text, nullptr};
  EnumChildWindows(box, MatchButton, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool DrawnAsDefault(HWND button) { return (GetWindowLongA(button, GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON; }

// A message sent to the box returns only once the box's thread is back in its
// message loop, so whatever that thread was doing (handling a key, painting) has
// been done. False if the box did not answer, as when it has closed meanwhile.
bool RoundTrip(HWND box) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(box, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result) != 0;
}

// Waits until the clipboard has changed since `sequence` and then reads it. A
// copy holds the clipboard open from before it changes it until its text is in,
// so the text read is the whole copy. Before the change the clipboard is left
// alone: opened there, it could make the awaited copy fail.
std::string ClipboardTextAfter(DWORD sequence) {
  std::string text = "(unchanged)";
  const auto copied = [&] {
    if (GetClipboardSequenceNumber() == sequence) return false;
    text = ClipboardText();
    return text != "(clipboard busy)";
  };
  WaitUntil(copied, 5000);
  return text;
}

// Acts on the next message box from a thread of its own, once the box shows
// with the focus on one of its buttons and in the front, where typed keys reach it.
class BoxDriver {
public:
  explicit BoxDriver(std::function<void(HWND box)> act)
      : thread_([this, act] {
          HWND box = nullptr;
          found_ = WaitUntil([&] {
            box = OpenBox();
            return box != nullptr && IsChild(box, FocusOf(box));
          });
          if (!found_) return;
          BringToFront(box);
          act(box);
          // A box the keys did not close would hang the test: close it (result 2).
          if (!WaitUntil([&] { return !IsWindowVisible(box); }, 5000)) PostMessageA(box, WM_CLOSE, 0, 0);
        }) {}
  ~BoxDriver() { thread_.join(); }
  bool Found() const { return found_; }

private:
  std::atomic<bool> found_{false};
  std::thread thread_;
};

// Opens a confirmation (or, without it, a plain box) and types the chords into it.
int AnswerWith(bool confirmation, std::vector<std::vector<WORD>> chords) {
  // Typed keys are taken in the order they were pressed, so the chords need no
  // pauses between them.
  BoxDriver driver([&](HWND) {
    for (const auto& chord : chords) PressChord(chord);
  });
  return confirmation ? MessageDlg(kQuestion, mtConfirmation, mbYes | mbNo, 0)
                      : MessageDlg("保存しました。", mtCustom, mbOK, 0);
}

void PutOnClipboard(const std::string& text) {
  OpenClipboard(nullptr);
  EmptyClipboard();
  const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
  std::memcpy(GlobalLock(block), text.c_str(), text.size() + 1);
  GlobalUnlock(block);
  SetClipboardData(CF_TEXT, block);
  CloseClipboard();
}

// Answers the system's own message boxes (the failure display) with Enter from a
// thread of its own, and keeps their texts; the program's boxes are left alone.
class FailureBoxes {
public:
  FailureBoxes()
      : thread_([this] {
          while (!stop_) {
            const HWND box = FindVisibleWindow(GetCurrentProcessId(), "#32770");
            if (box == nullptr) {
              Sleep(10);
              continue;
            }
            const std::string text = WindowText(GetDlgItem(box, 0xFFFF));
            // Pressed again only when the box has long ignored the key: a second
            // Enter pressed sooner would answer the program's box behind it.
            DWORD pressed = 0;
            bool answered = false;
            while (IsWindowVisible(box) && !stop_) {
              if (!answered || GetTickCount() - pressed >= 5000) {
                answered = PressInFront(box, {VK_RETURN});
                pressed = GetTickCount();
              }
              Sleep(20);
            }
            std::lock_guard<std::mutex> guard(lock_);
            texts_.push_back(text);
          }
        }) {}
  ~FailureBoxes() {
    stop_ = true;
    thread_.join();
  }
  bool WaitFor(size_t count) {
    return WaitUntil([&] {
      std::lock_guard<std::mutex> guard(lock_);
      return texts_.size() >= count;
    });
  }
  std::vector<std::string> Texts() {
    std::lock_guard<std::mutex> guard(lock_);
    return texts_;
  }

private:
  std::atomic<bool> stop_{false};
  std::mutex lock_;
  std::vector<std::string> texts_;
  std::thread thread_;
};

bool IsTopMost(HWND window) { return (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

class TStayOnTopForm : public TForm {
public:
  explicit TStayOnTopForm(TComponent* owner) : TForm(owner) {
    SetBorderStyle(bsToolWindow);
    SetFormStyle(fsStayOnTop);
    SetBounds(10, 10, 200, 150);
  }
  const char* ClassName() const override { return "TStayOnTopForm"; }
};

}  // namespace

TEST(MessageFormLayout, TheConfirmationBoxFollowsTheDialogUnitsOfItsFont) {
  FixedMeasures fixed({SIZE{6, 12}, SIZE{204, 12}});
  const auto form = TMessageForm::Create(kQuestion, mtConfirmation, mbYes | mbNo);
  const ScopeExit freeForm([form] { delete form; });
  EXPECT_EQ(form->ClientWidth(), 275);
  EXPECT_EQ(form->ClientHeight(), 92);
  EXPECT_EQ(form->Caption(), "確認");
  EXPECT_FALSE(form->Visible());
  EXPECT_EQ(form->Owner(), Application);
  EXPECT_EQ(form->BorderStyle(), bsDialog);

  auto& image = Part<TImage>(*form, "Image");
  EXPECT_EQ(BoundsOf(image), (Bounds{12, 12, 32, 32}));
  auto* icon = dynamic_cast<TIcon*>(image.Picture().CurrentGraphic());
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(icon->Handle(), LoadIconW(nullptr, IDI_QUESTION));

  auto& label = Part<TLabel>(*form, "Message");
  EXPECT_EQ(BoundsOf(label), (Bounds{59, 12, 204, 12}));
  EXPECT_EQ(label.Caption(), kQuestion);
  EXPECT_TRUE(label.WordWrap());
  EXPECT_EQ(form->Message(), &label);

  auto& yes = Part<TButton>(*form, "Yes");
  auto& no = Part<TButton>(*form, "No");
  EXPECT_EQ(BoundsOf(yes), (Bounds{59, 59, 75, 21}));
  EXPECT_EQ(BoundsOf(no), (Bounds{140, 59, 75, 21}));
  EXPECT_EQ(yes.Caption(), "はい(&Y)");
  EXPECT_EQ(no.Caption(), "いいえ(&N)");
  EXPECT_EQ(yes.ModalResult(), 6);
  EXPECT_EQ(no.ModalResult(), 7);
  EXPECT_TRUE(yes.Default() && !yes.Cancel());
  EXPECT_TRUE(no.Cancel() && !no.Default());
  EXPECT_EQ(form->FindComponent("OK"), nullptr);
}

TEST(MessageFormLayout, ThePlainBoxHasNoIconAndCentresItsOneButton) {
  Application->SetTitle("ミロカテ");
  FixedMeasures fixed({SIZE{6, 12}, SIZE{380, 12}});
  const auto form = TMessageForm::Create("保存しました。", mtCustom, mbOK);
  const ScopeExit freeForm([form] { delete form; });
  EXPECT_EQ(form->ClientWidth(), 404);
  EXPECT_EQ(form->ClientHeight(), 72);
  EXPECT_EQ(form->Caption(), "ミロカテ");
  EXPECT_EQ(form->FindComponent("Image"), nullptr);
  EXPECT_EQ(BoundsOf(Part<TLabel>(*form, "Message")), (Bounds{12, 12, 380, 12}));
  auto& ok = Part<TButton>(*form, "OK");
  EXPECT_EQ(BoundsOf(ok), (Bounds{164, 39, 75, 21}));
  EXPECT_EQ(ok.ModalResult(), 1);
  EXPECT_TRUE(ok.Default() && ok.Cancel()) << "OK answers both Enter and Escape";
}

TEST(MessageFormLayout, ButtonsAreNeverNarrowerThanTheirCaptions) {
  FixedMeasures fixed({SIZE{1, 8}, SIZE{10, 8}});  // a base width of only 13
  const auto form = TMessageForm::Create("x", mtConfirmation, mbYes | mbNo);
  const ScopeExit freeForm([form] { delete form; });
  TCanvas& canvas = form->Canvas();
  canvas.RequiredState(csHandleValid | csFontValid);
  int widest = 0;
  for (const wchar_t* caption : {L"はい(&Y)", L"いいえ(&N)"}) {
    RECT rect{0, 0, 0, 0};
    DrawTextW(canvas.Handle(), caption, -1, &rect, DT_CALCRECT | DT_SINGLELINE);
    widest = std::max<int>(widest, rect.right);
  }
  EXPECT_GT(widest, 13);
  EXPECT_EQ(Part<TButton>(*form, "Yes").Width(), widest + 8);
  EXPECT_EQ(Part<TButton>(*form, "No").Width(), widest + 8);
}

TEST(MessageFormLayout, ATextWiderThanHalfTheScreenWrapsAndTheBoxGrowsByTheAddedLines) {
  std::string longText;
  while (longText.size() < 1200) longText += "wrapping words ";
  const auto oneLine = TMessageForm::Create("short", mtCustom, mbOK);
  const ScopeExit freeOneLine([oneLine] { delete oneLine; });
  const auto wrapped = TMessageForm::Create(longText, mtCustom, mbOK);
  const ScopeExit freeWrapped([wrapped] { delete wrapped; });
  const TLabel& shortLabel = *oneLine->Message();
  const TLabel& longLabel = *wrapped->Message();
  EXPECT_LE(longLabel.Width(), GetSystemMetrics(SM_CXSCREEN) / 2);
  EXPECT_GT(longLabel.Width(), GetSystemMetrics(SM_CXSCREEN) / 3) << "lines are filled up to the wrap width";
  EXPECT_GE(longLabel.Height(), 4 * shortLabel.Height());
  EXPECT_EQ(longLabel.Height() % shortLabel.Height(), 0) << "whole lines";
  EXPECT_EQ(wrapped->ClientHeight() - oneLine->ClientHeight(), longLabel.Height() - shortLabel.Height());

  const auto tabbed = TMessageForm::Create("a\tb", mtCustom, mbOK);
  const ScopeExit freeTabbed([tabbed] { delete tabbed; });
  const auto plain = TMessageForm::Create("ab", mtCustom, mbOK);
  const ScopeExit freePlain([plain] { delete plain; });
  EXPECT_GT(tabbed->Message()->Width(), plain->Message()->Width() + 8) << "the tab is expanded";
  const auto twoLines = TMessageForm::Create("first\r\nsecond", mtCustom, mbOK);
  const ScopeExit freeTwoLines([twoLines] { delete twoLines; });
  EXPECT_EQ(twoLines->Message()->Height(), 2 * plain->Message()->Height());
}

TEST(MessageBoxKeys, AnswerTheConfirmationAsItsButtonsSay) {
  struct Case {
    const char* what;
    std::vector<std::vector<WORD>> chords;
    int expected;
  };
  const Case cases[] = {
      {"Enter", {{VK_RETURN}}, 6},
      {"Escape", {{VK_ESCAPE}}, 7},
      {"Y", {{'Y'}}, 6},
      {"N", {{'N'}}, 7},
      {"Alt+Y", {{VK_MENU, 'Y'}}, 6},
      {"Alt+N", {{VK_MENU, 'N'}}, 7},
      {"Tab, then Enter", {{VK_TAB}, {VK_RETURN}}, 7},
      {"Right, then space", {{VK_RIGHT}, {VK_SPACE}}, 7},
      {"Tab twice, then Enter", {{VK_TAB}, {VK_TAB}, {VK_RETURN}}, 6},
      {"Shift+Enter, then Escape", {{VK_SHIFT, VK_RETURN}, {VK_ESCAPE}}, 7},
      {"Alt+F4", {{VK_MENU, VK_F4}}, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(AnswerWith(true, c.chords), c.expected);
    EXPECT_EQ(OpenBox(), nullptr);
  }
}

TEST(MessageBoxKeys, EveryKeyThatClosesThePlainBoxAnswersOkAndTheCloseBoxCancel) {
  for (WORD key : {VK_RETURN, VK_ESCAPE, VK_SPACE}) {
    SCOPED_TRACE(key);
    EXPECT_EQ(AnswerWith(false, {{key}}), 1);
  }
  for (bool confirmation : {false, true}) {
    BoxDriver driver([](HWND box) { PostMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0); });
    EXPECT_EQ(confirmation ? MessageDlg(kQuestion, mtConfirmation, mbYes | mbNo, 0) : MessageDlg("x", mtCustom, mbOK, 0),
              2);
  }
  BoxDriver driver([](HWND) { PressChord({VK_RETURN}); });
  ShowMessage("保存しました。");
  EXPECT_TRUE(driver.Found());
}

TEST(MessageBoxKeys, TheFocusedButtonIsDrawnAsTheDefaultOneAndTabMovesIt) {
  bool yesFocusedFirst = false, yesDefaultFirst = false, noDefaultFirst = true;
  bool noFocusedAfterTab = false, noDefaultAfterTab = false, yesDefaultAfterTab = true;
  BoxDriver driver([&](HWND box) {
    const HWND yes = ButtonOf(box, "はい(&Y)");
    const HWND no = ButtonOf(box, "いいえ(&N)");
    RoundTrip(box);  // the box has done all that follows the first focus
    yesFocusedFirst = FocusOf(box) == yes;
    yesDefaultFirst = DrawnAsDefault(yes);
    noDefaultFirst = DrawnAsDefault(no);
    PressChord({VK_TAB});
    // The box's thread restyles the buttons after the focus has moved: wait
    // for the whole state that is checked, and for the key to be fully handled.
    WaitUntil([&] { return FocusOf(box) == no && DrawnAsDefault(no) && !DrawnAsDefault(yes); }, 5000);
    RoundTrip(box);
    noFocusedAfterTab = FocusOf(box) == no;
    noDefaultAfterTab = DrawnAsDefault(no);
    yesDefaultAfterTab = DrawnAsDefault(yes);
    PressChord({VK_ESCAPE});
  });
  EXPECT_EQ(MessageDlg(kQuestion, mtConfirmation, mbYes | mbNo, 0), 7);
  EXPECT_TRUE(yesFocusedFirst);
  EXPECT_TRUE(yesDefaultFirst);
  EXPECT_FALSE(noDefaultFirst);
  EXPECT_TRUE(noFocusedAfterTab);
  EXPECT_TRUE(noDefaultAfterTab);
  EXPECT_FALSE(yesDefaultAfterTab);
}

TEST(MessageBoxPainting, ShowsTheIconAndTheTextOnTheFormsColour) {
  FixedMeasures fixed({SIZE{6, 12}, SIZE{204, 12}});
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  struct Counts {
    int face = 0, other = 0, brighter = 0;
  };
  Counts icon, label, gap;
  bool painted = false;
  BoxDriver driver([&](HWND box) {
    // The box paints what is still to paint now; the round trip then waits
    // for a paint that was already under way.
    UpdateWindow(box);
    painted = RoundTrip(box);
    const HDC dc = GetDC(box);
    const auto count = [&](Counts& counts, int left, int top, int right, int bottom) {
      for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
          const COLORREF pixel = GetPixel(dc, x, y);
          if (pixel == face) {
            ++counts.face;
          } else {
            ++counts.other;
            if (GetRValue(pixel) > GetRValue(face) || GetGValue(pixel) > GetGValue(face) ||
                GetBValue(pixel) > GetBValue(face)) {
              ++counts.brighter;
            }
          }
        }
      }
    };
    count(icon, 12, 12, 44, 44);
    count(label, 59, 12, 263, 24);
    count(gap, 45, 12, 58, 44);
    ReleaseDC(box, dc);
    PressChord({VK_ESCAPE});
  });
  EXPECT_EQ(MessageDlg(kQuestion, mtConfirmation, mbYes | mbNo, 0), 7);
  EXPECT_TRUE(painted);
  EXPECT_GT(icon.other, 200) << "the question icon is drawn";
  EXPECT_GT(label.other, 50) << "the text is drawn";
  EXPECT_GT(label.face, 500) << "around the letters the label shows the form's colour";
  EXPECT_EQ(label.brighter, 0) << "and no lighter background";
  EXPECT_EQ(gap.other, 0);
}

TEST(MessageBoxCopy, CtrlCPutsTheWholeBoxOnTheClipboardBeepsOnceAndKeepsItOpen) {
  PutOnClipboard("before");
  const DWORD sequence = GetClipboardSequenceNumber();
  const int beepsBefore = DefaultBeepsSoFar();
  std::string copied, copiedAgain;
  bool openAfterCopy = false;
  BoxDriver driver([&](HWND box) {
    PressChord({VK_CONTROL, 'C'});
    copied = ClipboardTextAfter(sequence);
    // Shift+C is not the copy key. Keys are taken in the order they were
    // pressed, so once the copy key pressed after it has copied again, Shift+C
    // has been handled too; the beeps tell whether it copied.
    PutOnClipboard("before");
    const DWORD again = GetClipboardSequenceNumber();
    PressChord({VK_SHIFT, 'C'});
    PressChord({VK_CONTROL, 'C'});
    copiedAgain = ClipboardTextAfter(again);
    openAfterCopy = RoundTrip(box) && IsWindowVisible(box);
    PressChord({VK_ESCAPE});
  });
  EXPECT_EQ(MessageDlg(kQuestion, mtConfirmation, mbYes | mbNo, 0), 7);
  EXPECT_EQ(copied,
            "---------------------------\r\n"
            "確認\r\n"
            "---------------------------\r\n"
            "インフォメーションを参照しますか？\r\n"
            "---------------------------\r\n"
            "はい(Y)   いいえ(N)   \r\n"
            "---------------------------\r\n");
  EXPECT_EQ(copiedAgain, copied);
  EXPECT_TRUE(openAfterCopy);
  EXPECT_EQ(DefaultBeepsSoFar() - beepsBefore, 2) << "one beep for each copy";
}

TEST(MessageBoxCopy, AClipboardHeldElsewhereIsReportedAndTheBoxStaysOpen) {
  FailureBoxes failures;
  bool openAfterFailure = false;
  BoxDriver driver([&](HWND box) {
    // Held by a window of this thread while the box tries.
    const HWND holder = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    OpenClipboard(holder);
    PressInFront(box, {VK_CONTROL, 'C'});
    failures.WaitFor(1);
    CloseClipboard();
    DestroyWindow(holder);
    // Once the box's thread is back in the box's loop after the failure, the
    // box has either closed or stays.
    openAfterFailure = RoundTrip(box) && IsWindowVisible(box);
    PressInFront(box, {VK_RETURN});
  });
  EXPECT_EQ(MessageDlg("x", mtCustom, mbOK, 0), 1);
  ASSERT_TRUE(failures.WaitFor(1));
  EXPECT_EQ(failures.Texts()[0], "クリップボードを開くことができません.");
  EXPECT_TRUE(openAfterFailure);
}

TEST(MessageBoxModality, TheStayOnTopMainWindowLeavesTheTopmostBandWhileABoxIsOpenAndEvenAfterAFailure) {
  ScopedApplication app;
  TStayOnTopForm* main = nullptr;
  app->CreateForm(main);
  main->Show();
  const HWND mainWindow = main->Handle();
  ASSERT_TRUE(IsTopMost(mainWindow));
  const int components = app->ComponentCount();

  bool topMostWhileOpen = true, enabledWhileOpen = true;
  {
    BoxDriver driver([&](HWND) {
      topMostWhileOpen = IsTopMost(mainWindow);
      enabledWhileOpen = IsWindowEnabled(mainWindow) != FALSE;
      PressChord({VK_RETURN});
    });
    ShowMessage("保存しました。");
  }
  EXPECT_FALSE(topMostWhileOpen);
  EXPECT_FALSE(enabledWhileOpen);
  EXPECT_TRUE(IsTopMost(mainWindow));
  EXPECT_TRUE(IsWindowEnabled(mainWindow));
  EXPECT_EQ(app->ComponentCount(), components) << "the box is freed";

  // A failure that leaves the box's loop gives everything back just the same.
  app->OnMessage = [](MSG& message) -> bool {
    if (message.message == WM_APP) throw EConvertError("loop failure");
    return false;
  };
  {
    BoxDriver driver([](HWND box) { PostMessageA(box, WM_APP, 0, 0); });
    EXPECT_EQ(MessageOf<EConvertError>([] { MessageDlg(kQuestion, mtConfirmation, mbYes | mbNo, 0); }),
              "loop failure");
  }
  app->OnMessage = nullptr;
  EXPECT_EQ(OpenBox(), nullptr);
  EXPECT_TRUE(IsTopMost(mainWindow));
  EXPECT_TRUE(IsWindowEnabled(mainWindow));
  EXPECT_TRUE(IsWindowEnabled(app->Handle()));
  EXPECT_EQ(app->ComponentCount(), components);
}

TEST(MessageBoxModality, ATerminatingApplicationClosesTheBoxWithCancel) {
  ScopedApplication app;
  app->QueueCall([&] { app->Terminate(); });  // runs inside the box's loop
  EXPECT_EQ(MessageDlg(kQuestion, mtConfirmation, mbYes | mbNo, 0), 2);
  EXPECT_TRUE(app->Terminated());
}

TEST(MessageBoxModality, AFailingTimerIsShownAndTheBoxGoesOn) {
  Application->SetTitle("ミロカテ");
  TTimer timer(nullptr);
  std::atomic<int> ticks{0};
  timer.SetInterval(30);
  timer.SetOnTimer([&](TComponent*) {
    if (++ticks == 1) throw EConvertError("'x' は整数ではありません");
  });
  FailureBoxes failures;
  bool openAfterFailure = false;
  BoxDriver driver([&](HWND box) {
    failures.WaitFor(1);
    WaitUntil([&] { return ticks > 2; }, 3000);
    openAfterFailure = IsWindowVisible(box) != FALSE;
    PressInFront(box, {'Y'});
  });
  EXPECT_EQ(MessageDlg(kQuestion, mtConfirmation, mbYes | mbNo, 0), 6);
  timer.SetEnabled(false);
  ASSERT_TRUE(failures.WaitFor(1));
  EXPECT_EQ(failures.Texts(), std::vector<std::string>{"'x' は整数ではありません."});
  EXPECT_TRUE(openAfterFailure);
  EXPECT_GT(ticks, 2) << "ticks went on inside the box";
}

TEST(ModalShow, RefusesAFormThatIsAlreadyShownOrDisabled) {
  TForm form(Application);
  form.SetBorderStyle(bsDialog);
  form.Show();
  EXPECT_EQ(MessageOf<EInvalidOperation>([&] { form.ShowModal(); }),
            "表示されているウィンドウをモーダルにすることはできません");
  form.Hide();
  form.SetEnabled(false);
  EXPECT_EQ(MessageOf<EInvalidOperation>([&] { form.ShowModal(); }),
            "表示されているウィンドウをモーダルにすることはできません");
}

TEST(IconGraphic, SharesTheSystemIconAndCannotBeResizedOrRead) {
  const HICON question = LoadIconW(nullptr, IDI_QUESTION);
  TIcon icon(question);
  EXPECT_EQ(icon.Width(), 32);
  EXPECT_EQ(icon.Height(), 32);
  EXPECT_TRUE(icon.Transparent());
  TIcon copy;
  EXPECT_TRUE(copy.IsEmpty());
  copy.CopyFrom(&icon);
  EXPECT_EQ(copy.Handle(), question);
  EXPECT_EQ(MessageOf<EInvalidGraphicOperation>([&] { copy.SetWidth(48); }), "アイコンのサイズは変更できません");
  copy.CopyFrom(nullptr);
  EXPECT_TRUE(copy.IsEmpty());
}

TEST(IconGraphic, LeavesTheSharedSystemIconAlive) {
  const HICON question = LoadIconW(nullptr, IDI_QUESTION);
  { TIcon icon(question); }
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(question, &info));
  DeleteObject(info.hbmMask);
  DeleteObject(info.hbmColor);
}
