// The picture holder, the format registry and the file stream. Most cases load a
// small test graphic registered under test extensions, so that they do not depend
// on how a bitmap reads its files.
#include <gtest/gtest.h>

#include "tests/support/Failures.h"
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "picture/bitmap/Bitmap.h"
#include "picture/formats/FileFormats.h"
#include "picture/Picture.h"
#include "picture/core/Stream.h"
#include "text/Exceptions.h"

namespace {

int gLiveGraphics = 0;

// Its file holds its size as text, "W H". Loading reports progress and several
// changes; a file starting with "bad" fails after that, like a reader that finds
// damage halfway.
class TTestGraphic : public TGraphic {
public:
  TTestGraphic() { ++gLiveGraphics; }
  ~TTestGraphic() override { --gLiveGraphics; }
  static const TGraphicClass& StaticClass();
  const TGraphicClass& ClassType() const override { return StaticClass(); }
  void CopyFrom(const TPersistent* source) override {
    const auto& other = dynamic_cast<const TTestGraphic&>(*source);
    width_ = other.width_;
    height_ = other.height_;
  }
  void DrawInto(TCanvas&, const RECT&) override {}
  bool IsEmpty() const override { return width_ == 0; }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void SetWidth(int value) override { width_ = value, NotifyChanged(this); }
  void SetHeight(int value) override { height_ = value, NotifyChanged(this); }
  void LoadStream(TStream& stream) override {
    std::string text(static_cast<size_t>(stream.Size()), '\0');
    stream.ReadBuffer(&text[0], static_cast<int32_t>(text.size()));
    RECT rect{1, 2, 3, 4};
    std::string message = "loading";
    Progress(this, psRunning, 50, true, rect, message);
    int width = 0, height = 0;
    std::sscanf(text.c_str(), "%d %d", &width, &height);
    SetWidth(width);
    SetHeight(height);
    if (text.compare(0, 3, "bad") == 0) throw EInvalidGraphic("damaged test picture");
  }
  void SaveStream(TStream&) override {}

private:
  int width_ = 0;
  int height_ = 0;
};

class TTestChildGraphic : public TTestGraphic {
public:
  static const TGraphicClass& StaticClass();
  const TGraphicClass& ClassType() const override { return StaticClass(); }
};

const TGraphicClass kTestClass{"TTestGraphic", nullptr, [] { return std::unique_ptr<TGraphic>(new TTestGraphic); }};
const TGraphicClass kChildClass{"TTestChildGraphic", &kTestClass,
                                [] { return std::unique_ptr<TGraphic>(new TTestChildGraphic); }};
const TGraphicClass& TTestGraphic::StaticClass() { return kTestClass; }
const TGraphicClass& TTestChildGraphic::StaticClass() { return kChildClass; }

std::string TempName(const std::string& name) {
  char dir[MAX_PATH];
  GetTempPathA(MAX_PATH, dir);
  return std::string(dir) + "mirokate-" + std::to_string(GetCurrentProcessId()) + "-" + name;
}

// Deletes the files the tests wrote when the test program ends.
struct TempFiles {
  std::vector<std::string> names;
  ~TempFiles() {
    for (const std::string& name : names) DeleteFileA(name.c_str());
  }
} gTempFiles;

std::string WriteTemp(const std::string& name, const std::string& bytes) {
  const std::string path = TempName(name);
  gTempFiles.names.push_back(path);
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  EXPECT_EQ(bytes.size(), written) << path;
  return path;
}

HANDLE OpenForWriting(const std::string& name) {
  return CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                     nullptr);
}


// Registers the test classes for one test and counts the holder's notifications.
class PictureTest : public testing::Test {
protected:
  void SetUp() override {
    RegisterFormat("tst", "test", kTestClass);
    RegisterFormat("tsc", "child", kChildClass);
    picture_.OnChange = [this](TPersistent* sender) {
      ++changes_;
      EXPECT_EQ(&picture_, sender);
    };
  }
  void TearDown() override { UnregisterFormats(kTestClass); }

  TPicture picture_;
  int changes_ = 0;
};

}  // namespace

TEST(FileFormatRegistry, BuiltInRowsAndLookupFromTheLastRow) {
  const auto& rows = FileFormatRegistry().Rows();
  ASSERT_GE(rows.size(), 4u);
  EXPECT_EQ("wmf", rows[0].extension);
  EXPECT_EQ("エンハンス メタファイル", rows[1].description);
  EXPECT_EQ("ico", rows[2].extension);
  EXPECT_EQ("ビットマップ", rows[3].description);
  EXPECT_EQ(&TBitmap::StaticClass(), FindByExtension("BmP"));
  EXPECT_EQ(nullptr, FindByExtension(""));

  RegisterFormat("SHD", "first", kTestClass);
  RegisterFormat("shd", "second", kChildClass);
  EXPECT_EQ("shd", FileFormatRegistry().Rows().end()[-2].extension);
  EXPECT_EQ(&kChildClass, FindByExtension("sHd"));
  UnregisterFormats(kChildClass);  // uncovers the parent's row
  EXPECT_EQ(&kTestClass, FindByExtension("shd"));
  UnregisterFormats(kTestClass);
  EXPECT_EQ(nullptr, FindByExtension("shd"));

  // Kinds without a reader in this program fail cleanly when asked for.
  for (const char* extension : {"wmf", "emf", "ico"}) {
    EXPECT_EQ(std::string("拡張子 .") + extension + " の画像形式は処理できません",
              MessageOf<EInvalidGraphic>([&] { FindByExtension(extension)->create(); }));
  }
}

