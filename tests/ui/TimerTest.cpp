#include <gtest/gtest.h>

#include <atomic>
#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/BoxWatcher.h"
#include "tests/support/ScopedApplication.h"
#include "ui/LayoutValue.h"
#include "ui/Timer.h"

namespace {

// Dispatches the thread's messages until `done` holds or `timeoutMs` has passed,
// and gives the number of WM_TIMER messages that reached `window`. The loop
// dispatches ticks as soon as they are posted, so their times can be measured.
int PumpUntil(HWND window, DWORD timeoutMs, const std::function<bool()>& done = [] { return false; }) {
  int timerMessages = 0;
  const DWORD start = GetTickCount();
  for (;;) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_TIMER && message.hwnd == window) ++timerMessages;
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    const DWORD elapsed = GetTickCount() - start;
    if (done() || elapsed >= timeoutMs) return timerMessages;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs - elapsed, QS_ALLINPUT);
  }
}

// Counts the ticks and remembers when the first one came.
struct TickLog {
  int count = 0;
  DWORD first = 0;
  TNotifyEvent Handler() {
    return [this](TComponent*) {
      if (count++ == 0) first = GetTickCount();
    };
  }
};

BOOL CALLBACK CollectBox(HWND window, LPARAM boxes) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  char className[16] = {};
  GetClassNameA(window, className, sizeof className);
  if (process == GetCurrentProcessId() && IsWindowVisible(window) && std::string(className) == "#32770") {
    reinterpret_cast<std::vector<HWND>*>(boxes)->push_back(window);
  }
  return TRUE;
}

// The message boxes of this process open now.
std::vector<HWND> OpenBoxes() {
  std::vector<HWND> boxes;
  EnumWindows(CollectBox, reinterpret_cast<LPARAM>(&boxes));
  return boxes;
}

LRESULT CALLBACK ForeignProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

TEST(Timer, RunsOnlyWithAHandlerANonZeroIntervalAndEnabledStartingWithAFullPeriod) {
  constexpr unsigned kInterval = 200;
  const std::function<void(TTimer&, TickLog&)> stopped[] = {
      [](TTimer&, TickLog&) {},
      [](TTimer& timer, TickLog& log) {
        timer.SetInterval(0);
        timer.SetOnTimer(log.Handler());
      },
      [](TTimer& timer, TickLog& log) {
        timer.SetEnabled(false);
        timer.SetOnTimer(log.Handler());
      },
  };
  const std::function<void(TTimer&, TickLog&)> completions[] = {
      [](TTimer& timer, TickLog& log) { timer.SetOnTimer(log.Handler()); },
      [](TTimer& timer, TickLog&) { timer.SetInterval(kInterval); },
      [](TTimer& timer, TickLog&) { timer.SetEnabled(true); },
  };
  for (size_t i = 0; i < std::size(stopped); ++i) {
    SCOPED_TRACE(i);
    TTimer timer(nullptr);
    if (i != 1) timer.SetInterval(kInterval);
    TickLog log;
    stopped[i](timer, log);
    // A running timer would fall due within these three periods; a busy machine
    // can only hide such a tick, never make one up.
    EXPECT_EQ(PumpUntil(timer.Handle(), 3 * kInterval), 0) << "a stopped timer asked for ticks";

    const DWORD started = GetTickCount();
    completions[i](timer, log);
    PumpUntil(timer.Handle(), 5000, [&] { return log.count > 0; });
    ASSERT_GT(log.count, 0) << "supplying the missing piece did not start the timer";
    // Measured on the clock the timer runs on; a held-up thread sees its tick
    // later, never earlier, and the margin covers the clock's granularity.
    EXPECT_GE(log.first - started, kInterval - 50) << "the first tick came before a full period";
  }
}

enum class Countdown { WentOn, StartedAgain, Unknown };

