#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/BoxWatcher.h"
#include "tests/support/Failures.h"
#include "tests/support/ScopedApplication.h"
#include "text/FpuControlWord.h"
#include "ui/FaultTranslation.h"
#include "ui/Timer.h"

namespace {

// Kept out of line so the fault happens in a frame of its own.
__attribute__((noinline)) int Divide(int a, volatile int b) { return a / b; }

using Callee = int (*)(int);
__attribute__((noinline)) int CallThrough(Callee volatile callee) { return callee(2) + 1; }

// Recurses until the stack is gone; counts its depth.
__attribute__((noinline)) int Recurse(volatile int* depth) {
  volatile char pad[200];
  pad[0] = 1;
  if (++*depth < 0) return 0;
  return Recurse(depth) + pad[0];
}

// Recurses until the stack is gone with a cleanup in every other frame, so that
// the deepest frames, on what is left of the overflowed stack, unwind through
// cleanups. The frames between read the stack the next ones will use, so the
// overflow shows in them, where no handler region is needed.
struct CountsCleanup {
  int* count;
  ~CountsCleanup() { ++*count; }
};
__attribute__((noinline)) int ProbeAndRecurse(volatile int* depth, int* cleanups);
__attribute__((noinline)) int RecurseWithCleanups(volatile int* depth, int* cleanups) {
  const CountsCleanup counted{cleanups};
  return ProbeAndRecurse(depth, cleanups) + 1;
}
__attribute__((noinline)) int ProbeAndRecurse(volatile int* depth, int* cleanups) {
  volatile char pad[200];
  pad[0] = 1;
  asm volatile("movl -512(%%esp), %%eax" ::: "eax");
  if (++*depth < 0) return 0;
  return RecurseWithCleanups(depth, cleanups) + pad[0];
}

// Returns with a division by zero pending in the floating-point unit: it shows
// at the caller's next floating-point instruction.
__attribute__((noinline)) double Quotient(double a, double b) { return a / b; }

__attribute__((noinline)) double SumOfQuotients(double zero) {
  const std::string label(40, 'q');  // a cleanup: the caller has handler regions
  const double quotient = Quotient(1.0, zero);
  return quotient + static_cast<double>(label.size());
}

// Divides 1 by the double at its argument, then pushes four zero words before the
// next floating-point instruction, at which the unit reports a division by zero:
// the frame must be unwound with the stack pointer the division had.
extern "C" void DivideThenPush(const volatile double* divisor);
asm(R"(
    .text
    .globl _DivideThenPush
    .def _DivideThenPush; .scl 2; .type 32; .endef
_DivideThenPush:
    .cfi_startproc
    movl 4(%esp), %eax
    fld1
    fdivl (%eax)
    subl $16, %esp
    .cfi_adjust_cfa_offset 16
    movl $0, (%esp)
    movl $0, 4(%esp)
    movl $0, 8(%esp)
    movl $0, 12(%esp)
    fstpl (%esp)
    addl $16, %esp
    .cfi_adjust_cfa_offset -16
    ret
    .cfi_endproc
)");

// Runs the action as a timer's handler under the application's loop, as the
// program runs its handlers, until the failure box it raises has been answered.
std::vector<SeenBox> BoxesOfATick(const std::function<void()>& action) {
  ScopedApplication app;
  app->SetTitle("ミロカテ");
  BoxWatcher watcher;
  bool done = false;
  TTimer timer(nullptr);
  timer.SetInterval(1);
  timer.SetOnTimer([&](TComponent*) {
    timer.SetEnabled(false);
    done = true;
    action();
  });
  while (!done) app->HandleMessage();
  watcher.WaitFor(1);  // a box is counted once it has gone
  return watcher.Seen();
}

// This test program started again on one of the probes below, each of which
// ends the process.
class ProbeProcess {
public:
  explicit ProbeProcess(const std::string& probe) {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string command = "\"" + std::string(path, length) +
                          "\" --gtest_also_run_disabled_tests --gtest_filter=FatalFaultProbe.DISABLED_" + probe;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    started_ = CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                              &process_) != FALSE;
  }
  ~ProbeProcess() {
    if (!started_) return;
    if (WaitForSingleObject(process_.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(process_.hProcess, 99);
    WaitForSingleObject(process_.hProcess, 5000);
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }
  bool Started() const { return started_; }
  DWORD Id() const { return process_.dwProcessId; }
  // 99 when it has not ended by then.
  DWORD ExitCode(DWORD timeoutMs) const {
    DWORD code = 99;
    if (WaitForSingleObject(process_.hProcess, timeoutMs) == WAIT_OBJECT_0) GetExitCodeProcess(process_.hProcess, &code);
    return code;
  }

private:
  bool started_ = false;
  PROCESS_INFORMATION process_{};
};

// A file a probe writes through the C library's buffer and never flushes: only
// the process's exit steps would write it out.
std::string UnflushedFileOf(DWORD processId) {
  char folder[MAX_PATH];
  const DWORD length = GetTempPathA(sizeof folder, folder);
  return std::string(folder, length) + "mirokate-probe-" + std::to_string(processId) + ".txt";
}

void LeaveUnflushedText() {
  FILE* file = std::fopen(UnflushedFileOf(GetCurrentProcessId()).c_str(), "w");
  ASSERT_NE(file, nullptr);
  std::fputs("exit steps ran", file);
}

// Runs the probe in a child and answers its boxes: what they said, the exit
// code, and what reached its unflushed file ("(no file)" when it made none).
struct ProbeOutcome {
  std::vector<SeenBox> boxes;
  DWORD exitCode;
  std::string unflushed;
};
ProbeOutcome RunProbe(const std::string& probe) {
  ProbeProcess child(probe);
  EXPECT_TRUE(child.Started());
  BoxWatcher watcher(child.Id());
  const DWORD exitCode = child.ExitCode(60000);
  EXPECT_TRUE(watcher.WaitUntilQuiet());
  const std::string file = UnflushedFileOf(child.Id());
  std::string unflushed = "(no file)";
  if (FILE* written = std::fopen(file.c_str(), "r")) {
    char text[64] = {};
    unflushed.assign(text, std::fread(text, 1, sizeof text, written));
    std::fclose(written);
    DeleteFileA(file.c_str());
  }
  return {watcher.Seen(), exitCode, unflushed};
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Runs the fault in a timer's handler of the process-wide application, as the
// program would, and keeps the loop going; the process must end by itself.
[[noreturn]] void FaultInATick(const std::function<void()>& fault) {
  Application->SetTitle("ミロカテ");
  TTimer timer(nullptr);
  timer.SetInterval(1);
  timer.SetOnTimer([&](TComponent*) { fault(); });
  for (;;) Application->HandleMessage();
}

std::string Hex8(const void* address) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%08X", static_cast<unsigned>(reinterpret_cast<uintptr_t>(address)));
  return buffer;
}


}  // namespace

TEST(ProcessorFaults, AnIntegerDivisionByZeroBecomesEDivByZero) {
  EXPECT_EQ(MessageOf<EDivByZero>([] { Divide(1, 0); }), "ゼロによる除算");
  // Caught in the very function that faults, too.
  bool caught = false;
  try {
    volatile int zero = 0;
    volatile int result = 5 / zero;
    (void)result;
  } catch (const EIntError&) {
    caught = true;
  }
  EXPECT_TRUE(caught);
  EXPECT_EQ(Divide(9, 3), 3) << "the program goes on normally afterwards";
}

TEST(ProcessorFaults, AnAccessViolationNamesTheModuleTheAddressAndTheAccess) {
  const void* faultAt = nullptr;
  std::string read, write;
  try {
    volatile int value = *reinterpret_cast<volatile int*>(0x10);
    (void)value;
  } catch (const EAccessViolation& failure) {
    read = failure.Message();
    faultAt = failure.Record().ExceptionAddress;
  }
  EXPECT_EQ(read, "モジュール 'ui_tests.exe' のアドレス " + Hex8(faultAt) +
                      " でアドレス 00000010 に対する読み込み違反がおきました。");
  try {
    *reinterpret_cast<volatile int*>(0x24) = 1;
  } catch (const EAccessViolation& failure) {
    write = failure.Message();
  }
  EXPECT_NE(write.find("でアドレス 00000024 に対する書き込み違反"), std::string::npos) << write;
}

TEST(ProcessorFaults, FloatingPointFaultsRaiseUnderTheProcessControlWord) {
  EXPECT_EQ(CurrentFpuControlWord(), kDefaultFpuControlWord);
  volatile double zero = 0.0;
  volatile double result = 0;
  EXPECT_EQ(MessageOf<EZeroDivide>([&] { result = 1.0 / zero; }), "0 による浮動小数点数除算");
  EXPECT_EQ(MessageOf<EInvalidOp>([&] { result = zero / zero; }), "不正な浮動小数点数演算命令");
  // The unit is clean and loaded with the process's word again.
  EXPECT_EQ(CurrentFpuControlWord(), kDefaultFpuControlWord);
  result = 1.0 / 4.0;
  EXPECT_EQ(result, 0.25);
}

TEST(ProcessorFaults, EachStatusMapsToItsClassAndText) {
  struct Row {
    DWORD status;
    const char* text;
    bool (*isClass)(const Exception&);
  };
#define IS(E) [](const Exception& e) { return dynamic_cast<const E*>(&e) != nullptr; }
  const Row rows[] = {
      {0xC0000094, "ゼロによる除算", IS(EDivByZero)},
      {0xC000008C, "範囲チェックエラー", IS(ERangeError)},
      {0xC0000095, "整数のオーバーフロー", IS(EIntOverflow)},
      {0xC000008F, "不正な浮動小数点数演算命令", IS(EInvalidOp)},
      {0xC0000090, "不正な浮動小数点数演算命令", IS(EInvalidOp)},
      {0xC0000092, "不正な浮動小数点数演算命令", IS(EInvalidOp)},
      {0xC000008E, "0 による浮動小数点数除算", IS(EZeroDivide)},
      {0xC0000091, "浮動小数点数のオーバーフロー", IS(EOverflow)},
      {0xC000008D, "浮動小数点数のアンダーフロー", IS(EUnderflow)},
      {0xC0000093, "浮動小数点数のアンダーフロー", IS(EUnderflow)},
      {0xC0000096, "特権命令違反", IS(EPrivilege)},
      {0xC00000FD, "スタック オーバーフロー", IS(EStackOverflow)},
      {0xC000013A, "CTRL-C", IS(EControlC)},
      {0xC0000135, "外部例外 C0000135", IS(EExternalException)},
  };
#undef IS
  for (const Row& row : rows) {
    SCOPED_TRACE(row.status);
    EXCEPTION_RECORD record{};
    record.ExceptionCode = row.status;
    try {
      RaiseFaultException(record);
    } catch (const EExternal& failure) {
      EXPECT_EQ(failure.Message(), row.text);
      EXPECT_TRUE(row.isClass(failure));
      EXPECT_EQ(failure.Record().ExceptionCode, row.status);
    }
  }
}

TEST(ProcessorFaults, AnAccessOutsideAnyModuleUsesTheShortText) {
  EXCEPTION_RECORD record{};
  record.ExceptionCode = EXCEPTION_ACCESS_VIOLATION;
  record.ExceptionAddress = reinterpret_cast<void*>(0x00000400);  // never mapped
  record.NumberParameters = 2;
  record.ExceptionInformation[0] = 1;
  record.ExceptionInformation[1] = 0xDEADBEEF;
  try {
    RaiseFaultException(record);
  } catch (const EAccessViolation& failure) {
    EXPECT_EQ(failure.Message(), "アドレス 00000400 でアドレス DEADBEEF に対する書き込み違反がおきました。");
  }
}

TEST(ProcessorFaults, ACallThroughABadPointerIsThrownFromItsCallSite) {
  EXPECT_EQ(MessageOf<EAccessViolation>([] { CallThrough(nullptr); }),
            "アドレス 00000000 でアドレス 00000000 に対する読み込み違反がおきました。");
  EXPECT_EQ(MessageOf<EAccessViolation>([] { CallThrough(reinterpret_cast<Callee>(0x400)); }),
            "アドレス 00000400 でアドレス 00000400 に対する読み込み違反がおきました。");
  EXPECT_EQ(CallThrough([](int x) { return x * 2; }), 5) << "the program goes on normally afterwards";
}

TEST(ProcessorFaults, AStackOverflowIsThrownAndCaughtAgainOnceTheGuardIsBack) {
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    volatile int depth = 0;
    EXPECT_EQ(MessageOf<EStackOverflow>([&] { Recurse(&depth); }), "スタック オーバーフロー");
    EXPECT_GT(depth, 1000);
    RestoreStackGuard();  // as the failure display does first
  }
}

