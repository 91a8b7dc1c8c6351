// The real program, started as a user would start it, watched from outside.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "tests/support/BoxWatcher.h"

namespace {

std::string ProgramPath() {
  char buffer[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  std::string path(buffer, length);
  path.resize(path.find_last_of('\\') + 1);  // build\tests\ ...
  return path + "..\\mirokate.exe";
}

struct Outcome {
  bool ended = false;
  DWORD exitCode = 0xFFFFFFFF;
};

// Starts the program with the arguments and waits for it to end.
Outcome RunProgram(const std::string& arguments, DWORD timeoutMs = 20000) {
  std::string commandLine = "\"" + ProgramPath() + "\"" + (arguments.empty() ? "" : " " + arguments);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  Outcome outcome;
  if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    ADD_FAILURE() << "could not start " << ProgramPath();
    return outcome;
  }
  outcome.ended = WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0;
  if (!outcome.ended) TerminateProcess(process.hProcess, 99);
  GetExitCodeProcess(process.hProcess, &outcome.exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return outcome;
}

}  // namespace

TEST(Program, EndsWithExitCodeZeroWithAndWithoutArguments) {
  for (const char* arguments : {"", "\"C:\\no such\\picture.bmp\""}) {
    SCOPED_TRACE(arguments);
    const Outcome outcome = RunProgram(arguments);
    EXPECT_TRUE(outcome.ended);
    EXPECT_EQ(outcome.exitCode, 0u);
  }
}
