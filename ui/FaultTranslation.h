#pragma once
// Processor faults become C++ exceptions of the classes in text/Exceptions.h, so
// the nearest message handler catches and shows them. A fault is thrown only
// from a point the unwinder can start at: an instruction of the program's own
// code, or the call site of a call that went to a bad address. The throw itself,
// and the unwinding that goes on after each cleanup, run on a stack of its own
// with a guard of its own, so a fault with no stack left (an overflow) is thrown
// like any other. A fault with no such point, such as one inside a system
// library, cannot be continued after: its message is shown in the stop box and
// the process ends at once with exit code 0, as the program ends after any
// failure it has shown. Only when no message can be shown (a fault while the
// process is being ended) does it end with the fault's status, as a crash would.

#include <windows.h>

#include <string>

#include "text/Exceptions.h"

// Installs the translation, the last-chance handling of faults nothing caught,
// and the display of failures that end the process (std::terminate included).
void InstallFaultTranslation();

// Throws the exception that stands for a platform exception record.
[[noreturn]] void RaiseFaultException(const EXCEPTION_RECORD& record);

// After a stack overflow was thrown, puts the calling thread's stack guard back
// once the stack has been unwound, so that a later overflow is caught too. Does
// nothing otherwise; the failure display calls it first.
void RestoreStackGuard();

// Shows the message in the stop box, from a thread of its own so that none of
// the program's windows run again, then ends the process with exit code 0, as
// the program ends after any failure it has shown, without its exit steps (no
// static destructors, no library detach code): the process may be broken. The
// text is shown as given (the display's full stop is the caller's).
[[noreturn]] void EndProcessAfterMessage(const std::string& text);
