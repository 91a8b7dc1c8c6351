// The JPEG graphic: loading reads only the header, the first draw decodes, and
// bitmaps are compressed into JFIF data. Pictures are made by compressing bitmaps
// here, plus the third-party files of the JPEG library's source tree when the
// build cache is reachable.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

#include "gdi/ScreenMetrics.h"
#include "picture/bitmap/Bitmap.h"
#include "tests/support/BitmapTestSupport.h"
#include "picture/formats/FileFormats.h"
#include "picture/readers/jpeg/JpegErrors.h"
#include "picture/readers/jpeg/JpegImage.h"
#include "picture/readers/jpeg/JpegProgress.h"
#include "picture/core/Stream.h"
#include "tests/support/Failures.h"
#include "tests/support/JpegMarkers.h"
#include "tests/support/LibraryJpeg.h"
#include "tests/support/LongFolder.h"
#include "text/Exceptions.h"

using namespace bitmap_test;
using namespace jpeg_markers;

namespace {

using Bytes = std::vector<uint8_t>;

// A picture with distinct colour areas: red left, green middle, blue right, and a
// gray ramp in the bottom quarter, so that swapped or shifted channels show.
std::vector<DWORD> TestPattern(int width, int height) {
  std::vector<DWORD> pixels(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      DWORD pixel;
      if (y >= height * 3 / 4) {
        const DWORD level = static_cast<DWORD>(x * 255 / (width > 1 ? width - 1 : 1));
        pixel = level << 16 | level << 8 | level;
      } else if (x < width / 3) {
        pixel = 0xE02010;
      } else if (x < width * 2 / 3) {
        pixel = 0x20C040;
      } else {
        pixel = 0x1030D0;
      }
      pixels[static_cast<size_t>(y) * width + x] = pixel;
    }
  }
  return pixels;
}

int Channel(DWORD pixel, int shift) { return static_cast<int>(pixel >> shift & 0xFF); }

// The mean absolute difference over all channels.
double MeanDifference(const std::vector<DWORD>& a, const std::vector<DWORD>& b) {
  if (a.size() != b.size() || a.empty()) return 1e9;
  double sum = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    for (int shift : {0, 8, 16}) sum += std::abs(Channel(a[i], shift) - Channel(b[i], shift));
  }
  return sum / (a.size() * 3.0);
}

Bytes StreamBytes(TMemoryStream& stream) {
  return Bytes(stream.Memory(), stream.Memory() + stream.Size());
}

Bytes Encode(int width, int height, const std::vector<DWORD>& pixels, int quality = 90,
             const std::function<void(TJPEGImage&)>& adjust = nullptr) {
  TBitmap bitmap;
  SetPixels(bitmap, width, height, pixels);
  TJPEGImage jpeg;
  jpeg.CopyFrom(&bitmap);
  jpeg.Options().SaveQuality = static_cast<uint8_t>(quality);
  if (adjust) adjust(jpeg);
  TMemoryStream stream;
  jpeg.SaveStream(stream);
  return StreamBytes(stream);
}

void Load(TJPEGImage& jpeg, const Bytes& bytes) {
  TMemoryStream stream;
  stream.SetSize(static_cast<int32_t>(bytes.size()));
  if (!bytes.empty()) std::memcpy(stream.Memory(), bytes.data(), bytes.size());
  jpeg.LoadStream(stream);
}

// Draws the graphic the way a control does, through a canvas.
void Draw(TJPEGImage& jpeg) {
  TBitmap target;
  target.SetWidth(8);
  target.SetHeight(8);
  const RECT rect{0, 0, 8, 8};
  target.Canvas().StretchDraw(rect, &jpeg);
}

// Where the marker's 0xFF byte is in the file, or 0.
size_t MarkerOffset(const Bytes& file, int marker) {
  for (size_t at = 2; at + 1 < file.size(); ++at) {
    if (file[at] == 0xFF && file[at + 1] == marker) return at;
  }
  return 0;
}

