#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "text/FileNames.h"
#include "text/Utf16.h"

TEST(FileNameParts, SplitAtTheLastBackslashOrColon) {
  EXPECT_EQ("C:\\dir.x\\", DirectoryPartOf("C:\\dir.x\\file"));
  EXPECT_EQ("file", FileNamePartOf("C:\\dir.x\\file"));
  EXPECT_EQ("C:", DirectoryPartOf("C:file"));
  EXPECT_EQ("", FileNamePartOf("C:\\dir\\"));
  // The forward slash is an ordinary byte.
  EXPECT_EQ("/dir/file", FileNamePartOf("C:/dir/file"));
  EXPECT_EQ("", DirectoryPartOf("a/b"));
}

TEST(FileNameParts, NeverSplitInsideACharacter) {
  // In Shift-JIS the second byte of 表 and ソ is "\"; in UTF-8 no byte of a longer
  // character is a delimiter.
  EXPECT_EQ("C:\\dir\\", DirectoryPartOf("C:\\dir\\表"));
  EXPECT_EQ("表ソ", FileNamePartOf("C:\\dir\\表ソ"));
  EXPECT_EQ("表\\", DirectoryPartOf("表\\x"));
  EXPECT_EQ(0, LastDelimiter("\\.:", "表ソ―😀"));
  EXPECT_EQ("a.表.jpg", ReplaceExtension("a.表.png", ".jpg"));
  // A byte that begins no character stands alone.
  EXPECT_EQ("\x95", FileNamePartOf("C:\\a\\\x95"));
}

TEST(FileExtension, IsTakenFromTheLastDotOfTheFileNamePart) {
  EXPECT_EQ("", FileExtensionOf("C:\\dir.x\\file"));
  EXPECT_EQ(".gz", FileExtensionOf("C:\\a.tar.gz"));
  EXPECT_EQ(".", FileExtensionOf("C:\\a."));
  EXPECT_EQ(".jpg ", FileExtensionOf("C:\\a.jpg "));
  EXPECT_EQ("", FileExtensionOf("file"));
  EXPECT_EQ(".表", FileExtensionOf("a.表"));
  EXPECT_EQ(".😀", FileExtensionOf("C:\\é.d\\한.😀"));
}

TEST(FileExtension, ReplacingKeepsEverythingBeforeTheOldExtension) {
  EXPECT_EQ("C:\\a.b\\c.jpg", ReplaceExtension("C:\\a.b\\c", ".jpg"));
  EXPECT_EQ("C:\\a", ReplaceExtension("C:\\a.bmp", ""));
  EXPECT_EQ("a.tar.x", ReplaceExtension("a.tar.gz", ".x"));
  EXPECT_EQ("C:.jpg", ReplaceExtension("C:.bmp", ".jpg"));
  EXPECT_EQ("a.jpg", ReplaceExtension("a.表", ".jpg"));
  EXPECT_EQ("写真 é 한.jpg", ReplaceExtension("写真 é 한.png", ".jpg"));
}

namespace {

// A fresh folder with a file in it, removed afterwards.
class ExistingFile : public testing::Test {
protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    ASSERT_NE(0u, GetTempPathW(MAX_PATH, temp));
    dir_ = Utf8(temp) + "ミロカテ試験 é" + std::to_string(GetCurrentProcessId());
    file_ = dir_ + "\\表.jpg";
    ASSERT_TRUE(CreateDirectoryW(Wide(dir_).c_str(), nullptr)) << dir_;
    ASSERT_TRUE(CreateDirectoryW(Wide(dir_ + "\\sub").c_str(), nullptr));
    const HANDLE file = CreateFileW(Wide(file_).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file) << file_;
    // Last written in 1975, a time MS-DOS dates cannot express.
    const SYSTEMTIME old = {1975, 6, 0, 15, 12, 0, 0, 0};
    FILETIME time;
    const bool stamped = SystemTimeToFileTime(&old, &time) && SetFileTime(file, nullptr, nullptr, &time);
    CloseHandle(file);
    ASSERT_TRUE(stamped);
  }
  void TearDown() override {
    DeleteFileW(Wide(file_).c_str());
    RemoveDirectoryW(Wide(dir_ + "\\sub").c_str());
    RemoveDirectoryW(Wide(dir_).c_str());
  }

  std::string dir_, file_;
};

}  // namespace

TEST_F(ExistingFile, IsTrueForAFileWhateverItsTimeStamp) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  SYSTEMTIME stored;
  ASSERT_TRUE(GetFileAttributesExW(Wide(file_).c_str(), GetFileExInfoStandard, &data));
  ASSERT_TRUE(FileTimeToSystemTime(&data.ftLastWriteTime, &stored));
  ASSERT_EQ(1975, stored.wYear);  // or the test would prove nothing
  EXPECT_TRUE(IsExistingFile(file_));
  // The lookup disregards a trailing blank and takes wildcards.
  EXPECT_TRUE(IsExistingFile(file_ + " "));
  EXPECT_TRUE(IsExistingFile(dir_ + "\\*.jpg"));
}