TEST(Timer, RestartsTheCountdownOnlyWhenTheHandlerOrADifferentIntervalIsSet) {
  constexpr unsigned kInterval = 400;
  constexpr DWORD kChangeAfter = 250;
  // Judged by the order of two first ticks rather than by milliseconds, so that
  // a busy machine, which only delays ticks, cannot change the verdict. Just
  // before the change a reference timer starts, with a countdown of
  // kInterval - kChangeAfter / 2. A countdown that goes on ends kInterval after
  // the timer's start, before the reference's, which starts at least
  // kChangeAfter later; one started again at the change ends at least kInterval
  // after it, after the reference's. Ticks that fall due while the thread is
  // held up come in the order they fell due.
  const auto afterChange = [&](const std::function<void(TTimer&, const TNotifyEvent&)>& change) {
    // The verdict needs the change to come before the first countdown can have
    // ended; a machine too busy for that on one attempt is given another.
    for (int attempt = 0; attempt < 5; ++attempt) {
      int ticks = 0, timerFirst = 0, referenceFirst = 0;
      TTimer timer(nullptr);
      timer.SetInterval(kInterval);
      const TNotifyEvent handler = [&](TComponent*) {
        if (timerFirst == 0) timerFirst = ++ticks;
      };
      const DWORD started = GetTickCount();
      timer.SetOnTimer(handler);
      PumpUntil(timer.Handle(), kChangeAfter, [&] { return timerFirst != 0; });
      TTimer reference(nullptr);
      reference.SetInterval(kInterval - kChangeAfter / 2);
      reference.SetOnTimer([&](TComponent*) {
        if (referenceFirst == 0) referenceFirst = ++ticks;
      });
      change(timer, handler);
      const DWORD changedAfter = GetTickCount() - started;
      if (changedAfter >= kInterval - 50) continue;
      if (timerFirst != 0) {
        ADD_FAILURE() << "ticked " << changedAfter << " ms after starting, before a full period";
        return Countdown::Unknown;
      }
      PumpUntil(timer.Handle(), 5000, [&] { return timerFirst != 0 && referenceFirst != 0; });
      if (timerFirst == 0 || referenceFirst == 0) {
        ADD_FAILURE() << "no tick after the change";
        return Countdown::Unknown;
      }
      return timerFirst < referenceFirst ? Countdown::WentOn : Countdown::StartedAgain;
    }
    ADD_FAILURE() << "the machine was too busy to change the timer in time on every attempt";
    return Countdown::Unknown;
  };
  EXPECT_EQ(afterChange([](TTimer& t, const TNotifyEvent&) { t.SetEnabled(true); }), Countdown::WentOn);
  EXPECT_EQ(afterChange([](TTimer& t, const TNotifyEvent&) { t.SetInterval(kInterval); }), Countdown::WentOn);
  EXPECT_EQ(afterChange([](TTimer& t, const TNotifyEvent& h) { t.SetOnTimer(h); }), Countdown::StartedAgain);
  EXPECT_EQ(afterChange([](TTimer& t, const TNotifyEvent&) { t.SetInterval(kInterval + 100); }),
            Countdown::StartedAgain);
}

TEST(Timer, DisabledInsideItsHandlerTicksNoMore) {
  TTimer timer(nullptr);
  timer.SetInterval(30);
  int started = 0;
  int finished = 0;
  timer.SetOnTimer([&](TComponent* sender) {
    ++started;
    static_cast<TTimer*>(sender)->SetEnabled(false);
    ++finished;
  });
  PumpUntil(timer.Handle(), 600);
  EXPECT_EQ(started, 1);
  EXPECT_EQ(finished, 1);
  EXPECT_FALSE(timer.Enabled());
}

TEST(TimerWindow, IsAHiddenToolWindowOfTheSharedClassAndGoesWithTheTimer) {
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  // A class left behind with another procedure is replaced.
  UnregisterClassA("TPUtilWindow", instance);
  WNDCLASSA foreign{};
  foreign.style = CS_DBLCLKS;
  foreign.lpfnWndProc = ForeignProc;
  foreign.hInstance = instance;
  foreign.lpszClassName = "TPUtilWindow";
  ASSERT_NE(RegisterClassA(&foreign), 0);

  TComponent owner(nullptr);
  auto* first = new TTimer(&owner);
  auto* second = new TTimer(&owner);
  const HWND window = first->Handle();
  ASSERT_TRUE(IsWindow(window));
  ASSERT_TRUE(IsWindow(second->Handle()));
  EXPECT_NE(window, second->Handle());

  char className[32] = {};
  GetClassNameA(window, className, sizeof className);
  EXPECT_STREQ(className, "TPUtilWindow");
  WNDCLASSA registered{};
  ASSERT_TRUE(GetClassInfoA(instance, "TPUtilWindow", &registered));
  EXPECT_EQ(registered.lpfnWndProc, &DefWindowProcA);
  EXPECT_EQ(registered.style, 0u);
  // The system adds WS_CLIPSIBLINGS to every top-level window.
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)) & ~WS_CLIPSIBLINGS, static_cast<DWORD>(WS_POPUP));
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE)), static_cast<DWORD>(WS_EX_TOOLWINDOW));
  EXPECT_FALSE(IsWindowVisible(window));

  first->SetOnTimer([](TComponent*) {});  // running
  delete first;
  EXPECT_FALSE(IsWindow(window));
}

TEST(Timer, RaisesWhenThePlatformRefusesATimer) {
  TTimer timer(nullptr);
  timer.SetInterval(50);
  // Without its window the platform has nothing to set the timer on.
  DestroyWindow(timer.Handle());
  try {
    timer.SetOnTimer([](TComponent*) {});
    FAIL() << "no failure raised";
  } catch (const EOutOfResources& failure) {
    EXPECT_EQ(failure.Message(), "タイマーを取得できません");
  }
}