// A private folder for the file cases, emptied and removed at the end.
class JpegFileTest : public ::testing::Test {
protected:
  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    folder_ = std::string(temp) + "mirokate-jpeg-" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(folder_.c_str(), nullptr);
  }
  void TearDown() override {
    for (const std::string& name : Names()) {
      SetFileAttributesA((folder_ + name).c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileA((folder_ + name).c_str());
    }
    RemoveDirectoryA(folder_.c_str());
  }
  // A small test pattern, to be compressed and saved.
  static void LoadPattern(TJPEGImage& jpeg) {
    TBitmap bitmap;
    SetPixels(bitmap, 40, 30, TestPattern(40, 30));
    jpeg.CopyFrom(&bitmap);
  }
  static auto Compressed(TJPEGImage& jpeg) {
    TMemoryStream bytes;
    jpeg.SaveStream(bytes);
    return StreamBytes(bytes);
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((folder_ + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
  }
  std::string Write(const std::string& name, const Bytes& bytes) {
    TFileStream file(folder_ + name, TFileStream::kCreate);
    file.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
    return folder_ + name;
  }
  Bytes Read(const std::string& path) {
    TFileStream file(path, TFileStream::kOpenRead);
    Bytes bytes(static_cast<size_t>(file.Size()));
    file.ReadBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
    return bytes;
  }
  std::string folder_;
};

}  // namespace

TEST(JpegTest, DisplayedCodesFollowTheOldNumbering) {
  EXPECT_EQ(36, JpegDisplayedCode(JERR_FILE_WRITE));
  EXPECT_EQ(41, JpegDisplayedCode(JERR_INPUT_EMPTY));
  EXPECT_EQ(48, JpegDisplayedCode(JERR_NO_BACKING_STORE));
  EXPECT_EQ(52, JpegDisplayedCode(JERR_NO_SOI));
  // Messages the old list lacked are shown above 1000, each with its own number.
  EXPECT_EQ(1000 + JERR_BAD_DCT_COEF, JpegDisplayedCode(JERR_BAD_DCT_COEF));
  EXPECT_NE(JpegDisplayedCode(JERR_BAD_CROP_SPEC), JpegDisplayedCode(JERR_BAD_DROP_SAMPLING));
}

TEST(JpegTest, BothExtensionsAreRegistered) {
  EXPECT_EQ(&TJPEGImage::StaticClass(), FindByExtension("jpg"));
  EXPECT_EQ(&TJPEGImage::StaticClass(), FindByExtension("JPEG"));
}

TEST(JpegTest, ColourPictureKnowsItsSizeBeforeDecodingAndDecodesOnFirstDraw) {
  const std::vector<DWORD> pattern = TestPattern(640, 480);
  const Bytes file = Encode(640, 480, pattern);
  TJPEGImage jpeg;
  int starts = 0;
  jpeg.OnProgress = [&](TPersistent*, TProgressStage stage, uint8_t, bool, RECT&, std::string&) {
    if (stage == psStarting) ++starts;
  };
  Load(jpeg, file);
  EXPECT_EQ(640, jpeg.Width());
  EXPECT_EQ(480, jpeg.Height());
  EXPECT_FALSE(jpeg.IsEmpty());
  EXPECT_EQ(0, starts) << "loading must not decode";
  Draw(jpeg);
  Draw(jpeg);
  EXPECT_EQ(1, starts) << "later draws reuse the decoded bitmap";
  TBitmap& decoded = jpeg.Bitmap();
  EXPECT_EQ(pd24Bit, decoded.PixelDepth());
  EXPECT_EQ(640, decoded.Width());
  EXPECT_EQ(480, decoded.Height());
  const std::vector<DWORD> pixels = PixelsOf(decoded);
  EXPECT_LT(MeanDifference(pattern, pixels), 3.0);
  // A red area must stay red: the channel order survives decoding.
  const DWORD middleOfRed = pixels[100 * 640 + 100];
  EXPECT_GT(Channel(middleOfRed, 16), 200);
  EXPECT_LT(Channel(middleOfRed, 0), 40);

  // A bitmap takes the decoded pixels.
  TBitmap copy;
  copy.CopyFrom(&jpeg);
  EXPECT_EQ(640, copy.Width());
  EXPECT_EQ(pixels, PixelsOf(copy));
  EXPECT_FALSE(jpeg.SameAs(copy));
  TJPEGImage shared;
  shared.CopyFrom(&jpeg);
  EXPECT_TRUE(shared.SameAs(jpeg));
}

TEST(JpegTest, GrayAndEightBitOutputUseAPaletteOfAtMost236Colours) {
  const std::vector<DWORD> pattern = TestPattern(120, 80);
  const Bytes gray = Encode(120, 80, pattern, 90, [](TJPEGImage& jpeg) { jpeg.Options().GrayMode = true; });
  const std::vector<Segment> segments = Segments(gray);
  const Segment* frame = Find(segments, 0xC0);
  ASSERT_NE(nullptr, frame);
  EXPECT_EQ(1, frame->body[5]) << "a gray file has one component";

  for (bool grayFile : {true, false}) {
    TJPEGImage jpeg;
    if (!grayFile) jpeg.Options().OutputDepth = jf8Bit;
    Load(jpeg, grayFile ? gray : Encode(120, 80, pattern));
    EXPECT_EQ(grayFile, jpeg.Data().Gray);
    Draw(jpeg);
    TBitmap& decoded = jpeg.Bitmap();
    EXPECT_EQ(pd8Bit, decoded.PixelDepth());
    PALETTEENTRY entries[256];
    const UINT count = GetPaletteEntries(decoded.Palette(), 0, 256, entries);
    EXPECT_GT(count, 1u);
    EXPECT_LE(count, 236u);
    if (grayFile) {
      for (UINT i = 0; i < count; ++i) {
        EXPECT_EQ(entries[i].peRed, entries[i].peGreen);
        EXPECT_EQ(entries[i].peRed, entries[i].peBlue);
      }
    }
    // The pixels are close to the picture in brightness (dithering allowed).
    const std::vector<DWORD> pixels = PixelsOf(decoded);
    const DWORD rampEnd = pixels[79 * 120 + 119];
    EXPECT_GT(Channel(rampEnd, 8), 200);
    if (!grayFile) {
      EXPECT_GT(Channel(pixels[10 * 120 + 10], 16), 170);
    }
  }
}

static void CheckFailures();

// A square file of one repeated row, written with the library directly: the
// component counts and colour spaces the graphic itself never writes.
static Bytes LibraryFile(int size, int components, J_COLOR_SPACE space, bool adobe,
                         const std::vector<uint8_t>& row) {
  return LibraryJpeg(
      size, size, components, space, [&row](int) { return row.data(); },
      [adobe](jpeg_compress_struct& cinfo) { cinfo.write_Adobe_marker = adobe; });
}

// A two-component file.
static Bytes TwoComponentFile() { return LibraryFile(8, 2, JCS_UNKNOWN, false, std::vector<uint8_t>(16, 0x40)); }

TEST(JpegTest, FilesThatAreNotJpegFailWithTheirCode) {
  {
    // Drawing once makes the objects that canvases keep for the whole process.
    TJPEGImage warmUp;
    Load(warmUp, Encode(8, 8, TestPattern(8, 8)));
    Draw(warmUp);
  }
  ReleaseIdleMemoryDCs();
  const int gdiObjects = GdiObjectCount();
  CheckFailures();
  ReleaseIdleMemoryDCs();
  EXPECT_EQ(gdiObjects, GdiObjectCount());
}

static void CheckFailures() {
  TJPEGImage jpeg;
  const Bytes bmp = BmpFile(2, 2, 24, {}, Bytes(16, 0x80));
  EXPECT_EQ("JPEG エラー #52", MessageOf([&] { Load(jpeg, bmp); }));
  EXPECT_THROW(Load(jpeg, bmp), EJPEG);

  // An empty file loads; the first draw fails, later draws show nothing quietly.
  TJPEGImage empty;
  EXPECT_NO_THROW(Load(empty, {}));
  EXPECT_EQ(0, empty.Width());
  EXPECT_FALSE(empty.IsEmpty());
  EXPECT_EQ("JPEG エラー #41", MessageOf([&] { Draw(empty); }));
  EXPECT_NO_THROW(Draw(empty));

  // A frame without size is refused at load, with the library's code.
  Bytes sizeless = Encode(16, 16, TestPattern(16, 16));
  const size_t frame = MarkerOffset(sizeless, 0xC0);
  ASSERT_NE(0u, frame);
  for (size_t i = frame + 5; i < frame + 9; ++i) sizeless[i] = 0;
  EXPECT_THROW(Load(jpeg, sizeless), EJPEG);

  // Two components are neither gray nor colour: refused when decoded.
  TJPEGImage twoComponents;
  Load(twoComponents, TwoComponentFile());
  EXPECT_THROW(Draw(twoComponents), EJPEG);
}

TEST(JpegTest, TruncatedDataDrawsWithoutAMessageAndIsToldAsEndedEarly) {
  const std::vector<DWORD> pattern = TestPattern(200, 160);
  for (bool progressive : {false, true}) {
    const Bytes whole = Encode(200, 160, pattern, 90, [&](TJPEGImage& jpeg) { jpeg.Options().MultiScan = progressive; });
    EXPECT_NE(nullptr, Find(Segments(whole), progressive ? 0xC2 : 0xC0));
    Bytes file = whole;
    file.resize(file.size() * 6 / 10);
    TJPEGImage jpeg;
    Load(jpeg, file);
    EXPECT_EQ(progressive, jpeg.Options().MultiScan);
    EXPECT_FALSE(jpeg.DataEndedEarly()) << "not known before decoding";
    EXPECT_NO_THROW(Draw(jpeg));
    EXPECT_EQ(160, jpeg.Bitmap().Height());
    EXPECT_TRUE(jpeg.DataEndedEarly());
    // The top, which arrived, is the picture.
    const std::vector<DWORD> pixels = PixelsOf(jpeg.Bitmap());
    EXPECT_GT(Channel(pixels[8 * 200 + 8], 16), 180);

    // Without only its end marker the picture is whole: nothing is missing.
    TJPEGImage complete, unended;
    Load(complete, whole);
    Load(unended, Bytes(whole.begin(), whole.end() - 2));
    Draw(complete);
    Draw(unended);
    EXPECT_FALSE(complete.DataEndedEarly());
    EXPECT_FALSE(unended.DataEndedEarly());
    EXPECT_EQ(PixelsOf(complete.Bitmap()), PixelsOf(unended.Bitmap()));
  }
}

TEST(JpegTest, OneRowPicturesEncodeAndDecode) {
  for (int width : {1, 37}) {
    std::vector<DWORD> row(static_cast<size_t>(width), 0x3060C0);
    const Bytes file = Encode(width, 1, row);
    TJPEGImage jpeg;
    Load(jpeg, file);
    ASSERT_NO_THROW(Draw(jpeg)) << width;
    EXPECT_EQ(1, jpeg.Bitmap().Height());
    EXPECT_LT(MeanDifference(row, PixelsOf(jpeg.Bitmap())), 4.0) << width;
  }
}

TEST(JpegTest, SizeCannotBeChanged) {
  TJPEGImage jpeg;
  Load(jpeg, Encode(24, 16, TestPattern(24, 16)));
  EXPECT_EQ("JPEG イメージのサイズは変更できません", MessageOf([&] { jpeg.SetWidth(10); }));
  EXPECT_THROW(jpeg.SetHeight(10), EInvalidGraphicOperation);
  EXPECT_EQ(24, jpeg.Width());
  EXPECT_EQ(16, jpeg.Height());
}

TEST(JpegTest, SavedFileIsBaselineJfifWithTheScaledStandardTables) {
  const Bytes file = Encode(600, 600, TestPattern(600, 600), 80);
  ASSERT_GT(file.size(), 4u);
  EXPECT_EQ(0xFF, file[0]);
  EXPECT_EQ(0xD8, file[1]);
  EXPECT_EQ(0xD9, file.back());
  const std::vector<Segment> segments = Segments(file);
  ASSERT_FALSE(segments.empty());
  EXPECT_EQ(0xE0, segments[0].marker);
  const Bytes jfif{'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0};
  EXPECT_EQ(jfif, segments[0].body);

  // Quality 80 scales the standard table's first row, 16, 11, 10, 16, by 40 percent.
  EXPECT_EQ((std::vector<int>{6, 4, 4, 6}), FirstLuminanceRow(segments)) << "8-bit luminance table first";

  EXPECT_EQ(nullptr, Find(segments, 0xC2));
  const Segment* frame = Find(segments, 0xC0);
  ASSERT_NE(nullptr, frame);
  EXPECT_EQ(8, frame->body[0]);
  EXPECT_EQ(600, frame->body[1] << 8 | frame->body[2]);
  EXPECT_EQ(600, frame->body[3] << 8 | frame->body[4]);
  ASSERT_EQ(3, frame->body[5]);
  EXPECT_EQ(0x22, frame->body[7]);
  EXPECT_EQ(0x11, frame->body[10]);
  EXPECT_EQ(0x11, frame->body[13]);
}

TEST(JpegTest, PaletteBitmapsAreSavedWithTheirColours) {
  // Two columns: index 0 is blue, index 1 is red; the row bytes are indexes.
  Bytes rows;
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) rows.push_back(x < 8 ? 0 : 1);
  }
  const Bytes bmp = BmpFile(16, 16, 8, {kBlue, kRed}, rows, 2);
  TMemoryStream stream;
  stream.Write(bmp.data(), static_cast<int32_t>(bmp.size()));
  stream.SetPosition(0);
  TBitmap bitmap;
  bitmap.LoadStream(stream);
  TJPEGImage jpeg;
  jpeg.CopyFrom(&bitmap);
  TMemoryStream saved;
  jpeg.SaveStream(saved);
  TJPEGImage again;
  Load(again, StreamBytes(saved));
  Draw(again);
  const std::vector<DWORD> pixels = PixelsOf(again.Bitmap());
  EXPECT_GT(Channel(pixels[8 * 16 + 1], 0), 200);
  EXPECT_GT(Channel(pixels[8 * 16 + 14], 16), 200);
}

