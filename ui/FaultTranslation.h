#pragma once
// Processor faults in the program's own code (a division by zero, a bad pointer)
// become C++ exceptions of the classes in text/Exceptions.h, thrown at the
// faulting instruction, so the nearest message handler catches and shows them.

#include <windows.h>

#include "text/Exceptions.h"

void InstallFaultTranslation();

// Throws the exception that stands for a platform exception record.
[[noreturn]] void RaiseFaultException(const EXCEPTION_RECORD& record);