TEST(ProcessorFaults, AStackOverflowUnwindsThroughACleanupInEveryFrame) {
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    volatile int depth = 0;
    int cleanups = 0;
    EXPECT_EQ(MessageOf<EStackOverflow>([&] { RecurseWithCleanups(&depth, &cleanups); }), "スタック オーバーフロー");
    EXPECT_EQ(cleanups, depth + 1) << "every frame with a cleanup ran it";
    RestoreStackGuard();
  }
}

TEST(ProcessorFaults, AFloatingPointFaultThatShowsAfterThePushesIsThrownFromTheDivision) {
  volatile double zero = 0.0;
  EXPECT_EQ(MessageOf<EZeroDivide>([&] { DivideThenPush(&zero); }), "0 による浮動小数点数除算");
  volatile double four = 4.0;
  EXPECT_NO_THROW(DivideThenPush(&four));
}

TEST(ProcessorFaults, AFloatingPointFaultThatShowsInTheCallerIsThrownThere) {
  volatile double zero = 0.0;
  EXPECT_EQ(MessageOf<EZeroDivide>([&] { SumOfQuotients(zero); }), "0 による浮動小数点数除算");
  EXPECT_EQ(CurrentFpuControlWord(), kDefaultFpuControlWord);
  EXPECT_EQ(SumOfQuotients(1.0), 41.0);
}