TEST(JpegTest, SavingTwiceWritesTheSameBytesAndCompressesOnce) {
  TBitmap bitmap;
  SetPixels(bitmap, 64, 48, TestPattern(64, 48));
  TJPEGImage jpeg;
  int compressions = 0;
  jpeg.OnProgress = [&](TPersistent*, TProgressStage stage, uint8_t, bool, RECT&, std::string&) {
    if (stage == psStarting) ++compressions;
  };
  jpeg.CopyFrom(&bitmap);
  TMemoryStream first, second;
  jpeg.SaveStream(first);
  jpeg.Options().SaveQuality = 10;
  jpeg.SaveStream(second);
  EXPECT_EQ(1, compressions);
  EXPECT_EQ(StreamBytes(first), StreamBytes(second));

  // An empty graphic saves nothing, without a failure.
  TJPEGImage empty;
  TMemoryStream nothing;
  EXPECT_NO_THROW(empty.SaveStream(nothing));
  EXPECT_EQ(0, nothing.Size());
}

namespace {

// Accepts half of every write, like a full disk.
class TShortStream : public TMemoryStream {
public:
  int32_t Write(const void* buffer, int32_t count) override { return TMemoryStream::Write(buffer, count / 2); }
};

}  // namespace

TEST(JpegTest, AShortWriteIsAWriteError) {
  TJPEGImage jpeg;
  Load(jpeg, Encode(32, 32, TestPattern(32, 32)));
  TShortStream target;
  EXPECT_EQ("ストリームへの書き込みエラー", MessageOf([&] { jpeg.SaveStream(target); }));
  EXPECT_THROW(jpeg.SaveStream(target), EWriteError);
}

