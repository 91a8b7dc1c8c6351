#include "text/CommandLine.h"

#include <windows.h>

namespace {

// Control bytes and the space separate arguments; bytes from 0x80 up never do.
bool IsBlank(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 0x01 && byte <= 0x20;
}

void Append(std::string& out, const char* from, const char* to) { out.append(from, to); }

// Reads one argument starting at p into `argument` and returns where reading
// continues. Quoted and unquoted stretches join into one argument; a pair of
// quotes standing alone is skipped.
const char* ReadArgument(const char* p, std::string& argument) {
  argument.clear();
  for (;;) {
    while (*p != '\0' && IsBlank(*p)) p = CharNextA(p);
    if (p[0] == '"' && p[1] == '"') {
      p += 2;
    } else {
      break;
    }
  }
  while (*p != '\0' && !IsBlank(*p)) {
    if (*p == '"') {
      p = CharNextA(p);
      while (*p != '\0' && *p != '"') {
        const char* next = CharNextA(p);
        Append(argument, p, next);
        p = next;
      }
      if (*p != '\0') p = CharNextA(p);
    } else {
      const char* next = CharNextA(p);
      Append(argument, p, next);
      p = next;
    }
  }
  return p;
}

}  // namespace

int ArgumentCountIn(const char* commandLine) {
  std::string argument;
  const char* p = ReadArgument(commandLine, argument);
  int count = 0;
  for (;;) {
    p = ReadArgument(p, argument);
    if (argument.empty()) break;
    ++count;
  }
  return count;
}

std::string ArgumentTextIn(const char* commandLine, int index) {
  std::string argument;
  const char* p = commandLine;
  for (;;) {
    p = ReadArgument(p, argument);
    if (index == 0 || argument.empty()) break;
    --index;
  }
  return argument;
}

namespace {
const char* testCommandLine = nullptr;

const char* CommandLine() { return testCommandLine != nullptr ? testCommandLine : GetCommandLineA(); }
}  // namespace

void SetCommandLineForTesting(const char* commandLine) { testCommandLine = commandLine; }

int ArgumentCount() { return ArgumentCountIn(CommandLine()); }

std::string ArgumentText(int index) {
  if (index == 0) {
    char buffer[261];
    const DWORD length = GetModuleFileNameA(GetModuleHandleA(nullptr), buffer, sizeof buffer);
    return std::string(buffer, length);
  }
  return ArgumentTextIn(CommandLine(), index);
}