TEST(Timer, TakesItsSettingsFromALayout) {
  TTimer timer(nullptr);
  LayoutValue interval;
  interval.number = 0xFFFFFFFFLL;  // beyond a signed integer, within the interval's range
  EXPECT_TRUE(timer.SetProperty("Interval", interval));
  EXPECT_EQ(timer.Interval(), 0xFFFFFFFFu);
  interval.number = -1;
  EXPECT_THROW(timer.SetProperty("Interval", interval), EReadError);
  LayoutValue off;
  off.kind = LayoutValue::Kind::Name;
  off.text = "False";
  EXPECT_TRUE(timer.SetProperty("Enabled", off));
  EXPECT_FALSE(timer.Enabled());
  EXPECT_TRUE(timer.SetEvent("OnTimer", [](TComponent*) {}));
  EXPECT_TRUE(timer.OnTimer());
  EXPECT_FALSE(timer.SetEvent("OnClick", [](TComponent*) {}));
}

TEST(TimerFailure, ShowsOneBoxAtATimeAndTicksAgainAfterItCloses) {
  ScopedApplication app;
  app->SetTitle("ミロカテ");
  constexpr int kFailingTicks = 2;
  std::atomic<int> calls{0};
  std::atomic<int> mostBoxesOpen{0};
  std::atomic<int> callsWhileOpen{0};
  // A second timer with the same interval witnesses that the box's loop goes on
  // dispatching ticks: once it has ticked a few times with the box open, the
  // failing timer has fallen due as often.
  std::atomic<int> witnessed{0};
  std::atomic<int> witnessedWhileOpen{0};
  TTimer witness(nullptr);
  witness.SetInterval(20);
  witness.SetOnTimer([&](TComponent*) { ++witnessed; });
  BoxWatcher watcher(GetCurrentProcessId(), VK_RETURN, [&](HWND box) {
    const int before = calls;
    const int witnessedBefore = witnessed;
    for (int waited = 0; witnessed < witnessedBefore + 5 && waited < 10000; waited += 10) Sleep(10);
    callsWhileOpen += calls - before;
    witnessedWhileOpen += witnessed - witnessedBefore;
    const std::vector<HWND> open = OpenBoxes();
    mostBoxesOpen = std::max(mostBoxesOpen.load(), static_cast<int>(open.size()));
    // A box opened over this one disables it, and the watcher would wait for it
    // for ever: such boxes are answered here.
    for (HWND other : open) {
      if (other != box) PostMessageA(other, WM_COMMAND, IDOK, 0);
    }
  });
  TTimer timer(nullptr);
  timer.SetInterval(20);
  timer.SetOnTimer([&](TComponent* sender) {
    EXPECT_EQ(sender, &timer);
    if (++calls <= kFailingTicks) throw EConvertError("'x' は整数ではありません");
  });
  PumpUntil(timer.Handle(), 15000, [&] { return calls >= kFailingTicks + 3; });

  ASSERT_TRUE(watcher.WaitFor(kFailingTicks));  // the last box is counted once it has gone
  EXPECT_GE(witnessedWhileOpen, 5 * kFailingTicks) << "the boxes' loops dispatched too few ticks";
  EXPECT_EQ(mostBoxesOpen, 1);
  EXPECT_EQ(callsWhileOpen, 0) << "the handler ran while its failure was shown";
  EXPECT_GE(calls, kFailingTicks + 3) << "the timer did not go on after the boxes closed";
  const auto seen = watcher.Seen();
  ASSERT_EQ(seen.size(), static_cast<size_t>(kFailingTicks));
  for (const SeenBox& box : seen) {
    EXPECT_EQ(box.text, "'x' は整数ではありません.");
    EXPECT_EQ(box.caption, "ミロカテ");
    EXPECT_TRUE(box.stopIcon);
  }
}

TEST(Timer, AHandlerThatReplacesItselfRunsToItsEndAndTheNewOneTicksNext) {
  // Marks when the first handler's function object, which holds the last
  // reference to it, is destroyed. The flags are static: after a replacement
  // the handler reads them without going through its own captures.
  static bool destroyed, aliveAfterReplacing;
  destroyed = aliveAfterReplacing = false;
  struct Witness {
    ~Witness() { destroyed = true; }
  };
  int newTicks = 0;
  TTimer timer(nullptr);
  timer.SetInterval(1);
  auto witness = std::make_shared<Witness>();
  timer.SetOnTimer([&timer, &newTicks, witness](TComponent*) {
    timer.SetOnTimer([&newTicks](TComponent*) { ++newTicks; });
    aliveAfterReplacing = !destroyed;
  });
  witness.reset();
  PumpUntil(timer.Handle(), 10000, [&] { return newTicks >= 2; });
  EXPECT_TRUE(aliveAfterReplacing) << "the running handler was destroyed under its call";
  EXPECT_TRUE(destroyed) << "the replaced handler was kept";
  EXPECT_GE(newTicks, 2);
}
