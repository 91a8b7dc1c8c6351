#include "text/CommandLine.h"

#include <windows.h>

#include <type_traits>

#include "text/FileNames.h"
#include "text/Utf16.h"

namespace {

// Control characters and the space separate arguments; no byte of a longer UTF-8
// character does, nor does any character of the wide command line beyond them.
template <class Char>
bool IsBlank(Char c) {
  const auto code = static_cast<std::make_unsigned_t<Char>>(c);
  return code >= 0x01 && code <= 0x20;
}

// Reads one argument starting at p into `argument` and returns where reading
// continues. No byte of a longer UTF-8 character and no unit of a UTF-16 pair is
// a blank or a quote, so a step of one byte or unit never splits what matters. Quoted and unquoted stretches join into one argument; a pair of
// quotes standing alone is skipped.
template <class Char>
const Char* ReadArgument(const Char* p, std::basic_string<Char>& argument) {
  argument.clear();
  for (;;) {
    while (*p != 0 && IsBlank(*p)) ++p;
    if (p[0] == '"' && p[1] == '"') {
      p += 2;
    } else {
      break;
    }
  }
  while (*p != 0 && !IsBlank(*p)) {
    if (*p == '"') {
      ++p;
      while (*p != 0 && *p != '"') argument += *p++;
      if (*p != 0) ++p;
    } else {
      argument += *p++;
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

std::vector<FilePath> ArgumentPathsIn(const wchar_t* commandLine) {
  std::vector<FilePath> paths;
  std::wstring argument;
  const wchar_t* p = ReadArgument(commandLine, argument);
  for (;;) {
    p = ReadArgument(p, argument);
    if (argument.empty()) break;
    paths.push_back(FilePath::FromWide(argument));
  }
  return paths;
}

namespace {
const char* testCommandLine = nullptr;

const char* CommandLine() {
  if (testCommandLine != nullptr) return testCommandLine;
  static const std::string line = Utf8(GetCommandLineW());
  return line.c_str();
}
}  // namespace

void SetCommandLineForTesting(const char* commandLine) { testCommandLine = commandLine; }

int ArgumentCount() { return ArgumentCountIn(CommandLine()); }

std::string ArgumentText(int index) {
  if (index == 0) return ModuleFileName(nullptr);
  return ArgumentTextIn(CommandLine(), index);
}

std::vector<FilePath> ArgumentPaths() {
  if (testCommandLine == nullptr) return ArgumentPathsIn(GetCommandLineW());
  std::vector<FilePath> paths;
  const int count = ArgumentCountIn(testCommandLine);
  for (int i = 1; i <= count; ++i) paths.emplace_back(ArgumentTextIn(testCommandLine, i));
  return paths;
}