TEST(FileFormatRegistry, RemovingAClassRemovesItsDescendantsOnly) {
  TFileFormatsList list;
  list.Add("a", "", kChildClass);
  list.Add("b", "", kTestClass);
  list.Add("c", "", TBitmap::StaticClass());
  list.Add("d", "", kChildClass);
  list.Remove(kTestClass);
  ASSERT_EQ(1u, list.Rows().size());
  EXPECT_EQ("c", list.Rows()[0].extension);
}

TEST_F(PictureTest, LoadingPicksTheClassByExtensionAndNotifiesOnce) {
  EXPECT_EQ(0, picture_.Width());
  int progress = 0;
  TPersistent* progressSender = nullptr;
  picture_.OnProgress = [&](TPersistent* sender, TProgressStage stage, uint8_t percent, bool redraw, RECT& rect,
                            std::string& message) {
    ++progress;
    progressSender = sender;
    EXPECT_TRUE(stage == psRunning && percent == 50 && redraw && rect.right == 3 && message == "loading");
  };
  picture_.LoadFile(WriteTemp("a.TsT", "7 5"));
  EXPECT_EQ(&kTestClass, &picture_.CurrentGraphic()->ClassType());
  EXPECT_EQ(7, picture_.Width());
  EXPECT_EQ(5, picture_.Height());
  EXPECT_EQ(1, changes_);  // the changes made while loading are not passed on
  EXPECT_EQ(1, progress);
  EXPECT_EQ(picture_.CurrentGraphic(), progressSender);

  picture_.CurrentGraphic()->SetWidth(9);  // once current, they are
  EXPECT_EQ(2, changes_);

  picture_.LoadFile(WriteTemp("b.tsc", "1 2"));
  EXPECT_EQ(&kChildClass, &picture_.CurrentGraphic()->ClassType());
  EXPECT_EQ(1, gLiveGraphics);  // the previous graphic is gone
  EXPECT_EQ(3, changes_);
}

TEST_F(PictureTest, FailedLoadsLeaveTheHolderAlone) {
  picture_.LoadFile(WriteTemp("keep.tst", "4 6"));
  TGraphic* kept = picture_.CurrentGraphic();
  changes_ = 0;

  auto invalid = [&](const std::string& name) { return MessageOf<EInvalidGraphic>([&] { picture_.LoadFile(name); }); };
  EXPECT_EQ("拡張子 .XyZ の画像形式は処理できません", invalid("C:\\a\\photo.XyZ"));
  EXPECT_EQ("拡張子 . の画像形式は処理できません", invalid("C:\\a.tst\\photo"));
  // The 0x5C trail byte of ソ is no delimiter.
  EXPECT_EQ("拡張子 .ソ の画像形式は処理できません", invalid("C:\\a\\b.ソ"));
  EXPECT_THROW(picture_.LoadFile(WriteTemp("m.wmf", "x")), EInvalidGraphic);

  const std::string missing = TempName("写真 missing.Tst");
  EXPECT_EQ("ファイル " + missing + " は開けません", MessageOf<EFOpenError>([&] { picture_.LoadFile(missing); }));

  const std::string locked = WriteTemp("locked.tst", "3 3");
  const HANDLE writer = OpenForWriting(locked);
  EXPECT_THROW(picture_.LoadFile(locked), EFOpenError);
  CloseHandle(writer);

  const std::string bad = WriteTemp("bad.tst", "bad 8 8");
  EXPECT_EQ("damaged test picture", invalid(bad));
  const HANDLE afterFailure = OpenForWriting(bad);
  EXPECT_NE(INVALID_HANDLE_VALUE, afterFailure) << "the failed load kept the file open";
  CloseHandle(afterFailure);

  EXPECT_EQ(kept, picture_.CurrentGraphic());
  EXPECT_EQ(4, picture_.Width());
  EXPECT_EQ(6, picture_.Height());
  EXPECT_EQ(0, changes_);
  EXPECT_EQ(1, gLiveGraphics);

  picture_.LoadFile(locked);
  EXPECT_EQ(3, picture_.Width());
}

