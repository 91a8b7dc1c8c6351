#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include <shellapi.h>

#include "text/CommandLine.h"
#include "text/FileNames.h"
#include "text/Utf16.h"

namespace {

using Args = std::vector<std::string>;

// The arguments after the program's name, as the program reads them.
Args ArgumentsOf(const std::string& line) {
  Args arguments;
  const int count = ArgumentCountIn(line.c_str());
  for (int i = 1; i <= count; ++i) arguments.push_back(ArgumentTextIn(line.c_str(), i));
  return arguments;
}

}  // namespace

TEST(CommandLine, QuotesKeepBlanksInsideOneArgument) {
  EXPECT_EQ(Args{"C:\\My Photos\\a b.jpg"}, ArgumentsOf("p.exe \"C:\\My Photos\\a b.jpg\""));
  EXPECT_EQ((Args{"C:\\My", "Photos\\a.jpg"}), ArgumentsOf("p.exe C:\\My Photos\\a.jpg"));
  EXPECT_EQ(Args{"ab cd"}, ArgumentsOf("p.exe a\"b c\"d"));
  EXPECT_EQ(Args{" "}, ArgumentsOf("p.exe \" \""));
  // A backslash escapes nothing: the quote after it still closes the stretch.
  EXPECT_EQ((Args{"a\\", "b"}), ArgumentsOf("p.exe \"a\\\" b"));
  // Pairs of quotes standing alone are skipped and do not end the count.
  EXPECT_EQ(Args{"x.jpg"}, ArgumentsOf("p.exe \"\" x.jpg"));
  EXPECT_EQ((Args{"x", "y"}), ArgumentsOf("p.exe x \"\" \"\"\"\" y"));
}

TEST(CommandLine, EveryControlByteSeparatesButNoHighByteDoes) {
  EXPECT_EQ((Args{"a", "b", "c\x7F"}), ArgumentsOf("p.exe\ta\r\nb\x01\x1F" "c\x7F"));
  EXPECT_EQ((Args{"é", "😀"}), ArgumentsOf("p.exe é 😀"));
  // A full-width space (E3 80 80) is one character, not a separator.
  EXPECT_EQ(Args{"a\u3000b"}, ArgumentsOf("p.exe a\u3000b"));
  EXPECT_EQ(Args{"C:\\表\\x.jpg"}, ArgumentsOf("p.exe C:\\表\\x.jpg"));
}

TEST(CommandLine, ProgramNameIsArgumentZeroAndIsNotCounted) {
  const char* line = "\"C:\\Program Files\\p.exe\"  a";
  EXPECT_EQ(1, ArgumentCountIn(line));
  EXPECT_EQ("C:\\Program Files\\p.exe", ArgumentTextIn(line, 0));
  EXPECT_EQ("", ArgumentTextIn(line, 2));
  EXPECT_EQ("", ArgumentTextIn(line, -1));
  EXPECT_EQ(0, ArgumentCountIn(" \t "));
  EXPECT_EQ("", ArgumentTextIn("", 0));
}

TEST(CommandLine, MalformedLinesGiveWhatTheReadingYields) {
  // An unbalanced quote runs to the end of the line; alone at the end it reads
  // as an empty argument, which ends the count.
  EXPECT_EQ((Args{"a", "b c "}), ArgumentsOf("p.exe a \"b c "));
  EXPECT_EQ(Args{"a"}, ArgumentsOf("p.exe a \""));
  EXPECT_EQ(Args{}, ArgumentsOf("p.exe \"\"\""));
  // A byte that begins no character stays in its argument and never takes the
  // blank after it.
  EXPECT_EQ(Args{"a\x81"}, ArgumentsOf("p.exe a\x81"));
  EXPECT_EQ((Args{"\xE3", "b"}), ArgumentsOf("p.exe \xE3 b"));
  const std::string longest(100000, 'a');
  EXPECT_EQ((Args{longest, longest}), ArgumentsOf("p.exe " + longest + " \"" + longest));
}

TEST(CommandLine, ArgumentZeroIsTheProgramsFullFileName) {
  const std::string self = ArgumentText(0);
  ASSERT_GT(self.size(), 3u);
  EXPECT_EQ(":\\", self.substr(1, 2)) << self;
  EXPECT_EQ(0, lstrcmpiW(Wide(FileNamePartOf(self)).c_str(), L"text_tests.exe")) << self;
  EXPECT_TRUE(IsExistingFile(self)) << self;
}

namespace {

// Runs this test program again on the named test with arguments after the test
// filter, and gives its exit code.
DWORD RunSelfWith(const char* filter, const std::string& arguments) {
  std::wstring commandLine = Wide("\"" + ArgumentText(0) + "\" --gtest_filter=" + filter + " " + arguments);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    return 0xFFFFFFFF;
  }
  DWORD exitCode = 0xFFFFFFFF;
  if (WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0) GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return exitCode;
}

}  // namespace

TEST(CommandLine, ProcessArgumentsAgreeWithTheRuntimesReading) {
  // Started without arguments of its own (as CTest starts it) the test would
  // compare nothing: it then runs itself again with some.
  if (__argc < 3) {
    EXPECT_EQ(0u, RunSelfWith("CommandLine.ProcessArgumentsAgree*", "C:\\表\\x.jpg\t2nd  한 é😀 third\\"));
    return;
  }
  // Without quotes after the program's name both readings split at blanks alike,
  // so the shell's reading of the real command line is an independent check.
  const wchar_t* line = GetCommandLineW();
  const wchar_t* rest = line[0] == L'"' ? std::wcschr(line + 1, L'"') : line;
  if (rest == nullptr || std::wcschr(rest + 1, L'"') != nullptr) GTEST_SKIP();
  int count = 0;
  wchar_t** const arguments = CommandLineToArgvW(line, &count);
  ASSERT_NE(nullptr, arguments);
  ASSERT_EQ(count - 1, ArgumentCount());
  for (int i = 1; i < count; ++i) EXPECT_EQ(Utf8(arguments[i]), ArgumentText(i));
  LocalFree(arguments);
  EXPECT_EQ("", ArgumentText(count));
  EXPECT_EQ("", ArgumentText(-1));
}