TEST_F(JpegFileTest, AFileIsReplacedOnlyByCompleteData) {
  const Bytes old{'o', 'l', 'd'};
  const std::string target = Write("picture.jpg", old);
  TBitmap bitmap;
  SetPixels(bitmap, 40, 30, TestPattern(40, 30));

  // A failure while compressing keeps the earlier file and leaves nothing behind.
  TJPEGImage failing;
  failing.CopyFrom(&bitmap);
  failing.OnProgress = [](TPersistent*, TProgressStage, uint8_t, bool, RECT&, std::string&) {
    throw EInvalidGraphic("stopped");
  };
  EXPECT_EQ("stopped", MessageOf([&] { failing.SaveFile(target); }));
  EXPECT_EQ(old, Read(target));
  EXPECT_EQ(std::vector<std::string>{"picture.jpg"}, Names());

  // A read-only file cannot be replaced; it keeps its content.
  SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY);
  TJPEGImage jpeg;
  jpeg.CopyFrom(&bitmap);
  EXPECT_EQ("ファイル " + target + " を作成できません", MessageOf([&] { jpeg.SaveFile(target); }));
  EXPECT_EQ(old, Read(target));
  EXPECT_EQ(std::vector<std::string>{"picture.jpg"}, Names());

  // A writable one is replaced by the complete data.
  SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
  jpeg.SaveFile(target);
  TMemoryStream expected;
  jpeg.SaveStream(expected);
  EXPECT_EQ(StreamBytes(expected), Read(target));
  EXPECT_EQ(std::vector<std::string>{"picture.jpg"}, Names());

  const std::string nowhere = folder_ + "missing\\picture.jpg";
  EXPECT_EQ("ファイル " + nowhere + " を作成できません", MessageOf([&] { jpeg.SaveFile(nowhere); }));

  // Loading through the file reads what was saved.
  TJPEGImage loaded;
  loaded.LoadFile(target);
  EXPECT_EQ(40, loaded.Width());
}

