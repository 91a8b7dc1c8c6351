#pragma once
// The program's failures: every one is an Exception carrying a UTF-8 message,
// most of them taken from the string table by number.

#include <windows.h>

#include <exception>
#include <initializer_list>
#include <string>

#include "text/Format.h"

class Exception : public std::exception {
public:
  explicit Exception(std::string message = std::string(), std::string reason = std::string())
      : message_(std::move(message)), reason_(std::move(reason)) {}
  const std::string& Message() const { return message_; }
  void SetMessage(std::string message) {
    message_ = std::move(message);
    reason_.clear();
  }
  // The message without the name of the file it concerns, for a list that names
  // the file already; the message itself when it names none.
  const std::string& Reason() const { return reason_.empty() ? message_ : reason_; }
  const char* what() const noexcept override { return message_.c_str(); }

private:
  std::string message_;
  std::string reason_;
};

// The text with that number from the program's string table; empty when missing.
std::string ResText(unsigned id);
// The same text with its directives filled (see FormatText).
std::string ResFormat(unsigned id, std::initializer_list<FormatArg> args);

// The system's own text for an error code, or empty text.
std::string SystemErrorText(DWORD code);
// Raises EOSError for GetLastError(): "システムエラー。コード：%d.\r\n%s", or
// "OS 機能呼び出しの失敗" when the system gives no code.
[[noreturn]] void RaiseLastOSError();

#define MIROKATE_EXCEPTION(Name, Base)  \
  class Name : public Base {            \
  public:                               \
    using Base::Base;                   \
  }

// The silent failure: it ends what is going on and shows nothing.
MIROKATE_EXCEPTION(EAbort, Exception);
MIROKATE_EXCEPTION(EConvertError, Exception);
MIROKATE_EXCEPTION(EInvalidOperation, Exception);
MIROKATE_EXCEPTION(EResNotFound, Exception);
MIROKATE_EXCEPTION(EOSError, Exception);

MIROKATE_EXCEPTION(EHeapException, Exception);
MIROKATE_EXCEPTION(EOutOfMemory, EHeapException);
MIROKATE_EXCEPTION(EInvalidPointer, EHeapException);
MIROKATE_EXCEPTION(EOutOfResources, EOutOfMemory);

MIROKATE_EXCEPTION(EStreamError, Exception);
MIROKATE_EXCEPTION(EFileStreamError, EStreamError);
MIROKATE_EXCEPTION(EFOpenError, EFileStreamError);
MIROKATE_EXCEPTION(EFCreateError, EFileStreamError);
MIROKATE_EXCEPTION(EFilerError, EStreamError);
MIROKATE_EXCEPTION(EReadError, EFilerError);
MIROKATE_EXCEPTION(EWriteError, EFilerError);

MIROKATE_EXCEPTION(EInvalidGraphic, Exception);
MIROKATE_EXCEPTION(EInvalidGraphicOperation, Exception);
MIROKATE_EXCEPTION(EJPEG, EInvalidGraphic);

// Processor faults and other platform exceptions; they keep the platform's record.
class EExternal : public Exception {
public:
  explicit EExternal(std::string message = std::string()) : Exception(std::move(message)) {}
  EExternal(std::string message, const EXCEPTION_RECORD& record)
      : Exception(std::move(message)), record_(record) {}
  const EXCEPTION_RECORD& Record() const { return record_; }

private:
  EXCEPTION_RECORD record_{};
};

MIROKATE_EXCEPTION(EIntError, EExternal);
MIROKATE_EXCEPTION(EDivByZero, EIntError);
MIROKATE_EXCEPTION(ERangeError, EIntError);
MIROKATE_EXCEPTION(EIntOverflow, EIntError);
MIROKATE_EXCEPTION(EMathError, EExternal);
MIROKATE_EXCEPTION(EInvalidOp, EMathError);
MIROKATE_EXCEPTION(EZeroDivide, EMathError);
MIROKATE_EXCEPTION(EOverflow, EMathError);
MIROKATE_EXCEPTION(EUnderflow, EMathError);
MIROKATE_EXCEPTION(EAccessViolation, EExternal);
MIROKATE_EXCEPTION(EPrivilege, EExternal);
MIROKATE_EXCEPTION(EStackOverflow, EExternal);
MIROKATE_EXCEPTION(EControlC, EExternal);
MIROKATE_EXCEPTION(EExternalException, EExternal);

#undef MIROKATE_EXCEPTION