TEST_F(ExistingFile, IsFalseForADirectoryOrNothing) {
  EXPECT_FALSE(IsExistingFile(dir_ + "\\sub"));
  EXPECT_FALSE(IsExistingFile(dir_));
  EXPECT_FALSE(IsExistingFile(dir_ + "\\missing.jpg"));
  EXPECT_FALSE(IsExistingFile(dir_ + "\\*.bmp"));
  EXPECT_FALSE(IsExistingFile(""));
}

TEST_F(ExistingFile, StoredNameComesInTheCaseOnDisk) {
  EXPECT_EQ("表.jpg", StoredFileNameOf(dir_ + "\\表.JPG"));
  EXPECT_EQ("Missing.Jpg", StoredFileNameOf(dir_ + "\\Missing.Jpg"));
  // A wildcard names no particular file.
  EXPECT_EQ("*.JPG", StoredFileNameOf(dir_ + "\\*.JPG"));
}

TEST(FolderFiles, AreTheVisibleFilesDirectlyInsideInTheBrowsersOrder) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = std::wstring(temp) + L"mirokate files " + std::to_wstring(GetCurrentProcessId());
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  const std::wstring names[] = {L"10.jpg", L"2.jpg", L"b \u00e9t\u00e9.png", L"A.bmp", L"hidden.jpg"};
  for (const std::wstring& name : names) {
    CloseHandle(CreateFileW((folder + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  }
  SetFileAttributesW((folder + L"\\hidden.jpg").c_str(), FILE_ATTRIBUTE_HIDDEN);
  CreateDirectoryW((folder + L"\\1 sub").c_str(), nullptr);
  CloseHandle(CreateFileW((folder + L"\\1 sub\\inner.jpg").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                          nullptr));

  EXPECT_TRUE(IsExistingFolder(FilePath::FromWide(folder)));
  EXPECT_FALSE(IsExistingFolder(FilePath::FromWide(folder + L"\\2.jpg")));
  std::wstring listed;
  for (const FilePath& file : FilesInFolder(FilePath::FromWide(folder))) listed += file.FileName().Wide() + L"|";
  EXPECT_EQ(L"2.jpg|10.jpg|A.bmp|b \u00e9t\u00e9.png|", listed);
  // The folders apart, in the same order; a hidden one is left out as its files are.
  CreateDirectoryW((folder + L"\\10 sub").c_str(), nullptr);
  CreateDirectoryW((folder + L"\\hidden sub").c_str(), nullptr);
  SetFileAttributesW((folder + L"\\hidden sub").c_str(), FILE_ATTRIBUTE_HIDDEN);
  const FolderEntries entries = EntriesOfFolder(FilePath::FromWide(folder));
  ASSERT_EQ(2u, entries.folders.size());
  EXPECT_EQ(folder + L"\\1 sub", entries.folders[0].Wide());
  EXPECT_EQ(L"10 sub", entries.folders[1].FileName().Wide());
  EXPECT_EQ(4u, entries.files.size());
  RemoveDirectoryW((folder + L"\\10 sub").c_str());
  SetFileAttributesW((folder + L"\\hidden sub").c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryW((folder + L"\\hidden sub").c_str());
  EXPECT_TRUE(FilesInFolder(FilePath::FromWide(folder + L"\\missing")).empty());
  EXPECT_TRUE(IsListableFolder(FilePath::FromWide(folder)));
  EXPECT_TRUE(IsListableFolder(FilePath::FromWide(folder + L"\\1 sub")));
  EXPECT_FALSE(IsListableFolder(FilePath::FromWide(folder + L"\\missing")));
  {
    // Held by another program that shares it with nobody: it is there, unlisted.
    const HANDLE held = CreateFileW(folder.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_TRUE(IsExistingFolder(FilePath::FromWide(folder)));
    EXPECT_FALSE(IsListableFolder(FilePath::FromWide(folder)));
    CloseHandle(held);
  }

  DeleteFileW((folder + L"\\1 sub\\inner.jpg").c_str());
  RemoveDirectoryW((folder + L"\\1 sub").c_str());
  SetFileAttributesW((folder + L"\\hidden.jpg").c_str(), FILE_ATTRIBUTE_NORMAL);
  for (const std::wstring& name : names) DeleteFileW((folder + L"\\" + name).c_str());
  RemoveDirectoryW(folder.c_str());
}
