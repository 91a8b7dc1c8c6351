// Pictures read and written under names the ANSI code page cannot spell.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "picture/bitmap/Bitmap.h"
#include "picture/readers/jpeg/JpegImage.h"
#include "picture/Picture.h"
#include "tests/support/BitmapTestSupport.h"
#include "text/Exceptions.h"
#include "text/FilePath.h"

using bitmap_test::SetPixels;

namespace {

// A fresh folder named in several scripts, removed with what was written in it.
class WideFolder : public testing::Test {
protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    ASSERT_NE(0u, GetTempPathW(MAX_PATH, temp));
    folder_ = std::wstring(temp) + L"Ærø 사진 😀 " + std::to_wstring(GetCurrentProcessId()) + L"\\";
    ASSERT_TRUE(CreateDirectoryW(folder_.c_str(), nullptr));
  }
  void TearDown() override {
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((folder_ + L"*").c_str(), &found);
    std::vector<std::wstring> left;
    if (search != INVALID_HANDLE_VALUE) {
      do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) left.push_back(found.cFileName);
      } while (FindNextFileW(search, &found));
      FindClose(search);
    }
    for (const std::wstring& name : left) DeleteFileW((folder_ + name).c_str());
    RemoveDirectoryW(folder_.c_str());
  }
  FilePath Path(const std::wstring& name) const { return FilePath::FromWide(folder_ + name); }

  std::wstring folder_;
};

std::string MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Exception& failure) {
    return failure.Message();
  }
  return "(no failure)";
}

}  // namespace

TEST_F(WideFolder, APictureIsSavedReplacedAndLoadedUnderItsRealName) {
  TBitmap bitmap;
  SetPixels(bitmap, 40, 30, std::vector<DWORD>(40 * 30, 0x3060C0));
  TJPEGImage jpeg;
  jpeg.CopyFrom(&bitmap);
  const FilePath saved = Path(L"ミロカテ ～ café 😀.jpg");
  jpeg.SaveFile(saved);
  jpeg.SaveFile(saved);  // replaces the first through a temporary file beside it
  TPicture picture;
  picture.LoadFile(saved);
  EXPECT_EQ(40, picture.Width());
  EXPECT_EQ(30, picture.Height());
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW((folder_ + L"*.*").c_str(), &found);
  ASSERT_NE(INVALID_HANDLE_VALUE, search);
  int files = 0;
  do {
    files += (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  } while (FindNextFileW(search, &found));
  FindClose(search);
  EXPECT_EQ(1, files) << "no temporary file is left";
}

TEST_F(WideFolder, FailuresNameTheFileAsWellAsTheCodePageCan) {
  const FilePath missing = Path(L"없는 파일.bmp");
  TPicture picture;
  EXPECT_EQ("ファイル " + missing.Text() + " は開けません", MessageOf([&] { picture.LoadFile(missing); }));
  TBitmap bitmap;
  SetPixels(bitmap, 4, 4, std::vector<DWORD>(16, 0));
  TJPEGImage jpeg;
  jpeg.CopyFrom(&bitmap);
  const FilePath nowhere = Path(L"없는 폴더\\x.jpg");
  EXPECT_EQ("ファイル " + nowhere.Text() + " を作成できません", MessageOf([&] { jpeg.SaveFile(nowhere); }));
}
