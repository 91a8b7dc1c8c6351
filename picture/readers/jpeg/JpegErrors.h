#pragma once
// The bridge between the JPEG library's failures and the program's exceptions:
// the numbering of the library's message codes that the program shows, and an
// error manager that returns control to the caller instead of ending the process.

#include <cstdio>

#include <csetjmp>
#include <exception>

#include <jpeglib.h>

// The number shown in "JPEG エラー #%d" for a message code of the linked library.
int JpegDisplayedCode(int libraryCode);

// The library's error manager with the jump target of the guarded call that is
// running, and the exception that a callback of ours caught on the way.
struct TJpegErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  std::exception_ptr pending;
  // The data ended before the picture did, and the decoder then lacked coded
  // data for some of it: that part is what the library fills in (grey). Data
  // that only lacks its end marker leaves the picture whole.
  bool dataEnded;
  bool partMissing;
};

// Installs the error manager's operations (errors jump back; warnings and
// traces are not shown, only the data's early end is noted) and returns what
// the library's structures point at.
jpeg_error_mgr* InitJpegErrorManager(TJpegErrorManager& manager);

// Runs `step` with `argument`. A fatal library error jumps back here, so `step`
// and everything it calls must keep only trivially destructible locals; callbacks
// that run C++ code catch its exceptions themselves (see FailFromCallback).
// Returns false when the step did not complete.
bool RunJpegStep(TJpegErrorManager& manager, void (*step)(void*), void* argument);

// Raises what made a step fail: the exception a callback caught, EOutOfMemory for
// the library's memory failure, otherwise EJPEG "JPEG エラー #%d".
[[noreturn]] void RaiseJpegFailure(TJpegErrorManager& manager);

// Called inside a callback's catch block: keeps the exception being handled.
void KeepCallbackFailure(j_common_ptr cinfo);
// Called by a callback after its catch block has ended: leaves the library call
// through the error manager. Never returns.
[[noreturn]] void FailFromCallback(j_common_ptr cinfo);
