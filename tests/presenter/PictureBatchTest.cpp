#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "presenter/PictureBatch.h"

namespace {

// A fresh folder holding empty files of the given names, removed afterwards.
class FilesFolder {
public:
  explicit FilesFolder(const std::vector<std::string>& names) {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    folder_ = temp + std::string("mirokate batch ") + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(folder_.c_str(), nullptr);
    for (const std::string& name : names) {
      CloseHandle(CreateFileA((folder_ + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
      files_.push_back(folder_ + name);
    }
  }
  ~FilesFolder() {
    for (const std::string& file : files_) DeleteFileA(file.c_str());
    RemoveDirectoryA(folder_.c_str());
  }
  FilePath operator[](const std::string& name) const { return FilePath(folder_ + name); }

private:
  std::string folder_;
  std::vector<std::string> files_;
};

std::vector<std::wstring> Wide(const std::vector<FilePath>& paths) {
  std::vector<std::wstring> wide;
  for (const FilePath& path : paths) wide.push_back(path.Wide());
  return wide;
}

// A run of pictures named themselves.
PictureRun Named(const std::vector<FilePath>& pictures) {
  PictureRun run;
  for (const FilePath& picture : pictures) run.pictures.push_back({picture, FilePath()});
  return run;
}

std::vector<std::wstring> Wide(const PictureRun& run) {
  std::vector<std::wstring> wide;
  for (const RunPicture& picture : run.pictures) wide.push_back(picture.file.Wide());
  return wide;
}

}  // namespace

TEST(PictureBatch, SeveralFilesMakeARunUnlessTogetherTheyNameOne) {
  const FilesFolder folder({"a.jpg", "b.bmp", "My", "My Photo.jpg", "Photo.jpg"});
  const std::vector<FilePath> two{folder["b.bmp"], folder["a.jpg"]};
  EXPECT_EQ(Wide(two), Wide(PictureBatch::PicturesOf(two))) << "in argument order";
  // A name split at its blank stays one picture, even where its pieces are files
  // (Photo.jpg here in the current folder).
  wchar_t current[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, current);
  ASSERT_TRUE(SetCurrentDirectoryW(folder[""].Wide().c_str()));
  EXPECT_TRUE(PictureBatch::PicturesOf({folder["My"], FilePath("Photo.jpg")}).empty());
  EXPECT_FALSE(PictureBatch::PicturesOf({folder["My"], FilePath("a.jpg")}).empty());
  SetCurrentDirectoryW(current);
  const std::vector<FilePath> pieces{folder["My"], folder["Photo.jpg"]};
  EXPECT_FALSE(PictureBatch::PicturesOf(pieces).empty()) << "two files whose joined name is none";
  // One picture, or an argument that names no file, is no run of several.
  EXPECT_TRUE(PictureBatch::PicturesOf({folder["a.jpg"]}).empty());
  EXPECT_TRUE(PictureBatch::PicturesOf({folder["a.jpg"], folder["missing.jpg"]}).empty());
  EXPECT_EQ(L"x y ", PictureBatch::Joined({FilePath("x"), FilePath("y")}).Wide());
  // Anything but several is a run of the one picture the arguments name joined.
  EXPECT_EQ(Wide(two), Wide(PictureBatch::RunOf(two)));
  EXPECT_EQ(std::vector<std::wstring>{L"x y"}, Wide(PictureBatch::RunOf({FilePath("x"), FilePath("y")})));
}

TEST(PictureBatch, TheReportNamesWhatWasSavedAndWhatFailedAndWhy) {
  PictureBatch batch(Named({FilePath("C:\\p\\a.jpg"), FilePath("C:\\p\\b.bmp"), FilePath("C:\\p\\c.jpg")}));
  ASSERT_TRUE(batch.Active());
  batch.Saved(FilePath("C:\\p\\ミロカテ ～ a.jpg"), 600, 600);
  EXPECT_EQ(L"C:\\p\\b.bmp", batch.Current().Wide());
  batch.Failed("ビットマップイメージが不正です");
  batch.Saved(FilePath("C:\\p\\ミロカテ ～ c.jpg"), 400, 800);
  EXPECT_TRUE(batch.Done());
  EXPECT_EQ(
      "3 枚のうち 2 枚の画像をミロカテ形式で保存しました。\r\n\r\n"
      "保存したファイル：\r\nミロカテ ～ a.jpg：600 x 600\r\nミロカテ ～ c.jpg：400 x 800\r\n\r\n"
      "保存できなかった画像：\r\nb.bmp：ビットマップイメージが不正です",
      batch.Report());

  PictureBatch saved(Named({FilePath("a.jpg"), FilePath("b.jpg")}));
  saved.Saved(FilePath("ミロカテ ～ a.jpg"), 1, 2);
  saved.Saved(FilePath("ミロカテ ～ b.jpg"), 3, 4);
  EXPECT_EQ("2 枚の画像をミロカテ形式で保存しました。\r\n\r\n保存したファイル：\r\n"
            "ミロカテ ～ a.jpg：1 x 2\r\nミロカテ ～ b.jpg：3 x 4",
            saved.Report());

  // A folder of one picture is a run too; "none of one" is not said.
  PictureBatch one(Named({FilePath("a.png")}));
  one.Failed("だめ");
  EXPECT_EQ("画像を保存できませんでした。\r\n\r\n保存できなかった画像：\r\na.png：だめ", one.Report());
}

TEST(PictureBatch, ALongListIsCutAndTheRestCounted) {
  std::vector<FilePath> pictures(20, FilePath("x.jpg"));
  PictureBatch batch(Named(pictures));
  while (!batch.Done()) batch.Failed("だめ");
  const std::string report = batch.Report();
  EXPECT_EQ(0u, report.find("20 枚の画像をいずれも保存できませんでした。"));
  size_t lines = 0;
  for (size_t at = report.find("x.jpg：だめ"); at != std::string::npos; at = report.find("x.jpg：だめ", at + 1)) ++lines;
  EXPECT_EQ(15u, lines);
  EXPECT_EQ(report.size() - std::string("ほか 5 枚").size(), report.rfind("\r\nほか 5 枚") + 2);
}

TEST(PictureBatch, NoPictureOfARunIsSavedOverAnotherOutputOrOverAPictureOfTheRun) {
  const FilesFolder folder({"a.bmp", "a.jpg", "ミロカテ ～ b.jpg", "b.jpg"});
  // One file given twice, another spelling of the same name, and a picture whose
  // output would be the name of another picture of the run.
  PictureBatch batch(Named({folder["a.bmp"], folder["A.JPG"], folder["a.jpg"], folder["b.jpg"],
                            folder["ミロカテ ～ b.jpg"], folder["a.bmp"]}));
  const auto save = [&batch](const FilePath& plain) {
    const FilePath output = batch.OutputFor(plain);
    batch.Saved(output, 1, 1);
    return output.FileName().Text();
  };
  EXPECT_EQ("ミロカテ ～ a.jpg", save(folder["ミロカテ ～ a.jpg"]));
  EXPECT_EQ("ミロカテ ～ A (2).jpg", save(folder["ミロカテ ～ A.jpg"]));
  EXPECT_EQ("ミロカテ ～ a (3).jpg", save(folder["ミロカテ ～ a.jpg"]));
  EXPECT_EQ("ミロカテ ～ b (2).jpg", save(folder["ミロカテ ～ b.jpg"]));
  EXPECT_EQ("ミロカテ ～ ミロカテ ～ b.jpg", save(folder["ミロカテ ～ ミロカテ ～ b.jpg"]));
  // A failure takes no name.
  EXPECT_EQ("ミロカテ ～ a (4).jpg", batch.OutputFor(folder["ミロカテ ～ a.jpg"]).FileName().Text());
  batch.Failed("だめ");
  EXPECT_NE(std::string::npos, batch.Report().find("ミロカテ ～ a (3).jpg：1 x 1"));
}

TEST(PictureBatch, AStoppedFolderRunNamesItsPicturesFromTheFolderAndCountsWhatWasNotTried) {
  const FilePath top("C:\\アルバム");
  PictureBatch batch({{{FilePath("C:\\アルバム\\旅行\\a.jpg"), top},
                       {FilePath("C:\\アルバム\\b.jpg"), top},
                       {FilePath("C:\\アルバム\\c.jpg"), top},
                       {FilePath("C:\\アルバム\\d.jpg"), top}},
                      2},
                     true);
  batch.Saved(FilePath("C:\\アルバム\\旅行\\ミロカテ ～ a.jpg"), 8, 8, true);
  batch.Failed("だめ");
  batch.Stop();
  EXPECT_TRUE(batch.Done());
  EXPECT_EQ("途中で止めました。まだ試していない画像が 2 枚あります。\r\n"
            "2 枚のうち 1 枚の画像をミロカテ形式で保存しました。\r\n\r\n"
            "保存したファイル：\r\n旅行\\ミロカテ ～ a.jpg：8 x 8\r\n\r\n"
            "保存できなかった画像：\r\nb.jpg：だめ\r\n\r\n"
            "「旅行\\a.jpg」はデータが途中で終わっていたため、画像の一部が灰色のまま保存されています。\r\n\r\n"
            "画像ではないファイル 2 個は読み飛ばしました。",
            batch.Report());
}
