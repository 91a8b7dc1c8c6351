// Runs the program as a person at the screen would, for machines without one:
// starts it on the picture, prints each box it shows (read through the box's
// copy key), answers OK, and passes on the program's exit code.
//   headless_run.exe PROGRAM.exe [PICTURE]
#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/support/BoxWatcher.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: headless_run PROGRAM.exe [PICTURE]\n");
    return 2;
  }
  // Quoted as the shell quotes a dropped file.
  std::string commandLine = "\"" + std::string(argv[1]) + "\"";
  if (argc > 2) commandLine += " \"" + std::string(argv[2]) + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    std::fprintf(stderr, "cannot start %s (error %lu)\n", argv[1], GetLastError());
    return 2;
  }
  DWORD exitCode = 1;
  {
    BoxWatcher watcher(process.dwProcessId);
    size_t printed = 0;
    const auto printNew = [&] {
      const std::vector<SeenBox> seen = watcher.Seen();
      for (; printed < seen.size(); ++printed) {
        std::printf("box \"%s\": %s\n", seen[printed].caption.c_str(), seen[printed].text.c_str());
        std::fflush(stdout);
      }
    };
    while (WaitForSingleObject(process.hProcess, 100) == WAIT_TIMEOUT) printNew();
    watcher.WaitFor(printed + 1, 300);
    printNew();
  }
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(exitCode);
}
