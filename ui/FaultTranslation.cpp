#include "ui/FaultTranslation.h"

#include <exception>
#include <new>

#include "resources/StringIds.h"
#include "text/FileNames.h"
#include "text/FpuControlWord.h"
#include "text/Utf16.h"
#include "ui/Application.h"
#include "ui/Platform.h"
#include "ui/UnwindTables.h"

// Entered, on the thread's throw stack, in place of the faulting code. EBP points
// at three words: the faulting code's EBP, the address it continues at (one byte
// past the instruction to blame) and its stack pointer. The unwind rules below
// read the faulting frame from them, so the unwinder walks on into the stack the
// fault left, while the throw's own frames stay on the throw stack.
extern "C" void FaultTrampoline();
extern "C" [[noreturn]] void ThrowFaultOfThisThread();
asm(R"(
    .text
    .p2align 4
    .globl _FaultTrampoline
    .def _FaultTrampoline; .scl 2; .type 32; .endef
_FaultTrampoline:
    .cfi_startproc
    .cfi_escape 0x0f, 0x03, 0x75, 0x08, 0x06
    .cfi_escape 0x10, 0x08, 0x02, 0x75, 0x04
    .cfi_escape 0x10, 0x05, 0x02, 0x75, 0x00
    call _ThrowFaultOfThisThread
    ud2
    .cfi_endproc
)");
// The rules: CFA = [EBP + 8] (DW_CFA_def_cfa_expression: DW_OP_breg5 8, DW_OP_deref);
// return address at EBP + 4 and EBP at EBP + 0 (DW_CFA_expression, DW_OP_breg5).

// Every call a cleanup makes to go on unwinding comes here (the link wraps
// _Unwind_Resume). A cleanup runs on its own frame's stack, which after an
// overflow is the little the system left below the fault, with no guard page
// any more on Windows; the unwinder's own frames need more than that. So the
// unwinder goes on on the throw stack, entered as the trampoline is: EBP points
// at the cleanup's EBP, its return address and its stack pointer before the call.
extern "C" DWORD ResumeStackTop(DWORD stackPointer);
asm(R"(
    .text
    .p2align 4
    .globl ___wrap__Unwind_Resume
    .def ___wrap__Unwind_Resume; .scl 2; .type 32; .endef
___wrap__Unwind_Resume:
    .cfi_startproc
    pushl %ebp
    .cfi_def_cfa_offset 8
    .cfi_offset %ebp, -8
    movl %esp, %ebp
    .cfi_def_cfa_register %ebp
    pushl %ebp
    call _ResumeStackTop
    addl $4, %esp
    testl %eax, %eax
    jz 1f
    .cfi_remember_state
    movl (%ebp), %ecx
    movl %ecx, (%eax)
    movl 4(%ebp), %ecx
    movl %ecx, 4(%eax)
    leal 8(%ebp), %ecx
    movl %ecx, 8(%eax)
    movl 8(%ebp), %edx
    movl %eax, %ebp
    .cfi_escape 0x0f, 0x03, 0x75, 0x08, 0x06
    .cfi_escape 0x10, 0x08, 0x02, 0x75, 0x04
    .cfi_escape 0x10, 0x05, 0x02, 0x75, 0x00
    movl %eax, %esp
    subl $12, %esp
    pushl %edx
    call ___real__Unwind_Resume
    ud2
1:
    .cfi_restore_state
    popl %ebp
    .cfi_restore %ebp
    .cfi_def_cfa %esp, 4
    jmp ___real__Unwind_Resume
    .cfi_endproc
)");

