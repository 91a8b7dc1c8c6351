// Reading BMP files: composed files for each rule of the format, hostile sizes,
// and a third-party suite of good, questionable and bad files.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "picture/bitmap/Bitmap.h"
#include "picture/bitmap/BitmapCanvas.h"
#include "picture/bitmap/BitmapImage.h"
#include "picture/bitmap/BitmapObjects.h"
#include "picture/bitmap/BitmapRowWriter.h"
#include "picture/core/Stream.h"
#include "text/Exceptions.h"
#include "tests/support/BitmapTestSupport.h"

using namespace bitmap_test;

namespace {

const char* const kInvalidBitmap = "ビットマップイメージが不正です";
const char* const kOutOfMemory = "メモリが足りません";
const char* const kReadError = "ストリームからの読み込みエラー";

void Load(TBitmap& bitmap, const std::vector<uint8_t>& file) {
  TMemoryStream stream;
  if (!file.empty()) stream.WriteBuffer(file.data(), static_cast<int32_t>(file.size()));
  stream.SetPosition(0);
  bitmap.LoadStream(stream);
}

std::string LoadFailure(const std::vector<uint8_t>& file) {
  TBitmap bitmap;
  try {
    Load(bitmap, file);
  } catch (const Exception& failure) {
    return failure.Message();
  }
  return "(loaded)";
}

// A 24-bit row of pixels given as 0x00RRGGBB, padded to 4 bytes.
std::vector<uint8_t> Row24(const std::vector<DWORD>& pixels) {
  std::vector<uint8_t> row;
  for (DWORD pixel : pixels) {
    row.push_back(pixel & 0xFF);
    row.push_back(pixel >> 8 & 0xFF);
    row.push_back(pixel >> 16 & 0xFF);
  }
  row.resize((row.size() + 3) / 4 * 4, 0);
  return row;
}

std::vector<uint8_t> Join(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// The picture of the composed files: 3 by 2, top row first.
const std::vector<DWORD> kTop{kRed, kGreen, kBlue};
const std::vector<DWORD> kBottom{kWhite, kBlack, 0x102030};

std::string ExeFolder() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, length);
  return folder.substr(0, folder.find_last_of('\\'));
}