namespace {

// Folders that refuse new files: one names no temporary file, the other names
// one that cannot be made (as a read-only disk does on some systems).
bool NoTemporaryName(const std::wstring&, std::wstring&) { return false; }
bool UnmadeTemporaryName(const std::wstring& folder, std::wstring& path) {
  path = folder + L"no such folder\\mkt1.tmp";
  return true;
}

}  // namespace

TEST_F(JpegFileTest, AFolderThatTakesNoNewFileStillGetsItsPictureInPlace) {
  TJPEGImage jpeg;
  LoadPattern(jpeg);
  const auto expected = Compressed(jpeg);
  for (const TTemporaryFileMaker namer : {&NoTemporaryName, &UnmadeTemporaryName}) {
    // A new picture, and an earlier one that may be changed: both written whole.
    for (const bool earlier : {false, true}) {
      const std::string target = earlier ? Write("picture.jpg", {'o', 'l', 'd'}) : folder_ + "picture.jpg";
      SetTemporaryFileMakerForTesting(namer);
      EXPECT_NO_THROW(jpeg.SaveFile(target));
      SetTemporaryFileMakerForTesting(nullptr);
      EXPECT_EQ(expected, Read(target));
      EXPECT_EQ(std::vector<std::string>{"picture.jpg"}, Names());
      DeleteFileA(target.c_str());
    }
  }
  // When the picture itself cannot be written either, the failure names it.
  const std::string nowhere = folder_ + "missing\\picture.jpg";
  SetTemporaryFileMakerForTesting(&UnmadeTemporaryName);
  EXPECT_EQ("ファイル " + nowhere + " を作成できません", MessageOf([&] { jpeg.SaveFile(nowhere); }));
  SetTemporaryFileMakerForTesting(nullptr);
  EXPECT_TRUE(Names().empty());
}