namespace {

constexpr SIZE_T kThrowStackSize = 256 * 1024;
// Below the throw stack lie its guard page and, under it, room for the system to
// report a fault on the guard (it writes the report below the stack pointer);
// the lowest page stays reserved, so what runs past that room faults at once.
constexpr SIZE_T kThrowReportRoom = 16 * 1024;
constexpr SIZE_T kFatalStackSize = 256 * 1024;
// Live stack data never lies this close above the page a guard is put back on.
constexpr DWORD kGuardMargin = 16 * 1024;

// What each thread keeps of its faults.
struct ThreadFaults {
  EXCEPTION_RECORD pending;  // the fault being thrown
  char* throwStack;          // made on the thread's first fault: its lowest address
  bool guardLost;            // an overflow was thrown; the guard page is gone
};
thread_local ThreadFaults t_faults{};

struct AddressRange {
  DWORD begin = 0, end = 0;
  bool Holds(DWORD address) const { return address >= begin && address < end; }
};
AddressRange g_ownImage;
char* g_fatalStack = nullptr;
// The thread that is ending the process after a fault, once one is.
volatile LONG g_endingThread = 0;
LPTOP_LEVEL_EXCEPTION_FILTER g_previousFilter = nullptr;

bool IsError(DWORD code) { return (code & 0xC0000000u) == 0xC0000000u; }

// The page size; the unit in which stacks grow.
DWORD PageSize() {
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  return info.dwPageSize;
}

// Ends the process at once, with none of its exit steps: after a fatal fault its
// state may be broken, and ExitProcess would still run the libraries' detach
// code (the C library flushes its open streams there, for one).
[[noreturn]] void EndNow(UINT exitCode) {
  TerminateProcess(GetCurrentProcess(), exitCode);
  for (;;) Sleep(INFINITE);  // the system ends this thread with the others
}

bool IsFloatingPointFault(DWORD code) {
  return code >= EXCEPTION_FLT_DENORMAL_OPERAND && code <= EXCEPTION_FLT_UNDERFLOW;
}

// An instruction of the program's own image that the unwinder can start at. The
// image range is checked first: some systems report address 0 as "in the exe".
bool CanUnwindFrom(DWORD address) { return g_ownImage.Holds(address) && FunctionAt(address) != 0; }

bool IsReadable(DWORD address, DWORD size) {
  MEMORY_BASIC_INFORMATION info;
  if (VirtualQuery(reinterpret_cast<void*>(address), &info, sizeof info) == 0) return false;
  const DWORD end = reinterpret_cast<DWORD>(info.BaseAddress) + info.RegionSize;
  return info.State == MEM_COMMIT && (info.Protect & (PAGE_GUARD | PAGE_NOACCESS)) == 0 && address + size <= end;
}

// Length of an indirect call FF /2 with that ModRM byte (and the SIB byte after it).
DWORD IndirectCallLength(BYTE modrm, BYTE sib) {
  const BYTE mod = modrm >> 6, rm = modrm & 7;
  DWORD length = 2;
  if (mod != 3 && rm == 4) {
    ++length;
    if (mod == 0 && (sib & 7) == 5) length += 4;
  }
  if (mod == 0 && rm == 5) length += 4;
  if (mod == 1) length += 1;
  if (mod == 2) length += 4;
  return length;
}

// Whether the address follows a call instruction of the program's own code.
bool FollowsCall(DWORD returnAddress) {
  if (!g_ownImage.Holds(returnAddress - 7)) return false;
  const BYTE* code = reinterpret_cast<const BYTE*>(returnAddress);
  if (code[-5] == 0xE8) return true;
  for (DWORD length = 2; length <= 7; ++length) {
    const BYTE* call = code - length;
    if (call[0] == 0xFF && ((call[1] >> 3) & 7) == 2 && IndirectCallLength(call[1], call[2]) == length) return true;
  }
  return false;
}

// The fault happened at fetching the instruction itself: a call or jump went to
// an address with no code (a null or stale function pointer).
bool IsBadCodeAddress(const EXCEPTION_RECORD& record, const CONTEXT& context) {
  if (record.ExceptionCode != EXCEPTION_ACCESS_VIOLATION || record.NumberParameters < 2) return false;
  if (record.ExceptionInformation[1] == context.Eip) return true;
  MEMORY_BASIC_INFORMATION info;
  const DWORD executable = PAGE_EXECUTE | PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
  return VirtualQuery(reinterpret_cast<void*>(context.Eip), &info, sizeof info) == 0 ||
         info.State != MEM_COMMIT || (info.Protect & executable) == 0;
}

// Where the unwinder can take up a faulting frame: the address it continues at
// (the instruction to blame lies one byte before) and its stack pointer there.
struct ThrowPoint {
  DWORD continueAt;
  DWORD stackPointer;
};

// The stack pointer at an earlier instruction of the function the context is in,
// as the unwind tables tell it. The frame's canonical address is the same at
// both: with both rules on ESP the difference of their offsets is how far the
// stack pointer moved in between. With a frame pointer the tables tell only the
// arguments pushed for calls; in a function's body the compiler moves the stack
// pointer for nothing else but the moment after a call that pops its own.
bool StackPointerAt(DWORD earlier, const CONTEXT& context, DWORD& stackPointer) {
  const FrameAddressRule then = FrameAddressRuleAt(earlier), now = FrameAddressRuleAt(context.Eip);
  if (then.reg == FrameAddressRule::kEsp && now.reg == FrameAddressRule::kEsp) {
    stackPointer = context.Esp + now.offset - then.offset;
    return true;
  }
  if (then.reg == FrameAddressRule::kEbp && now.reg == FrameAddressRule::kEbp && then.offset == now.offset) {
    stackPointer = context.Esp + now.pushedArguments - then.pushedArguments;
    return true;
  }
  return false;
}

// The floating-point unit reports a fault late, at the next floating-point
// instruction, which the compiler may not expect to fault (a store to the stack)
// and which may have another handler region. The unit remembers the instruction
// that failed: the throw point is that one, with the stack pointer it had, when
// it lies earlier in the same function and that stack pointer is known. A fault
// that shows only after a return (in the caller) is thrown where it shows.
bool FindFailedFloatingPoint(const EXCEPTION_RECORD& record, const CONTEXT& context, ThrowPoint& point) {
  const DWORD failed = context.FloatSave.ErrorOffset;
  DWORD stackPointer = 0;
  if (!IsFloatingPointFault(record.ExceptionCode) || (context.ContextFlags & CONTEXT_FLOATING_POINT) == 0 ||
      !CanUnwindFrom(failed) || FunctionAt(failed) != FunctionAt(context.Eip) || failed >= context.Eip ||
      !StackPointerAt(failed, context, stackPointer)) {
    return false;
  }
  point = {failed + 1, stackPointer};
  return true;
}

bool FindThrowPoint(const EXCEPTION_RECORD& record, const CONTEXT& context, ThrowPoint& point) {
  if (CanUnwindFrom(context.Eip)) {
    if (!FindFailedFloatingPoint(record, context, point)) point = {context.Eip + 1, context.Esp};
    return true;
  }
  // A call to a bad address: nothing of the callee ran, so the caller's frame is
  // whole, its return address on top of the stack. Continue as if the callee threw.
  if (IsBadCodeAddress(record, context) && IsReadable(context.Esp, 4)) {
    const DWORD returnAddress = *reinterpret_cast<const DWORD*>(context.Esp);
    if (CanUnwindFrom(returnAddress - 1) && FollowsCall(returnAddress)) {
      point = {returnAddress, context.Esp + 4};
      return true;
    }
  }
  return false;
}

char* NewStack(SIZE_T size) {
  return static_cast<char*>(VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
}

SIZE_T ThrowStackExtent() { return 2 * PageSize() + kThrowReportRoom + kThrowStackSize; }

// The throw stack, its own guard page and the room below it.
char* NewThrowStack() {
  const DWORD page = PageSize();
  char* base = static_cast<char*>(VirtualAlloc(nullptr, ThrowStackExtent(), MEM_RESERVE, PAGE_NOACCESS));
  if (base == nullptr) return nullptr;
  DWORD old;
  if (VirtualAlloc(base + page, ThrowStackExtent() - page, MEM_COMMIT, PAGE_READWRITE) == nullptr ||
      !VirtualProtect(base + page + kThrowReportRoom, page, PAGE_READWRITE | PAGE_GUARD, &old)) {
    VirtualFree(base, 0, MEM_RELEASE);
    return nullptr;
  }
  return base;
}

char* ThrowStackTop() { return t_faults.throwStack + ThrowStackExtent(); }

bool OnThrowStack(DWORD stackPointer) {
  const DWORD base = reinterpret_cast<DWORD>(t_faults.throwStack);
  return base != 0 && stackPointer >= base && stackPointer < base + ThrowStackExtent();
}

// Redirects the faulting thread to the trampoline on its throw stack.
bool ThrowFromPoint(const EXCEPTION_RECORD& record, CONTEXT& context, const ThrowPoint& point) {
  if (t_faults.throwStack == nullptr) t_faults.throwStack = NewThrowStack();
  if (t_faults.throwStack == nullptr) return false;
  t_faults.pending = record;
  t_faults.pending.ExceptionRecord = nullptr;
  if (record.ExceptionCode == EXCEPTION_STACK_OVERFLOW) t_faults.guardLost = true;
  DWORD* frame = reinterpret_cast<DWORD*>(ThrowStackTop() - 16);
  frame[0] = context.Ebp;
  frame[1] = point.continueAt;
  frame[2] = point.stackPointer;
  context.Ebp = reinterpret_cast<DWORD>(frame);
  context.Esp = reinterpret_cast<DWORD>(frame);
  context.Eip = reinterpret_cast<DWORD>(&FaultTrampoline);
  return true;
}

// The module whose committed image holds the address, without directory.
bool ModuleNameAt(const void* address, std::string& name) {
  MEMORY_BASIC_INFORMATION info;
  if (VirtualQuery(address, &info, sizeof info) == 0 || info.State != MEM_COMMIT) return false;
  const std::string path = ModuleFileName(static_cast<HMODULE>(info.AllocationBase));
  if (path.empty()) return false;
  name = FileNamePartOf(path);
  return true;
}

std::string DisplayedText(const Exception& failure) { return ExceptionDisplayText(failure.Message()); }

// The text the stop box shows for a fault record.
std::string FaultText(const EXCEPTION_RECORD& record) {
  try {
    RaiseFaultException(record);
  } catch (const Exception& failure) {
    return DisplayedText(failure);
  } catch (...) {
  }
  return std::string();
}

// A floating-point fault leaves its exception pending in the unit: start clean.
void ResetFloatingPointUnit() {
  asm volatile("fninit");
  LoadDefaultFpuControlWord();
}

[[noreturn]] void EndWithFaultMessage(const EXCEPTION_RECORD& record) {
  ResetFloatingPointUnit();
  EndProcessAfterMessage(FaultText(record));
}

// Runs on the fatal stack: the fault cannot be continued after.
[[noreturn]] void EndAfterFault(const EXCEPTION_RECORD* record) { EndWithFaultMessage(*record); }

// Moves the faulting thread onto the fatal stack, into EndAfterFault. Without a
// message the process ends as after a crash, with the fault's status.
LONG EndFromFault(const EXCEPTION_RECORD& record, CONTEXT& context) {
  const LONG self = static_cast<LONG>(GetCurrentThreadId());
  if (InterlockedCompareExchange(&g_endingThread, self, 0) != 0 || g_fatalStack == nullptr) {
    EndNow(record.ExceptionCode);
  }
  char* top = g_fatalStack + kFatalStackSize - 256;
  auto* copy = reinterpret_cast<EXCEPTION_RECORD*>(top);
  *copy = record;
  copy->ExceptionRecord = nullptr;
  // As after a call from a 16-byte aligned stack: a return address, the argument.
  DWORD* arguments = reinterpret_cast<DWORD*>(top - 16 - 4);
  arguments[0] = 0;
  arguments[1] = reinterpret_cast<DWORD>(copy);
  context.Esp = reinterpret_cast<DWORD>(arguments);
  context.Eip = reinterpret_cast<DWORD>(&EndAfterFault);
  return EXCEPTION_CONTINUE_EXECUTION;
}

// A second fault on the thread that is already ending the process ends it at once.
void EndAtOnceIfEnding(DWORD code) {
  if (g_endingThread == static_cast<LONG>(GetCurrentThreadId())) EndNow(code);
}

LONG CALLBACK OnPlatformException(EXCEPTION_POINTERS* pointers) {
  const EXCEPTION_RECORD& record = *pointers->ExceptionRecord;
  CONTEXT& context = *pointers->ContextRecord;
  // The throw ran into the guard of its own stack: it overflowed that stack.
  if (record.ExceptionCode == STATUS_GUARD_PAGE_VIOLATION && OnThrowStack(context.Esp)) {
    EXCEPTION_RECORD overflow = record;
    overflow.ExceptionCode = EXCEPTION_STACK_OVERFLOW;
    overflow.NumberParameters = 0;
    return EndFromFault(overflow, context);
  }
  // Only errors, not warnings or debugger notices.
  if (!IsError(record.ExceptionCode)) return EXCEPTION_CONTINUE_SEARCH;
  EndAtOnceIfEnding(record.ExceptionCode);
  // A fault while a throw runs on the throw stack (the unwinder itself) cannot be
  // thrown again; nor can the unwinder's tables be consulted safely then.
  const bool throwing = OnThrowStack(context.Esp);
  ThrowPoint point;
  if (!throwing && FindThrowPoint(record, context, point) && ThrowFromPoint(record, context, point)) {
    return EXCEPTION_CONTINUE_EXECUTION;
  }
  // An overflowed stack leaves no room for the system's search of handlers, and
  // a broken throw none for anything: end the process from the fatal stack. Any
  // other fault (one inside a system library, say) is left to the handlers of
  // the code it happened in; what none of them handles reaches OnUnhandledFault.
  if (throwing || record.ExceptionCode == EXCEPTION_STACK_OVERFLOW) return EndFromFault(record, context);
  return EXCEPTION_CONTINUE_SEARCH;
}

LONG WINAPI OnUnhandledFault(EXCEPTION_POINTERS* pointers) {
  const EXCEPTION_RECORD& record = *pointers->ExceptionRecord;
  if (!IsError(record.ExceptionCode)) {
    return g_previousFilter != nullptr ? g_previousFilter(pointers) : EXCEPTION_CONTINUE_SEARCH;
  }
  EndAtOnceIfEnding(record.ExceptionCode);
  EndWithFaultMessage(record);
}

// A C++ failure that nothing catches (or one thrown where the program's handler
// regions say it must not be) ends the process, after its message is shown.
[[noreturn]] void OnTerminate() {
  std::string text;
  try {
    if (std::current_exception()) std::rethrow_exception(std::current_exception());
  } catch (const EExternal& failure) {
    text = DisplayedText(failure);
  } catch (const Exception& failure) {
    text = DisplayedText(failure);
  } catch (const std::bad_alloc&) {
    text = DisplayedText(OutOfMemoryFailure());
  } catch (const std::exception& failure) {
    text = ExceptionDisplayText(failure.what());
  } catch (...) {
  }
  EndProcessAfterMessage(text);
}

struct FatalMessage {
  std::wstring text;
  std::wstring caption;
};

DWORD WINAPI ShowFatalMessage(void* parameter) {
  const auto* message = static_cast<const FatalMessage*>(parameter);
  // No owner: the program's windows belong to the thread that waits. On top, as
  // the program's own window may stay on top.
  MessageBoxW(nullptr, message->text.c_str(), message->caption.c_str(),
              MB_OK | MB_ICONSTOP | MB_TOPMOST | MB_SETFOREGROUND);
  return 0;
}

}  // namespace

extern "C" __attribute__((used)) DWORD ResumeStackTop(DWORD stackPointer) {
  // A cleanup of the throw's own frames (the exception's construction) is on the
  // throw stack already; its top is in use then.
  if (t_faults.throwStack == nullptr || OnThrowStack(stackPointer)) return 0;
  return reinterpret_cast<DWORD>(ThrowStackTop() - 16);
}

extern "C" [[noreturn]] __attribute__((used, noinline)) void ThrowFaultOfThisThread() {
  ResetFloatingPointUnit();
  const EXCEPTION_RECORD record = t_faults.pending;
  RaiseFaultException(record);
}

void RaiseFaultException(const EXCEPTION_RECORD& record) {
  switch (record.ExceptionCode) {
    case EXCEPTION_INT_DIVIDE_BY_ZERO: throw EDivByZero(ResText(IDS_DIV_BY_ZERO), record);
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED: throw ERangeError(ResText(IDS_RANGE_ERROR), record);
    case EXCEPTION_INT_OVERFLOW: throw EIntOverflow(ResText(IDS_INT_OVERFLOW), record);
    case EXCEPTION_FLT_INEXACT_RESULT:
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_FLT_STACK_CHECK: throw EInvalidOp(ResText(IDS_INVALID_OP), record);
    case EXCEPTION_FLT_DIVIDE_BY_ZERO: throw EZeroDivide(ResText(IDS_ZERO_DIVIDE), record);
    case EXCEPTION_FLT_OVERFLOW: throw EOverflow(ResText(IDS_OVERFLOW), record);
    case EXCEPTION_FLT_DENORMAL_OPERAND:
    case EXCEPTION_FLT_UNDERFLOW: throw EUnderflow(ResText(IDS_UNDERFLOW), record);
    case EXCEPTION_PRIV_INSTRUCTION: throw EPrivilege(ResText(IDS_PRIVILEGE), record);
    case EXCEPTION_STACK_OVERFLOW: throw EStackOverflow(ResText(IDS_STACK_OVERFLOW), record);
    case STATUS_CONTROL_C_EXIT: throw EControlC(ResText(IDS_CONTROL_C), record);
    case EXCEPTION_ACCESS_VIOLATION: {
      const std::string kind = ResText(record.ExceptionInformation[0] == 1 ? IDS_ACCESS_WRITE : IDS_ACCESS_READ);
      const void* accessed = reinterpret_cast<const void*>(record.ExceptionInformation[1]);
      std::string module;
      if (ModuleNameAt(record.ExceptionAddress, module)) {
        throw EAccessViolation(
            ResFormat(IDS_ACCESS_VIOLATION_MODULE, {record.ExceptionAddress, module, kind, accessed}), record);
      }
      throw EAccessViolation(ResFormat(IDS_ACCESS_VIOLATION, {record.ExceptionAddress, kind, accessed}), record);
    }
    default:
      throw EExternalException(
          ResFormat(IDS_EXTERNAL_EXCEPTION, {static_cast<unsigned long>(record.ExceptionCode)}), record);
  }
}

void RestoreStackGuard() {
  if (!t_faults.guardLost) return;
  const DWORD page = PageSize();
  MEMORY_BASIC_INFORMATION info;
  volatile char probe = 0;
  const DWORD current = reinterpret_cast<DWORD>(&probe);
  if (VirtualQuery(const_cast<char*>(&probe), &info, sizeof info) == 0) return;
  void* const base = info.AllocationBase;
  // The lowest page of the stack in use becomes the guard again; below it lies
  // only what the system keeps unusable.
  for (DWORD at = reinterpret_cast<DWORD>(base); at < current;
       at = reinterpret_cast<DWORD>(info.BaseAddress) + info.RegionSize) {
    if (VirtualQuery(reinterpret_cast<void*>(at), &info, sizeof info) == 0 || info.AllocationBase != base) return;
    if (info.State != MEM_COMMIT || (info.Protect & PAGE_NOACCESS) != 0) continue;
    if ((info.Protect & PAGE_GUARD) == 0) {
      if (at + page + kGuardMargin > current) return;  // still in use: try again later
      DWORD old;
      if (!VirtualProtect(reinterpret_cast<void*>(at), page, PAGE_READWRITE | PAGE_GUARD, &old)) return;
    }
    t_faults.guardLost = false;
    return;
  }
}

void EndProcessAfterMessage(const std::string& text) {
  const LONG self = static_cast<LONG>(GetCurrentThreadId());
  const LONG ending = InterlockedCompareExchange(&g_endingThread, self, 0);
  if (ending != 0 && ending != self) {
    // Another thread shows its message and ends the process.
    for (;;) Sleep(INFINITE);
  }
  FatalMessage message;
  try {
    message.text = Wide(text);
    if (Application != nullptr) message.caption = Wide(Application->Title());
  } catch (...) {
  }
  const HANDLE thread = CreateThread(nullptr, 0, ShowFatalMessage, &message, 0, nullptr);
  if (thread != nullptr) {
    WaitForSingleObject(thread, INFINITE);
  } else {
    ShowFatalMessage(&message);
  }
  EndNow(0);
}

void InstallFaultTranslation() {
  static bool installed = false;
  if (installed) return;
  const auto base = reinterpret_cast<DWORD>(GetModuleHandleW(nullptr));
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  g_ownImage = {base, base + nt->OptionalHeader.SizeOfImage};
  // Made now, while memory and stack are plentiful: the unwinder's sorted
  // tables, this thread's record and throw stack, and the fatal stack.
  FunctionAt(reinterpret_cast<DWORD>(&InstallFaultTranslation));
  t_faults.throwStack = NewThrowStack();
  g_fatalStack = NewStack(kFatalStackSize);
  AddVectoredExceptionHandler(1, OnPlatformException);
  g_previousFilter = SetUnhandledExceptionFilter(OnUnhandledFault);
  std::set_terminate(OnTerminate);
  installed = true;
}