// The build places the suite's path relative to the test program.
std::string SuiteFolder() { return ExeFolder() + "\\" MIROKATE_BMPSUITE_FROM_EXE "\\"; }

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA((folder + "*.bmp").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do names.push_back(found.cFileName);
  while (FindNextFileA(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<uint8_t> ReadWholeFile(const std::string& name) {
  TFileStream stream(name, TFileStream::kOpenRead);
  std::vector<uint8_t> bytes(static_cast<size_t>(stream.Size()));
  stream.ReadBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  return bytes;
}

uint32_t Le(const std::vector<uint8_t>& b, size_t at, int size) {
  uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | b[at + i];
  return value;
}

// An independent reading of plain Windows files (uncompressed, 1 to 32 bits, any
// header of 40 bytes or more), locating the pixels by the file's pixel offset.
// Empty for files it does not handle.
std::vector<DWORD> DecodePlain(const std::vector<uint8_t>& b, int& width, int& height) {
  const uint32_t headerSize = Le(b, 14, 4);
  const int bits = static_cast<int>(Le(b, 28, 2));
  if (headerSize < 40 || Le(b, 30, 4) != BI_RGB || bits == 16 || bits > 32) return {};
  width = static_cast<int32_t>(Le(b, 18, 4));
  const int32_t rawHeight = static_cast<int32_t>(Le(b, 22, 4));
  height = std::abs(rawHeight);
  const uint32_t offBits = Le(b, 10, 4);
  const size_t table = 14 + headerSize;
  const size_t stride = (static_cast<size_t>(width) * bits + 31) / 32 * 4;
  std::vector<DWORD> pixels;
  for (int y = 0; y < height; ++y) {
    const size_t row = offBits + stride * static_cast<size_t>(rawHeight > 0 ? height - 1 - y : y);
    for (int x = 0; x < width; ++x) {
      if (bits == 24 || bits == 32) {
        pixels.push_back(Le(b, row + static_cast<size_t>(x) * (bits / 8), 3));
      } else {
        const size_t bit = static_cast<size_t>(x) * bits;
        const int index = b[row + bit / 8] >> (8 - bits - bit % 8) & ((1 << bits) - 1);
        pixels.push_back(Le(b, table + 4 * static_cast<size_t>(index), 3));
      }
    }
  }
  return pixels;
}

int LargestDifference(const std::vector<DWORD>& a, const std::vector<DWORD>& b) {
  if (a.size() != b.size()) return 1000;
  int largest = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    for (int shift : {0, 8, 16}) {
      largest = std::max(largest, std::abs(static_cast<int>(a[i] >> shift & 0xFF) - static_cast<int>(b[i] >> shift & 0xFF)));
    }
  }
  return largest;
}

}  // namespace

TEST(BmpReaderTest, BottomUpAndTopDownFilesShowTheSamePicture) {
  TBitmap bottomUp;
  Load(bottomUp, BmpFile(3, 2, 24, {}, Join({Row24(kBottom), Row24(kTop)})));
  EXPECT_EQ(pd24Bit, bottomUp.PixelDepth());
  EXPECT_EQ(3, bottomUp.Width());
  EXPECT_EQ(2, bottomUp.Height());
  const std::vector<DWORD> picture{kRed, kGreen, kBlue, kWhite, kBlack, 0x102030};
  EXPECT_EQ(picture, PixelsOf(bottomUp));

  TBitmap topDown;
  Load(topDown, BmpFile(3, -2, 24, {}, Join({Row24(kTop), Row24(kBottom)})));
  EXPECT_EQ(2, topDown.Height());
  EXPECT_EQ(picture, PixelsOf(topDown));
  // Row 0 is the top of the picture in both row orders.
  BitmapRowWriter topDownRows(topDown);
  const uint8_t* top = topDownRows.Row(0);
  EXPECT_EQ(12, topDownRows.Row(1) - top);
  EXPECT_EQ((std::vector<uint8_t>{0, 0, 0xFF}), std::vector<uint8_t>(top, top + 3));
  BitmapRowWriter bottomUpRows(bottomUp);
  const uint8_t* bottomUpTop = bottomUpRows.Row(0);
  EXPECT_EQ(-12, bottomUpRows.Row(1) - bottomUpTop);
  EXPECT_EQ((std::vector<uint8_t>{0, 0, 0xFF}), std::vector<uint8_t>(bottomUpTop, bottomUpTop + 3));
}

TEST(BmpReaderTest, TopDownImagesKeepTheirPicturesWhenUnsharedOrResized) {
  const std::vector<DWORD> picture{kRed, kGreen, kBlue, kWhite, kBlack, 0x102030};
  // 24 bits are converted in one call, 8 bits are drawn across.
  const std::vector<uint8_t> files[] = {
      BmpFile(3, -2, 24, {}, Join({Row24(kTop), Row24(kBottom)})),
      BmpFile(3, -2, 8, {kRed, kGreen, kBlue, kWhite, kBlack, 0x102030}, {0, 1, 2, 0, 3, 4, 5, 0}, 6)};
  for (const auto& file : files) {
    TBitmap original;
    Load(original, file);
    TBitmap copy;
    copy.CopyFrom(&original);
    copy.Canvas().FillRect(RECT{0, 0, 0, 0});  // a drawing operation: unshares
    EXPECT_FALSE(BitmapObjects(original).SharesImageWith(copy));
    EXPECT_EQ(picture, PixelsOf(copy));
    EXPECT_GT(BitmapRowWriter(copy).Step(), 0);

    copy.SetWidth(4);
    EXPECT_EQ((std::vector<DWORD>{kRed, kGreen, kBlue, kWhite, kWhite, kBlack, 0x102030, kWhite}), PixelsOf(copy));
    EXPECT_EQ(picture, PixelsOf(original));
    ReleaseIdleMemoryDCs();
  }
}

TEST(BmpReaderTest, ColourTableHasTheCountedEntriesAndPixelsFollowIt) {
  // With no count, 1, 4 and 8 bits read 2, 16 and 256 entries; the last entry is
  // the one the pixels use.
  for (uint16_t bits : {1, 4, 8}) {
    std::vector<DWORD> table(1u << bits, kBlack);
    table.back() = 0x4080C0;
    TBitmap bitmap;
    Load(bitmap, BmpFile(2, 1, bits, table, {0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ((std::vector<DWORD>{0x4080C0, 0x4080C0}), PixelsOf(bitmap)) << bits;
    EXPECT_EQ(bits == 1 ? pd1Bit : bits == 4 ? pd4Bit : pd8Bit, bitmap.PixelDepth());
    EXPECT_TRUE(bitmap.PaletteModified());
  }
  // A count of 5 on an 8-bit file: five entries, then the pixels.
  TBitmap counted;
  Load(counted, BmpFile(3, 1, 8, {kBlack, kRed, kGreen, kBlue, kWhite}, {4, 1, 3, 0}, 5));
  EXPECT_EQ((std::vector<DWORD>{kWhite, kRed, kBlue}), PixelsOf(counted));
}

TEST(BmpReaderTest, SixteenBitFilesReadMasksOnlyForBitFields) {
  // 5-6-5 with its masks: pure red, green and blue.
  BmpWriter fields;
  fields.FileHeader(0, 0).InfoHeader(3, 1, 16, BI_BITFIELDS).U32(0xF800).U32(0x07E0).U32(0x001F);
  fields.U16(0xF800).U16(0x07E0).U16(0x001F).U16(0);
  TBitmap bitmap565;
  Load(bitmap565, fields.bytes);
  EXPECT_EQ(pd16Bit, bitmap565.PixelDepth());
  EXPECT_EQ((std::vector<DWORD>{kRed, kGreen, kBlue}), PixelsOf(bitmap565));

  // Uncompressed 5-5-5 has no masks: the pixels come first.
  BmpWriter plain;
  plain.FileHeader(0, 0).InfoHeader(3, 1, 16).U16(0x7C00).U16(0x03E0).U16(0x001F).U16(0);
  TBitmap bitmap555;
  Load(bitmap555, plain.bytes);
  EXPECT_EQ(pd15Bit, bitmap555.PixelDepth());
  EXPECT_EQ((std::vector<DWORD>{kRed, kGreen, kBlue}), PixelsOf(bitmap555));
}

TEST(BmpReaderTest, PixelsAreReadFromBehindTheTableWhateverTheOffsetSays) {
  std::vector<uint8_t> file = BmpFile(3, 2, 24, {}, Join({Row24(kBottom), Row24(kTop), std::vector<uint8_t>(8, 0x77)}));
  file[10] = 14 + 40 + 8;  // claims a gap of 8 bytes after the header
  TBitmap bitmap;
  Load(bitmap, file);
  EXPECT_EQ((std::vector<DWORD>{kRed, kGreen, kBlue, kWhite, kBlack, 0x102030}), PixelsOf(bitmap));
}

TEST(BmpReaderTest, Os2FileGivesTheSameColoursAsTheWindowsFile) {
  std::vector<DWORD> table(256);
  for (DWORD i = 0; i < 256; ++i) table[i] = i << 16 | (255 - i) << 8 | (i * 7 & 0xFF);
  const std::vector<uint8_t> rows{0, 17, 200, 0, 255, 128, 3, 0};

  BmpWriter os2;
  os2.FileHeader(0, 0).U32(12).U16(3).U16(2).U16(1).U16(8);
  for (DWORD entry : table) os2.U8(entry & 0xFF).U8(entry >> 8 & 0xFF).U8(entry >> 16 & 0xFF);
  os2.Bytes(rows);

  TBitmap fromOs2;
  TBitmap fromWindows;
  Load(fromOs2, os2.bytes);
  Load(fromWindows, BmpFile(3, 2, 8, table, rows));
  EXPECT_TRUE(BitmapObjects(fromOs2).FromOs2File());
  EXPECT_FALSE(BitmapObjects(fromWindows).FromOs2File());
  EXPECT_EQ(pd8Bit, fromOs2.PixelDepth());
  EXPECT_EQ((std::vector<DWORD>{table[255], table[128], table[3], table[0], table[17], table[200]}),
            PixelsOf(fromOs2));
  EXPECT_EQ(PixelsOf(fromWindows), PixelsOf(fromOs2));
}

TEST(BmpReaderTest, RunLengthFileBecomesADeviceBitmapThatKeepsItsBytes) {
  BmpWriter rle;
  const std::vector<uint8_t> runs{4, 1, 0, 0, 2, 2, 2, 3, 0, 1};
  rle.FileHeader(0, 0).InfoHeader(4, 2, 8, BI_RLE8, static_cast<uint32_t>(runs.size()), 4);
  rle.U32(kBlack).U32(kRed).U32(kGreen).U32(kBlue).Bytes(runs);

  TBitmap bitmap;
  Load(bitmap, rle.bytes);
  EXPECT_EQ(pdDevice, bitmap.PixelDepth());
  EXPECT_FALSE(BitmapObjects(bitmap).FromOs2File());
  EXPECT_EQ((std::vector<DWORD>{kGreen, kGreen, kBlue, kBlue, kRed, kRed, kRed, kRed}), PixelsOf(bitmap));
  TMemoryStream saved;
  bitmap.SaveStream(saved);
  EXPECT_EQ(rle.bytes, std::vector<uint8_t>(saved.Memory(), saved.Memory() + saved.Size()));

  // Drawing changes the pixels, so the kept file no longer describes them: the
  // next save is uncompressed.
  bitmap.Canvas().FillRect(RECT{0, 0, 1, 1});
  TMemoryStream resaved;
  bitmap.SaveStream(resaved);
  BITMAPINFOHEADER header{};
  ASSERT_GE(resaved.Size(), static_cast<int64_t>(sizeof(BITMAPFILEHEADER) + sizeof header));
  std::memcpy(&header, resaved.Memory() + sizeof(BITMAPFILEHEADER), sizeof header);
  EXPECT_EQ(static_cast<DWORD>(BI_RGB), header.biCompression);
  ReleaseIdleMemoryDCs();
}

TEST(BmpReaderTest, EmptyFileLoadsAsEmptyBitmap) {
  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  const std::string name = std::string(folder) + "mirokate-empty.bmp";
  { TFileStream create(name, TFileStream::kCreate); }
  TBitmap bitmap;
  SetPixels(bitmap, 1, 1, {kRed});
  int changes = 0;
  bitmap.OnChange = [&](TGraphic*) { ++changes; };
  EXPECT_NO_THROW(bitmap.LoadFile(name));
  DeleteFileA(name.c_str());
  EXPECT_TRUE(bitmap.IsEmpty());
  EXPECT_EQ(0, bitmap.Width());
  EXPECT_EQ(0, bitmap.Height());
  EXPECT_EQ(0, changes);
}

TEST(BmpReaderTest, DamagedFilesFailWithTheirMessagesButShortPixelDataLoads) {
  const std::vector<uint8_t> good = BmpFile(3, 2, 24, {}, Join({Row24(kBottom), Row24(kTop)}));
  std::vector<uint8_t> notBm = good;
  notBm[1] = 'A';
  EXPECT_EQ(kInvalidBitmap, LoadFailure(notBm));
  std::vector<uint8_t> planes = good;
  planes[26] = 2;
  EXPECT_EQ(kInvalidBitmap, LoadFailure(planes));
  // Ends inside the colour table.
  const std::vector<uint8_t> palette = BmpFile(2, 1, 8, std::vector<DWORD>(256, kRed), {0, 0, 0, 0});
  EXPECT_EQ(kReadError, LoadFailure(std::vector<uint8_t>(palette.begin(), palette.begin() + 54 + 100)));
  // Ends inside the masks.
  BmpWriter masks;
  masks.FileHeader(0, 0).InfoHeader(1, 1, 32, BI_BITFIELDS).U32(0xFF0000);
  EXPECT_EQ(kReadError, LoadFailure(masks.bytes));

  TBitmap bitmap;
  Load(bitmap, good);
  EXPECT_THROW(Load(bitmap, notBm), EInvalidGraphic);
  EXPECT_EQ(3, bitmap.Width());
  EXPECT_EQ(kRed, PixelsOf(bitmap)[0]);

  // Short pixel data is no failure: only the bottom row is there, the rest is black.
  Load(bitmap, BmpFile(3, 2, 24, {}, Row24(kBottom)));
  EXPECT_EQ((std::vector<DWORD>{kBlack, kBlack, kBlack, kWhite, kBlack, 0x102030}), PixelsOf(bitmap));
}

TEST(BmpReaderTest, SizesFromTheFileCannotReachPastWhatWasMade) {
  // More entries than a table can use: the surplus is read past, the pixels follow.
  std::vector<DWORD> table(300, kBlack);
  table[7] = kBlue;
  TBitmap oversized;
  Load(oversized, BmpFile(1, 1, 8, table, {7, 0, 0, 0}, 300));
  EXPECT_EQ(std::vector<DWORD>{kBlue}, PixelsOf(oversized));

  // A count whose table would be gigabytes long: the file ends inside it.
  EXPECT_EQ(kReadError, LoadFailure(BmpFile(1, 1, 8, {kRed}, {0, 0, 0, 0}, 0x12345678)));
  // Dimensions no 32-bit process could hold, with and without a stated size.
  BmpWriter huge;
  huge.FileHeader(0, 0).InfoHeader(3000000, 2000000, 24).Bytes(std::vector<uint8_t>(64, 0));
  EXPECT_EQ(kInvalidBitmap, LoadFailure(huge.bytes));
  BmpWriter hugeRle;
  hugeRle.FileHeader(0, 0).InfoHeader(60000, 60000, 8, BI_RLE8, 2, 1).U32(kRed).Bytes({0, 1});
  EXPECT_EQ(kInvalidBitmap, LoadFailure(hugeRle.bytes));
  // A header claiming more bytes than the file has.
  BmpWriter longHeader;
  longHeader.FileHeader(0, 0).U32(4000).Bytes(std::vector<uint8_t>(60, 0));
  EXPECT_EQ(kInvalidBitmap, LoadFailure(longHeader.bytes));

  // Sides whose products would wrap a 64-bit count: refused, not let through.
  BmpWriter wrapping;
  wrapping.FileHeader(0, 0).InfoHeader(0x7FFFFFFF, INT32_MIN, 32).Bytes(std::vector<uint8_t>(64, 0));
  EXPECT_EQ(kInvalidBitmap, LoadFailure(wrapping.bytes));
  // A one-bit file of 1 KB naming 46341 squared pixels: too many to draw, though
  // its bytes would fit.
  BmpWriter manyPixels;
  manyPixels.FileHeader(0, 0).InfoHeader(46341, 46341, 1, BI_RGB, 0, 2).U32(kBlack).U32(kWhite).Bytes(
      std::vector<uint8_t>(1024, 0x55));
  EXPECT_EQ(kOutOfMemory, LoadFailure(manyPixels.bytes));
  // A plain shape whose section does not fit the address space: memory, not the
  // file, is at fault, whatever error an earlier call left behind.
  BmpWriter tooBig;
  tooBig.FileHeader(0, 0).InfoHeader(25000, 25000, 24).Bytes(std::vector<uint8_t>(64, 0));
  SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  EXPECT_EQ(kOutOfMemory, LoadFailure(tooBig.bytes));

  // A stated image size far beyond the section, with that much data present: only
  // the section's own bytes are read.
  BmpWriter sized;
  sized.FileHeader(0, 0).InfoHeader(1, 1, 24, BI_RGB, 65536).Bytes(std::vector<uint8_t>(65536, 0xFF));
  TBitmap white;
  Load(white, sized.bytes);
  EXPECT_EQ(std::vector<DWORD>{kWhite}, PixelsOf(white));
  // A run-length stream without its end, stating more data than there is.
  BmpWriter unterminated;
  unterminated.FileHeader(0, 0).InfoHeader(64, 64, 8, BI_RLE8, 1000000, 2).U32(kBlack).U32(kRed).Bytes({255, 1});
  const std::string outcome = LoadFailure(unterminated.bytes);
  EXPECT_TRUE(outcome == "(loaded)" || outcome == kInvalidBitmap) << outcome;
}

TEST(BmpReaderTest, SuiteGoodFilesShowTheirPictures) {
  const std::string folder = SuiteFolder() + "g\\";
  const std::vector<std::string> names = FilesIn(folder);
  ASSERT_GE(names.size(), 20u) << folder;

  std::map<std::string, std::vector<DWORD>> loaded;
  for (const std::string& name : names) {
    TBitmap bitmap;
    try {
      bitmap.LoadFile(folder + name);
    } catch (const Exception& failure) {
      ADD_FAILURE() << name << ": " << failure.Message();
      continue;
    }
    loaded[name] = PixelsOf(bitmap);
    // Plain files: the pixels as the file itself gives them.
    int width = 0, height = 0;
    const std::vector<DWORD> decoded = DecodePlain(ReadWholeFile(folder + name), width, height);
    if (!decoded.empty()) {
      EXPECT_EQ(width, bitmap.Width()) << name;
      EXPECT_EQ(height, bitmap.Height()) << name;
      EXPECT_TRUE(decoded == loaded[name]) << name;
    }
  }
  // Files of other layouts draw the same picture as a plain one.
  const std::map<std::string, std::pair<std::string, int>> sameAs{
      {"pal8os2.bmp", {"pal8.bmp", 0}},     {"pal8rle.bmp", {"pal8.bmp", 0}},    {"pal4rle.bmp", {"pal4.bmp", 0}},
      {"rgb32bf.bmp", {"rgb24.bmp", 0}},    {"rgb32bfdef.bmp", {"rgb24.bmp", 0}}, {"rgb16.bmp", {"rgb24.bmp", 8}},
      {"rgb16bfdef.bmp", {"rgb24.bmp", 8}}, {"rgb16-565.bmp", {"rgb24.bmp", 8}},
      {"rgb16-565pal.bmp", {"rgb24.bmp", 8}}};
  for (const auto& [name, reference] : sameAs) {
    ASSERT_TRUE(loaded.count(name) && loaded.count(reference.first)) << name;
    EXPECT_LE(LargestDifference(loaded[name], loaded[reference.first]), reference.second) << name;
  }
  // The 8-bit rendering is a reduction of the full-colour one.
  EXPECT_LE(LargestDifference(loaded["pal8.bmp"], loaded["rgb24.bmp"]), 64);
}

TEST(BmpReaderTest, NoSuiteFileCrashesOrLeaksAndFailuresCarryKnownMessages) {
  const std::set<std::string> known{kInvalidBitmap, kReadError};
  {
    // Settles the objects made once per process before counting.
    TBitmap warm;
    warm.LoadFile(SuiteFolder() + "g\\pal4.bmp");
    warm.Palette();
  }
  const int before = GdiObjectCount();
  {
    // The count sees a leaked object.
    UniqueGdiObject<HBRUSH> brush(CreateSolidBrush(0));
    ASSERT_EQ(before + 1, GdiObjectCount());
  }
  int files = 0;
  for (const char* kind : {"g", "q", "b", "x"}) {
    const std::string folder = SuiteFolder() + kind + "\\";
    for (const std::string& name : FilesIn(folder)) {
      ++files;
      TBitmap bitmap;
      try {
        bitmap.LoadFile(folder + name);
        PixelsOf(bitmap);
        bitmap.SetPixelDepth(pd24Bit);
      } catch (const EOSError& failure) {
        // The system's own refusal: its code and text.
        EXPECT_EQ(0u, failure.Message().find("システムエラー")) << name << ": " << failure.Message();
      } catch (const Exception& failure) {
        EXPECT_TRUE(known.count(failure.Message())) << kind << "\\" << name << ": " << failure.Message();
        EXPECT_NE(std::string("g"), kind) << name;
      }
    }
  }
  EXPECT_GE(files, 89);
  EXPECT_EQ(before, GdiObjectCount());
}
