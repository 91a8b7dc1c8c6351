#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "text/CommandLine.h"
#include "text/FileNames.h"
#include "text/FilePath.h"

namespace {

std::vector<std::wstring> WideArguments(const wchar_t* line) {
  std::vector<std::wstring> arguments;
  for (const FilePath& path : ArgumentPathsIn(line)) arguments.push_back(path.Wide());
  return arguments;
}

// Texts outside code page 932.
const std::wstring kCafe = L"café 😀.jpg";
const std::wstring kKorean = L"한국어.bmp";

}  // namespace

TEST(FilePath, ArgumentsOfTheWideCommandLineAreSplitAsTheAnsiOnesAre) {
  const std::wstring folder = L"C:\\dé 폴더\\";
  const std::wstring line = L"p.exe \"" + folder + kCafe + L"\" a\"b c\"d \"\" " + kKorean + L"\tx";
  const std::vector<std::wstring> expected{folder + kCafe, L"ab cd", kKorean, L"x"};
  EXPECT_EQ(expected, WideArguments(line.c_str()));
  EXPECT_TRUE(WideArguments(L"p.exe   ").empty());
  // Each argument's text is its UTF-8 spelling.
  const std::vector<FilePath> paths = ArgumentPathsIn(line.c_str());
  ASSERT_EQ(4u, paths.size());
  EXPECT_EQ("\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4.bmp", paths[2].Text());  // 한국어.bmp
  EXPECT_EQ("ab cd", paths[1].Text());
}

TEST(FilePath, AUtf8NameKeepsItsTextAndReachesTheWideFormUnchanged) {
  const FilePath japanese(std::string("C:\\写真\\表.jpg"));
  EXPECT_EQ("C:\\写真\\表.jpg", japanese.Text());
  EXPECT_EQ(L"C:\\写真\\表.jpg", japanese.Wide());
  // Every character is kept, whatever the system's code page.
  const FilePath cafe = FilePath::FromWide(kCafe);
  EXPECT_EQ(kCafe, cafe.Wide());
  EXPECT_EQ("caf\xC3\xA9 \xF0\x9F\x98\x80.jpg", cafe.Text());
  EXPECT_EQ(kCafe, FilePath(cafe.Text()).Wide());
}

TEST(FilePath, PartsSplitAtTheLastDelimiter) {
  const FilePath path = FilePath::FromWide(L"D:\\a.b\\" + kCafe + L" ");
  EXPECT_EQ(L"D:\\a.b\\", path.Directory().Wide());
  EXPECT_EQ(kCafe + L" ", path.FileName().Wide());
  EXPECT_EQ(L"D:\\a.b\\" + kCafe, path.WithExtension(".jpg").Wide());
  EXPECT_EQ(L"D:\\a.b\\c.jpg", FilePath("D:\\a.b\\c").WithExtension(".jpg").Wide());
  EXPECT_EQ(L"", FilePath("name").Directory().Wide());
  EXPECT_EQ(L"C:x", FilePath("C:x").Directory().Wide() + FilePath("C:x").FileName().Wide());
  EXPECT_EQ(L"ab", (FilePath("a") + FilePath::FromWide(L"b")).Wide());
}

TEST(FilePath, AFileNamedOutsideTheCodePageIsFoundByItsWideAndItsUtf8Name) {
  wchar_t temp[MAX_PATH];
  ASSERT_NE(0u, GetTempPathW(MAX_PATH, temp));
  const std::wstring folder = std::wstring(temp) + L"폴더 é " + std::to_wstring(GetCurrentProcessId());
  const std::wstring file = folder + L"\\" + kKorean;
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  CloseHandle(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
  EXPECT_TRUE(IsExistingFile(FilePath::FromWide(file)));
  EXPECT_TRUE(IsExistingFile(FilePath::FromWide(file + L" ")));
  EXPECT_FALSE(IsExistingFile(FilePath::FromWide(folder)));
  // Its UTF-8 text names the same file.
  EXPECT_TRUE(IsExistingFile(FilePath::FromWide(file).Text()));
  DeleteFileW(file.c_str());
  RemoveDirectoryW(folder.c_str());
}

TEST(FilePath, FileCallsGetTheFullPathBehindThePrefixThatLiftsTheLengthLimit) {
  std::wstring current(32768, L'\0');
  current.resize(GetCurrentDirectoryW(static_cast<DWORD>(current.size()), &current[0]));
  if (current.back() != L'\\') current += L'\\';
  const std::wstring deep = L"C:\\" + std::wstring(32000, L'd');
  const struct {
    std::wstring given, expected;
  } cases[] = {
      {L"C:\\dir\\a.jpg", L"\\\\?\\C:\\dir\\a.jpg"},
      // The prefix takes no "/", "." or ".." and no relative part: the system
      // reads them first, as it does without the prefix.
      {L"C:/dir/./sub/../" + kKorean, L"\\\\?\\C:\\dir\\" + kKorean},
      {L"a.jpg", L"\\\\?\\" + current + L"a.jpg"},
      // Windows drops the blanks and dots that end the name; behind the prefix
      // they would be kept and make a name the system's programs cannot reach.
      {L"C:\\dir\\a.jpg. . ", L"\\\\?\\C:\\dir\\a.jpg"},
      {L"C:\\", L"\\\\?\\C:\\"},
      {L"\\\\server\\share\\a.jpg", L"\\\\?\\UNC\\server\\share\\a.jpg"},
      {L"\\\\?\\C:\\x\\..\\y", L"\\\\?\\C:\\x\\..\\y"},
      {deep, L"\\\\?\\" + deep},
      // Beyond the system's 32,767 characters, and no name at all.
      {deep + std::wstring(800, L'e'), L""},
      {L"\\\\?\\" + deep + std::wstring(800, L'e'), L""},
      {L"", L""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(FilePath::FromWide(c.given.substr(0, 60)).Text());
    EXPECT_EQ(c.expected, FilePath::FromWide(c.given).ForFileCalls());
  }
}