TEST_F(JpegFileTest, AnEarlierPictureThatCannotBeWrittenInPlaceIsKept) {
  TJPEGImage jpeg;
  LoadPattern(jpeg);
  const Bytes old{'o', 'l', 'd'};
  const std::string target = Write("picture.jpg", old);
  SetTemporaryFileMakerForTesting(&NoTemporaryName);
  {
    // Another program holds it open, letting others read, write and delete it.
    UniqueFile held(CreateFileA(target.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    EXPECT_EQ("ファイル " + target + " を作成できません", MessageOf([&] { jpeg.SaveFile(target); }));
  }
  EXPECT_EQ(old, Read(target));

  // A hidden one is replaced and stays hidden.
  ASSERT_TRUE(SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_HIDDEN));
  EXPECT_NO_THROW(jpeg.SaveFile(target));
  SetTemporaryFileMakerForTesting(nullptr);
  TMemoryStream expected;
  jpeg.SaveStream(expected);
  EXPECT_EQ(StreamBytes(expected), Read(target));
  EXPECT_TRUE(GetFileAttributesA(target.c_str()) & FILE_ATTRIBUTE_HIDDEN);
  SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(JpegFileTest, AnOutputAtAnyPathLengthIsSavedAndLeavesNoTemporaryFile) {
  TJPEGImage jpeg;
  LoadPattern(jpeg);
  const auto expected = Compressed(jpeg);
  const std::string name = "picture.jpg";
  // Full paths of the output: past 259 characters Windows without the prefix
  // fails every file call, and Wine's temporary-file namer wrote beyond its buffer.
  for (const size_t length : {259u, 260u, 268u, 300u, 2000u}) {
    SCOPED_TRACE(length);
    const LongFolder folder(length - name.size() - 1);
    const std::string target = folder.Path() + "\\" + name;
    ASSERT_EQ(length, target.size());
    EXPECT_EQ("(nothing thrown)", MessageOf([&] { jpeg.SaveFile(target); }));
    // Once more over the earlier file, as a run of one replaces it.
    EXPECT_EQ("(nothing thrown)", MessageOf([&] { jpeg.SaveFile(target); }));
    EXPECT_EQ(std::vector<std::string>{name}, folder.Names());
    EXPECT_EQ(expected, folder.Read(name));
  }
}

TEST_F(JpegFileTest, AnOutputTheFileSystemRefusesIsToldByNameAndLeavesNothing) {
  TJPEGImage jpeg;
  LoadPattern(jpeg);
  const LongFolder folder(300);
  const std::string targets[] = {
      // A name of 264 characters, more than a folder entry holds (255).
      folder.Path() + "\\" + std::string(260, 'n') + ".jpg",
      // A path beyond the 32,767 characters of the system's file calls.
      folder.Path() + "\\" + std::string(32800, 'p') + ".jpg",
  };
  for (const std::string& target : targets) {
    SCOPED_TRACE(target.size());
    EXPECT_EQ("ファイル " + target + " を作成できません", MessageOf([&] { jpeg.SaveFile(target); }));
    EXPECT_TRUE(folder.Names().empty());
  }
}

TEST(JpegTest, HostileSizesFailCleanly) {
  Bytes file = Encode(16, 16, TestPattern(16, 16));
  const size_t frame = MarkerOffset(file, 0xC0);
  ASSERT_NE(0u, frame);
  // 65000 by 65000 pixels: far beyond what a 32-bit process can hold.
  file[frame + 5] = file[frame + 7] = 0xFD;
  file[frame + 6] = file[frame + 8] = 0xE8;
  TJPEGImage jpeg;
  Load(jpeg, file);
  EXPECT_EQ(65000, jpeg.Width());
  const DWORD start = GetTickCount();
  EXPECT_THROW(Draw(jpeg), EOutOfMemory);
  EXPECT_LT(GetTickCount() - start, 10000u);
}

namespace {

// One colour as a four-component CMYK file, with the Adobe segment (whose
// writers store the values inverted) or without.
Bytes CmykFile(const uint8_t cmyk[4], bool adobe) {
  std::vector<uint8_t> row(16 * 4);
  for (size_t i = 0; i < row.size(); ++i) row[i] = adobe ? 255 - cmyk[i % 4] : cmyk[i % 4];
  return LibraryFile(16, 4, JCS_CMYK, adobe, row);
}

}  // namespace

TEST(JpegTest, CmykFilesAreShownInRgb) {
  // Full magenta and yellow without black is red.
  const uint8_t red[4] = {0, 255, 255, 0};
  for (bool adobe : {false, true}) {
    TJPEGImage jpeg;
    Load(jpeg, CmykFile(red, adobe));
    Draw(jpeg);
    EXPECT_EQ(pd24Bit, jpeg.Bitmap().PixelDepth());
    const DWORD pixel = PixelsOf(jpeg.Bitmap())[8 * 16 + 8];
    EXPECT_GT(Channel(pixel, 16), 230) << adobe;
    EXPECT_LT(Channel(pixel, 8), 25) << adobe;
    EXPECT_LT(Channel(pixel, 0), 25) << adobe;
  }
}

namespace {

// The folder of the JPEG library's sample files in the build cache, or empty.
std::string SampleFolder() {
  const char* cache = std::getenv("MIROKATE_CACHE");
  if (cache == nullptr || *cache == '\0') return std::string();
  std::string unixPath = std::string(cache) + "/libjpeg-turbo-src/";
  // The source folder carries the version in its name.
  WIN32_FIND_DATAA found;
  std::string base = "Z:" + unixPath;
  for (char& c : base) if (c == '/') c = '\\';
  const HANDLE search = FindFirstFileA((base + "libjpeg-turbo-*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return std::string();
  FindClose(search);
  return base + found.cFileName + "\\testimages\\";
}

// The pixels of a binary PPM file, 0x00RRGGBB, top row first.
std::vector<DWORD> ReadPpm(const std::string& path, int& width, int& height) {
  TFileStream file(path, TFileStream::kOpenRead);
  std::string bytes(static_cast<size_t>(file.Size()), '\0');
  file.ReadBuffer(&bytes[0], static_cast<int32_t>(bytes.size()));
  int maximum = 0, consumed = 0;
  std::sscanf(bytes.c_str(), "P6 %d %d %d%n", &width, &height, &maximum, &consumed);
  std::vector<DWORD> pixels;
  for (size_t at = static_cast<size_t>(consumed) + 1; at + 2 < bytes.size() + 0; at += 3) {
    pixels.push_back(static_cast<DWORD>(static_cast<uint8_t>(bytes[at])) << 16 |
                     static_cast<DWORD>(static_cast<uint8_t>(bytes[at + 1])) << 8 | static_cast<uint8_t>(bytes[at + 2]));
  }
  return pixels;
}

}  // namespace

TEST(JpegTest, LibrarySampleFilesDecode) {
  const std::string folder = SampleFolder();
  if (folder.empty()) GTEST_SKIP() << "the JPEG library's sample files are not reachable";
  int width = 0, height = 0;
  const std::vector<DWORD> original = ReadPpm(folder + "testorig.ppm", width, height);
  ASSERT_EQ(static_cast<size_t>(width) * height, original.size());
  // Baseline, progressive and arithmetic-coded forms of one picture.
  for (const char* name : {"testorig.jpg", "testimgint.jpg", "testimgari.jpg"}) {
    for (bool showScans : {false, true}) {
      TJPEGImage jpeg;
      jpeg.Options().ShowScans = showScans;
      jpeg.LoadFile(folder + name);
      EXPECT_EQ(width, jpeg.Width()) << name;
      ASSERT_NO_THROW(Draw(jpeg)) << name;
      EXPECT_LT(MeanDifference(original, PixelsOf(jpeg.Bitmap())), 6.0) << name << showScans;
    }
  }
  // Twelve-bit samples are beyond the linked library: refused at load.
  TJPEGImage twelve;
  EXPECT_THROW(twelve.LoadFile(folder + "testorig12.jpg"), EJPEG);
}

namespace {

// A clock that moves on by a fixed step each time the progress hook asks it, so
// that the hook's 500 ms rule can be watched on a decode that takes milliseconds.
DWORD fakeNow = 0;
DWORD fakeStep = 0;
int clockReads = 0;
DWORD WINAPI FakeClock() {
  ++clockReads;
  return fakeNow += fakeStep;
}

class SteppingClock {
public:
  explicit SteppingClock(DWORD step) {
    fakeNow = 0;
    fakeStep = step;
    clockReads = 0;
    SetJpegProgressClockForTesting(FakeClock);
  }
  ~SteppingClock() { SetJpegProgressClockForTesting(nullptr); }
};

struct Report {
  TProgressStage stage;
  int percent;
  bool redraw;
  RECT rect;
};

void Record(TJPEGImage& jpeg, std::vector<Report>& reports) {
  jpeg.OnProgress = [&reports](TPersistent*, TProgressStage stage, uint8_t percent, bool redraw, RECT& rect,
                               std::string&) { reports.push_back({stage, percent, redraw, rect}); };
}

std::vector<Report> Running(const std::vector<Report>& reports) {
  std::vector<Report> running;
  for (const Report& report : reports)
    if (report.stage == psRunning) running.push_back(report);
  return running;
}

}  // namespace

TEST(JpegTest, ProgressIsReportedOnlyAfterHalfASecond) {
  const Bytes file = Encode(320, 240, TestPattern(320, 240));
  {
    // A decode shorter than 500 ms reports only its start and end. The clock
    // stands still, so a busy machine cannot make the decode look long.
    SteppingClock clock(0);
    TJPEGImage jpeg;
    std::vector<Report> reports;
    Record(jpeg, reports);
    Load(jpeg, file);
    Draw(jpeg);
    ASSERT_EQ(2u, reports.size());
    EXPECT_EQ(psStarting, reports.front().stage);
    EXPECT_EQ(psEnding, reports.back().stage);
    EXPECT_EQ(100, reports.back().percent);
  }
  for (DWORD step : {250u, 1000u}) {
    // The clock moves 250 or 1000 ms per library call: a report at most every
    // second or every call after the first, which only starts the clock.
    SteppingClock clock(step);
    TJPEGImage jpeg;
    std::vector<Report> reports;
    Record(jpeg, reports);
    Load(jpeg, file);
    Draw(jpeg);
    const std::vector<Report> running = Running(reports);
    ASSERT_FALSE(running.empty()) << step;
    EXPECT_LE(running.size(), static_cast<size_t>(step == 250 ? clockReads / 2 : clockReads - 1)) << step;
    int lastPercent = -1;
    LONG lastRow = 0;
    for (const Report& report : running) {
      EXPECT_GT(report.percent, lastPercent) << "only changed percentages are reported";
      EXPECT_LE(report.percent, 100);
      lastPercent = report.percent;
      // Decoded rows are reported as consecutive bands of the full width.
      EXPECT_EQ(0, report.rect.left);
      EXPECT_EQ(320, report.rect.right);
      EXPECT_EQ(lastRow, report.rect.top);
      EXPECT_EQ(report.rect.bottom - report.rect.top >= 4, report.redraw);
      lastRow = report.rect.bottom;
    }
  }
}

TEST(JpegTest, CompressingReportsProgressWithoutARectangle) {
  SteppingClock clock(1000);
  TBitmap bitmap;
  SetPixels(bitmap, 320, 240, TestPattern(320, 240));
  TJPEGImage jpeg;
  jpeg.CopyFrom(&bitmap);
  std::vector<Report> reports;
  Record(jpeg, reports);
  TMemoryStream stream;
  jpeg.SaveStream(stream);
  const std::vector<Report> running = Running(reports);
  ASSERT_FALSE(running.empty());
  for (const Report& report : running) {
    EXPECT_TRUE(IsRectEmpty(&report.rect));
    EXPECT_FALSE(report.redraw);
  }
}

TEST(JpegTest, AbortingFromAProgressReportEndsQuietly) {
  SteppingClock clock(1000);
  const auto abortWhileRunning = [](TPersistent*, TProgressStage stage, uint8_t, bool, RECT&, std::string&) {
    if (stage == psRunning) throw EAbort("");
  };
  TJPEGImage decoding;
  std::vector<TProgressStage> stages;
  decoding.OnProgress = [&](TPersistent* sender, TProgressStage stage, uint8_t percent, bool redraw, RECT& rect,
                            std::string& message) {
    stages.push_back(stage);
    abortWhileRunning(sender, stage, percent, redraw, rect, message);
  };
  Load(decoding, Encode(320, 240, TestPattern(320, 240)));
  EXPECT_NO_THROW(Draw(decoding));
  EXPECT_EQ((std::vector<TProgressStage>{psStarting, psRunning, psEnding}), stages)
      << "the decode stops at the first report and still ends its progress";
  // Cancelled at its very first report, the decode ends just as quietly.
  TJPEGImage cancelledAtOnce;
  stages.clear();
  cancelledAtOnce.OnProgress = [&](TPersistent*, TProgressStage stage, uint8_t, bool, RECT&, std::string&) {
    stages.push_back(stage);
    if (stage == psStarting) throw EAbort("");
  };
  Load(cancelledAtOnce, Encode(32, 24, TestPattern(32, 24)));
  EXPECT_NO_THROW(Draw(cancelledAtOnce));
  EXPECT_EQ((std::vector<TProgressStage>{psStarting, psEnding}), stages);

  // An aborted compression leaves no data: the graphic saves as nothing, and a
  // later save without the abort compresses anew.
  TBitmap bitmap;
  SetPixels(bitmap, 320, 240, TestPattern(320, 240));
  TJPEGImage encoding;
  encoding.CopyFrom(&bitmap);
  encoding.OnProgress = abortWhileRunning;
  TMemoryStream aborted;
  EXPECT_NO_THROW(encoding.SaveStream(aborted));
  EXPECT_EQ(0, aborted.Size());
  encoding.OnProgress = nullptr;
  TMemoryStream complete;
  encoding.SaveStream(complete);
  EXPECT_GT(complete.Size(), 100);
}

TEST(JpegTest, PaletteScreensGetPaletteOutput) {
  // A 24-bit picture shown on a palette screen offers the halftone palette
  // before it is decoded; on a true-colour screen it needs none.
  const Bytes file = Encode(64, 48, TestPattern(64, 48));
  struct DepthRestore {
    int depth = ScreenColorDepth();
    ~DepthRestore() { SetScreenColorDepthForTesting(depth); }
  } restore;
  SetScreenColorDepthForTesting(8);
  {
    TJPEGImage jpeg;
    jpeg.Options().OutputDepth = jf24Bit;
    Load(jpeg, file);
    const HPALETTE halftone = jpeg.Palette();
    ASSERT_NE(nullptr, halftone);
    EXPECT_GT(GetPaletteEntries(halftone, 0, 0, nullptr), 16u);
  }
  SetScreenColorDepthForTesting(32);
  {
    TJPEGImage jpeg;
    jpeg.Options().OutputDepth = jf24Bit;
    Load(jpeg, file);
    EXPECT_EQ(nullptr, jpeg.Palette());
  }

  // A palette given before an 8-bit decode is the one the pixels are mapped to.
  const PALETTEENTRY given[4] = {{0, 0, 0, 0}, {0xE0, 0x20, 0x10, 0}, {0x20, 0xC0, 0x40, 0}, {0x10, 0x30, 0xD0, 0}};
  struct {
    WORD version = 0x300;
    WORD count = 4;
    PALETTEENTRY entries[4];
  } logical;
  std::memcpy(logical.entries, given, sizeof given);
  TJPEGImage jpeg;
  jpeg.Options().OutputDepth = jf8Bit;
  Load(jpeg, file);
  jpeg.SetPalette(UniquePalette(CreatePalette(reinterpret_cast<LOGPALETTE*>(&logical))));
  Draw(jpeg);
  TBitmap& decoded = jpeg.Bitmap();
  EXPECT_EQ(pd8Bit, decoded.PixelDepth());
  PALETTEENTRY entries[256];
  ASSERT_EQ(4u, GetPaletteEntries(decoded.Palette(), 0, 256, entries));
  const std::vector<DWORD> pixels = PixelsOf(decoded);
  for (const DWORD pixel : pixels) {
    const bool inPalette = std::any_of(std::begin(given), std::end(given), [pixel](const PALETTEENTRY& entry) {
      return pixel == (static_cast<DWORD>(entry.peRed) << 16 | entry.peGreen << 8 | entry.peBlue);
    });
    ASSERT_TRUE(inPalette) << std::hex << pixel;
  }
  EXPECT_EQ(0xE02010u, pixels[10 * 64 + 5]) << "the red area maps to the red entry";
}