TEST(FaultDisplay, FaultsInHandlersReachTheStopBoxAndTheLoopGoesOn) {
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    volatile int depth = 0;
    const auto overflow = BoxesOfATick([&] { Recurse(&depth); });
    ASSERT_EQ(overflow.size(), 1u);
    EXPECT_EQ(overflow[0].text, "スタック オーバーフロー.");
    EXPECT_EQ(overflow[0].caption, "ミロカテ");
    EXPECT_TRUE(overflow[0].stopIcon);
  }
  const auto nullCall = BoxesOfATick([] { CallThrough(nullptr); });
  ASSERT_EQ(nullCall.size(), 1u);
  EXPECT_EQ(nullCall[0].text, "アドレス 00000000 でアドレス 00000000 に対する読み込み違反がおきました。.");
}

// The probes: each runs only in a child started by the tests after them.
TEST(FatalFaultProbe, DISABLED_StrlenOfABadPointer) {
  using Strlen = size_t (*)(const char*);
  const auto strlenOfTheSystem = reinterpret_cast<Strlen>(GetProcAddress(GetModuleHandleA("msvcrt.dll"), "strlen"));
  ASSERT_NE(strlenOfTheSystem, nullptr);
  LeaveUnflushedText();
  FaultInATick([&] { strlenOfTheSystem(reinterpret_cast<const char*>(0x10)); });
}