TEST_F(PictureTest, AssigningCopyingAndClearingEachNotifyOnce) {
  TTestGraphic mine;
  mine.SetWidth(10);
  picture_.SetCurrentGraphic(&mine);
  TGraphic* held = picture_.CurrentGraphic();
  EXPECT_NE(&mine, held);
  EXPECT_EQ(10, picture_.Width());
  EXPECT_EQ(1, changes_);
  EXPECT_FALSE(mine.OnChange);  // the caller's graphic is not wired
  mine.SetWidth(11);
  EXPECT_EQ(10, picture_.Width());
  held->SetHeight(3);
  EXPECT_EQ(2, changes_);

  picture_.SetCurrentGraphic(picture_.CurrentGraphic());  // its own graphic, copied before the old one goes
  EXPECT_EQ(3, picture_.Height());
  EXPECT_EQ(3, changes_);

  TPicture other;
  other.CopyFrom(&picture_);
  EXPECT_NE(picture_.CurrentGraphic(), other.CurrentGraphic());
  EXPECT_EQ(10, other.Width());

  picture_.CopyFrom(nullptr);
  EXPECT_EQ(nullptr, picture_.CurrentGraphic());
  EXPECT_EQ(0, picture_.Height());
  picture_.CopyFrom(nullptr);
  EXPECT_EQ(5, changes_);
  EXPECT_EQ(2, gLiveGraphics);  // mine and other's

  TPersistent stranger;
  EXPECT_THROW(other.CopyFrom(&stranger), EConvertError);
  EXPECT_EQ(10, other.Width());
}

TEST_F(PictureTest, AsBitmapReplacesOtherKindsByAnEmptyBitmap) {
  picture_.LoadFile(WriteTemp("d.tst", "3 4"));
  TBitmap& bitmap = picture_.AsBitmap();
  EXPECT_EQ(&bitmap, picture_.CurrentGraphic());
  EXPECT_EQ(0, picture_.Width());
  EXPECT_EQ(0, gLiveGraphics);
  EXPECT_EQ(2, changes_);
  EXPECT_EQ(&bitmap, &picture_.AsBitmap());
  EXPECT_EQ(2, changes_);
  bitmap.NotifyChanged(&bitmap);
  EXPECT_EQ(3, changes_);

  {
    TPicture holder;
    holder.LoadFile(WriteTemp("e.tst", "1 1"));
  }
  EXPECT_EQ(0, gLiveGraphics);
}

TEST_F(PictureTest, TheFirstBytesChooseTheReaderWhateverTheName) {
  std::string bmp(14 + 40 + 3 * 8, '\0');  // 2 by 3, 24 bits, rows padded to 8 bytes
  const int fields[][2] = {{2, 78}, {10, 54}, {14, 40}, {18, 2}, {22, 3}, {26, 1}, {28, 24}};
  for (const auto& field : fields) {
    bmp[field[0]] = static_cast<char>(field[1] & 0xFF);
    bmp[field[0] + 1] = static_cast<char>(field[1] >> 8);
  }
  bmp[0] = 'B', bmp[1] = 'M';
  for (const char* name : {"small.Bmp", "small.jpg", "small.png"}) {
    picture_.LoadFile(WriteTemp(name, bmp));
    ASSERT_NE(nullptr, dynamic_cast<TBitmap*>(picture_.CurrentGraphic())) << name;
    EXPECT_EQ(2, picture_.Width());
    EXPECT_EQ(3, picture_.Height());
  }

  // A JPEG without a frame, named as a bitmap: the JPEG library's verdict.
  static const char kJpeg[] = "\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00\xFF\xD9";
  const std::string jpegInBmp = WriteTemp("photo.bmp", std::string(kJpeg, sizeof kJpeg - 1));
  EXPECT_EQ(0u, MessageOf<EInvalidGraphic>([&] { picture_.LoadFile(jpegInBmp); }).find("JPEG エラー #"));
  EXPECT_EQ(2, picture_.Width());
  EXPECT_EQ(3, changes_);
}

TEST(Streams, ExactTransfersAndSharing) {
  TMemoryStream memory;
  memory.WriteBuffer("abcd", 4);
  char buffer[5] = {};
  memory.SetPosition(4);
  memory.ReadBuffer(buffer, 0);  // nothing asked, nothing left: no failure
  memory.SetPosition(2);
  EXPECT_EQ("ストリームからの読み込みエラー", MessageOf<EReadError>([&] { memory.ReadBuffer(buffer, 3); }));

  const std::string name = WriteTemp("shared.bin", "hello");
  {
    TFileStream first(name, TFileStream::kOpenRead);
    TFileStream second(name, TFileStream::kOpenRead);  // readers share
    second.ReadBuffer(buffer, 5);
    EXPECT_EQ(5, first.Size());
    EXPECT_EQ(0, first.Position());
    EXPECT_EQ("ストリームへの書き込みエラー", MessageOf<EWriteError>([&] { first.WriteBuffer("q", 1); }));
    EXPECT_EQ(INVALID_HANDLE_VALUE, OpenForWriting(name));  // writers may not join
    EXPECT_EQ("ファイル " + name + " を作成できません",
              MessageOf<EFCreateError>([&] { TFileStream(name, TFileStream::kCreate); }));
  }
  {
    TFileStream created(name, TFileStream::kCreate);  // the creator's alone, and empty
    EXPECT_EQ(0, created.Size());
    EXPECT_THROW(TFileStream(name, TFileStream::kOpenRead), EFOpenError);
  }
}
