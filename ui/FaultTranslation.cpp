#include "ui/FaultTranslation.h"

#include "resources/StringIds.h"
#include "text/FileNames.h"
#include "ui/Platform.h"

namespace {

// The fault being turned into an exception. Only the GUI thread runs the
// program's code, and the record is consumed before anything else can fault.
EXCEPTION_RECORD g_pendingFault;

bool IsOwnCode(DWORD address) {
  HMODULE module = nullptr;
  return GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(static_cast<uintptr_t>(address)), &module) &&
         module == GetModuleHandleA(nullptr);
}

// The module whose committed image holds the address, without directory.
bool ModuleNameAt(const void* address, std::string& name) {
  MEMORY_BASIC_INFORMATION info;
  if (VirtualQuery(address, &info, sizeof info) == 0 || info.State != MEM_COMMIT) return false;
  char buffer[MAX_PATH];
  const DWORD length = GetModuleFileNameA(static_cast<HMODULE>(info.AllocationBase), buffer, sizeof buffer);
  if (length == 0) return false;
  name = FileNamePartOf(std::string(buffer, length));
  return true;
}

[[noreturn]] void RaiseAccessViolation(const EXCEPTION_RECORD& record) {
  const std::string kind = ResText(record.ExceptionInformation[0] == 1 ? IDS_ACCESS_WRITE : IDS_ACCESS_READ);
  const void* accessed = reinterpret_cast<const void*>(record.ExceptionInformation[1]);
  std::string module;
  if (ModuleNameAt(record.ExceptionAddress, module)) {
    throw EAccessViolation(
        ResFormat(IDS_ACCESS_VIOLATION_MODULE, {record.ExceptionAddress, module, kind, accessed}), record);
  }
  throw EAccessViolation(ResFormat(IDS_ACCESS_VIOLATION, {record.ExceptionAddress, kind, accessed}), record);
}

// Where a translated fault continues: as if the faulting instruction had called
// this function, which throws. The return address it sees lies one byte past the
// fault's start, so the unwinder, which looks one byte back, finds the faulting
// instruction and its handler region (-fnon-call-exceptions provides those).
[[noreturn]] __attribute__((noinline, force_align_arg_pointer)) void ThrowPendingFault() {
  // A floating-point fault leaves its exception pending in the unit: start clean.
  asm volatile("fninit");
  LoadDefaultFpuControlWord();
  const EXCEPTION_RECORD record = g_pendingFault;
  RaiseFaultException(record);
}

bool IsFloatingPointFault(DWORD code) {
  return code >= EXCEPTION_FLT_DENORMAL_OPERAND && code <= EXCEPTION_FLT_UNDERFLOW;
}

// The instruction to blame. The floating-point unit reports its faults late, at
// the next floating-point instruction (often a store to the stack, which the
// compiler does not expect to fault); the unit itself remembers the instruction
// that failed, and that one lies where the compiler placed its handler regions.
DWORD FaultingInstruction(const EXCEPTION_RECORD& record, const CONTEXT& context) {
  if (IsFloatingPointFault(record.ExceptionCode) && (context.ContextFlags & CONTEXT_FLOATING_POINT) != 0 &&
      IsOwnCode(context.FloatSave.ErrorOffset)) {
    return context.FloatSave.ErrorOffset;
  }
  return context.Eip;
}

LONG CALLBACK OnPlatformException(EXCEPTION_POINTERS* pointers) {
  const EXCEPTION_RECORD& record = *pointers->ExceptionRecord;
  CONTEXT& context = *pointers->ContextRecord;
  // Only errors (not warnings or debugger notices) raised by an instruction of the
  // program itself: faults inside system code are the system's to handle, and
  // frames there could not be unwound anyway.
  if ((record.ExceptionCode & 0xC0000000u) != 0xC0000000u) return EXCEPTION_CONTINUE_SEARCH;
  const DWORD faultAt = FaultingInstruction(record, context);
  if (!IsOwnCode(faultAt)) return EXCEPTION_CONTINUE_SEARCH;
  g_pendingFault = record;
  g_pendingFault.ExceptionRecord = nullptr;
  context.Esp -= sizeof(DWORD);
  *reinterpret_cast<DWORD*>(context.Esp) = faultAt + 1;
  context.Eip = reinterpret_cast<DWORD>(&ThrowPendingFault);
  return EXCEPTION_CONTINUE_EXECUTION;
}

}  // namespace

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
    case EXCEPTION_ACCESS_VIOLATION: RaiseAccessViolation(record);
    default:
      throw EExternalException(
          ResFormat(IDS_EXTERNAL_EXCEPTION, {static_cast<unsigned long>(record.ExceptionCode)}), record);
  }
}

void InstallFaultTranslation() {
  static bool installed = false;
  if (installed) return;
  AddVectoredExceptionHandler(1, OnPlatformException);
  installed = true;
}