TEST(FatalFaultProbe, DISABLED_FaultWhereNoFailureMayPass) {
  LeaveUnflushedText();
  FaultInATick([]() noexcept { Divide(1, 0); });
}

// Once the user has been told, the process ends as after any shown failure: with
// 0, where a crash would have ended it with the fault's status. It ends at once:
// no exit step (here the C library's flush of its streams) runs in a process
// that may be broken.
TEST(FatalFaults, AFaultInsideASystemLibraryIsShownThenTheProcessEnds) {
  const ProbeOutcome outcome = RunProbe("StrlenOfABadPointer");
  EXPECT_EQ(outcome.exitCode, 0u);
  EXPECT_EQ(outcome.unflushed, "");
  ASSERT_EQ(outcome.boxes.size(), 1u);
  const std::string& text = outcome.boxes[0].text;
  EXPECT_EQ(text.rfind("モジュール 'msvcrt.dll' のアドレス ", 0), 0u) << text;
  EXPECT_TRUE(EndsWith(text, " でアドレス 00000010 に対する読み込み違反がおきました。.")) << text;
  EXPECT_EQ(outcome.boxes[0].caption, "ミロカテ");
}

TEST(FatalFaults, AFaultThrownWhereNoFailureMayPassIsShownThenTheProcessEnds) {
  const ProbeOutcome outcome = RunProbe("FaultWhereNoFailureMayPass");
  EXPECT_EQ(outcome.exitCode, 0u);
  EXPECT_EQ(outcome.unflushed, "");
  ASSERT_EQ(outcome.boxes.size(), 1u);
  EXPECT_EQ(outcome.boxes[0].text, "ゼロによる除算.");
  EXPECT_EQ(outcome.boxes[0].caption, "ミロカテ");
}
