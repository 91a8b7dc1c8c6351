// The bitmap graphic: its GDI forms, sharing with copy on write, resizing, pixel
// depth conversion, row access, palettes, drawing and its memory contexts.
#include <gtest/gtest.h>

#include "tests/support/Failures.h"
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <memory>
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

// Paints the rectangle of the bitmap's canvas in one colour, as drawing code does.
void Fill(TBitmap& bitmap, const RECT& rect, DWORD pixel) {
  TCanvas& canvas = bitmap.Canvas();
  canvas.Brush().SetColor(ToColorRef(pixel));
  canvas.FillRect(rect);
}

// Counts the change notifications a bitmap raises.
struct ChangeCounter {
  explicit ChangeCounter(TBitmap& bitmap) {
    bitmap.OnChange = [this](TGraphic*) { ++count; };
  }
  int count = 0;
};


// Settles the objects made once per process, so that counting GDI objects before
// and after a case sees only what the case leaks.
void WarmUp() {
  TBitmap bitmap;
  bitmap.SetWidth(2);
  bitmap.SetHeight(2);
  bitmap.SetPixelDepth(pd4Bit);
  Fill(bitmap, RECT{0, 0, 1, 1}, kRed);
  ReleaseIdleMemoryDCs();
}

}  // namespace

TEST(BitmapTest, NewBitmapGetsAWhiteScreenFormatBitmapOnceBothSidesAreSet) {
  TBitmap bitmap;
  EXPECT_EQ(pdDevice, bitmap.PixelDepth());
  EXPECT_TRUE(bitmap.IsEmpty());
  bitmap.SetWidth(100);
  EXPECT_EQ(100, bitmap.Width());
  EXPECT_EQ(nullptr, BitmapObjects(bitmap).Handle());
  EXPECT_THROW(BitmapRowWriter(bitmap).Row(0), EInvalidGraphicOperation);

  bitmap.SetHeight(50);
  EXPECT_EQ(50, bitmap.Height());
  EXPECT_FALSE(bitmap.IsEmpty());
  EXPECT_EQ(pdDevice, bitmap.PixelDepth());
  EXPECT_EQ(nullptr, bitmap.Palette());
  BITMAP description{};
  ASSERT_EQ(static_cast<int>(sizeof description), GetObjectA(BitmapObjects(bitmap).Handle(), sizeof description, &description));
  WindowDC screen(nullptr);
  EXPECT_EQ(GetDeviceCaps(screen.get(), BITSPIXEL), description.bmBitsPixel);
  EXPECT_EQ(std::vector<DWORD>(5000, kWhite), PixelsOf(bitmap));

  ChangeCounter changes(bitmap);
  const HBITMAP handle = BitmapObjects(bitmap).Handle();
  bitmap.SetWidth(100);
  bitmap.SetHeight(50);
  EXPECT_EQ(0, changes.count);
  EXPECT_EQ(handle, BitmapObjects(bitmap).Handle());
}

TEST(BitmapTest, ResizingKeepsTopLeftAndFillsWhiteOrWithTheBrush) {
  // Without a canvas the new area is white.
  TBitmap plain;
  SetPixels(plain, 2, 2, {kRed, kGreen, kBlue, kBlack});
  plain.SetWidth(3);
  plain.SetHeight(3);
  EXPECT_EQ((std::vector<DWORD>{kRed, kGreen, kWhite, kBlue, kBlack, kWhite, kWhite, kWhite, kWhite}),
            PixelsOf(plain));
  plain.SetWidth(1);
  EXPECT_EQ((std::vector<DWORD>{kRed, kBlue, kWhite}), PixelsOf(plain));

  // Once the canvas was used, its brush colour fills the new area.
  TBitmap painted;
  painted.SetWidth(2);
  painted.SetHeight(2);
  Fill(painted, RECT{0, 0, 1, 1}, kRed);
  painted.Canvas().Brush().SetColor(ToColorRef(kBlue));
  painted.SetWidth(3);
  EXPECT_EQ((std::vector<DWORD>{kRed, kWhite, kBlue, kWhite, kWhite, kBlue}), PixelsOf(painted));
}

TEST(BitmapTest, CopiesShareTheImageUntilOneIsDrawnOn) {
  TBitmap first;
  first.SetWidth(4);
  first.SetHeight(3);
  Fill(first, RECT{0, 0, 4, 3}, kGreen);

  TBitmap second;
  ChangeCounter changes(second);
  second.CopyFrom(&first);
  EXPECT_EQ(1, changes.count);
  EXPECT_TRUE(BitmapObjects(first).SharesImageWith(second));
  EXPECT_EQ(2, BitmapObjects(first).Holders());
  EXPECT_EQ(4, second.Width());
  EXPECT_EQ(3, second.Height());

  Fill(second, RECT{0, 0, 2, 1}, kRed);
  EXPECT_FALSE(BitmapObjects(first).SharesImageWith(second));
  EXPECT_EQ(1, BitmapObjects(first).Holders());
  const std::vector<DWORD> green(12, kGreen);
  EXPECT_EQ(green, PixelsOf(first));
  std::vector<DWORD> expected = green;
  expected[0] = expected[1] = kRed;
  EXPECT_EQ(expected, PixelsOf(second));

  // The other way round: drawing on the original leaves the copy.
  TBitmap third;
  third.CopyFrom(&second);
  Fill(second, RECT{0, 0, 4, 3}, kBlue);
  EXPECT_EQ(expected, PixelsOf(third));
  EXPECT_EQ(std::vector<DWORD>(12, kBlue), PixelsOf(second));
}

TEST(BitmapTest, CopyingNothingEmptiesAndReleasingTheLastHolderFreesTheImage) {
  WarmUp();
  const int before = GdiObjectCount();
  {
    TBitmap first;
    first.SetWidth(8);
    first.SetHeight(8);
    Fill(first, RECT{0, 0, 8, 8}, kRed);
    auto second = std::make_unique<TBitmap>();
    second->CopyFrom(&first);
    first.CopyFrom(nullptr);
    EXPECT_TRUE(first.IsEmpty());
    EXPECT_EQ(0, first.Width());
    EXPECT_EQ(std::vector<DWORD>(64, kRed), PixelsOf(*second));
    second->SetPixelDepth(pd8Bit);
    second->Canvas().Brush().SetColor(ToColorRef(kBlue));
    second->SetWidth(9);
    second->Canvas().Handle();
  }
  EXPECT_EQ(0, MemoryCanvasCount());
  EXPECT_EQ(before, GdiObjectCount());
}

TEST(BitmapTest, Converting24BitGivesBottomUpRowsWithTheSamePicture) {
  TBitmap bitmap;
  bitmap.SetWidth(5);
  bitmap.SetHeight(3);
  Fill(bitmap, RECT{0, 0, 5, 1}, kRed);
  Fill(bitmap, RECT{0, 2, 5, 3}, kBlue);
  TBitmap keeper;
  keeper.CopyFrom(&bitmap);

  bitmap.SetPixelDepth(pd24Bit);
  EXPECT_EQ(pd24Bit, bitmap.PixelDepth());
  EXPECT_EQ(hkDIB, bitmap.HandleKind());
  EXPECT_EQ(pdDevice, keeper.PixelDepth());
  BitmapRowWriter rows(bitmap);
  const uint8_t* row0 = rows.Row(0);
  const uint8_t* row1 = rows.Row(1);
  const uint8_t* row2 = rows.Row(2);
  EXPECT_EQ(-16, row1 - row0);  // 5 pixels of 3 bytes, padded to 16
  EXPECT_EQ(-16, row2 - row1);
  // Blue, green, red bytes: the top row red, the middle one white, the bottom blue.
  EXPECT_EQ((std::vector<uint8_t>{0, 0, 255, 0, 0, 255}), std::vector<uint8_t>(row0, row0 + 6));
  EXPECT_EQ((std::vector<uint8_t>{255, 255, 255}), std::vector<uint8_t>(row1 + 12, row1 + 15));
  EXPECT_EQ((std::vector<uint8_t>{255, 0, 0}), std::vector<uint8_t>(row2 + 12, row2 + 15));
  EXPECT_EQ(PixelsOf(keeper), PixelsOf(bitmap));
}

TEST(BitmapTest, RowsOutsideTheWritersRangeFailWithTheRangeMessage) {
  TBitmap bitmap;
  bitmap.SetWidth(4);
  bitmap.SetHeight(2);
  bitmap.SetPixelDepth(pd32Bit);
  BitmapRowWriter rows(bitmap);
  EXPECT_NO_THROW(rows.Row(1));
  for (int row : {-1, 2}) {
    EXPECT_EQ("スキャンライン のインデックスが範囲を越えました", MessageOf([&] { rows.Row(row); })) << row;
    EXPECT_THROW(rows.Row(row), EInvalidGraphicOperation);
  }
}

TEST(BitmapTest, WritingRowsUnsharesTheImageAndTellsTheChangeOnceAtTheEnd) {
  TBitmap original;
  SetPixels(original, 2, 2, {kRed, kGreen, kBlue, kBlack});
  original.SetPixelDepth(pd24Bit);
  TBitmap copy;
  copy.CopyFrom(&original);
  ChangeCounter changes(copy);
  const uint8_t white[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  {
    BitmapRowWriter rows(copy);
    std::memcpy(rows.Row(1), white, 6);
    std::memcpy(rows.Row(0), white, 3);
    EXPECT_EQ(0, changes.count);
  }
  EXPECT_EQ(1, changes.count);
  EXPECT_EQ((std::vector<DWORD>{kRed, kGreen, kBlue, kBlack}), PixelsOf(original));
  EXPECT_EQ((std::vector<DWORD>{kWhite, kGreen, kWhite, kWhite}), PixelsOf(copy));

  // A writer left by a failure tells nothing.
  EXPECT_THROW(BitmapRowWriter(copy).Row(2), EInvalidGraphicOperation);
  EXPECT_EQ(1, changes.count);
}

TEST(BitmapTest, RowsOfADeviceBitmapShowItsPixelsAndFollowLaterDrawing) {
  TBitmap bitmap;
  bitmap.SetWidth(3);
  bitmap.SetHeight(2);
  Fill(bitmap, RECT{0, 1, 3, 2}, kRed);
  const uint8_t* bottom = BitmapRowWriter(bitmap).Row(1);
  BITMAP device{};
  ASSERT_NE(0, GetObjectA(BitmapObjects(bitmap).Handle(), sizeof device, &device));
  ASSERT_GE(device.bmBitsPixel * device.bmPlanes / 8, 3);
  EXPECT_EQ((std::vector<uint8_t>{0, 0, 255}), std::vector<uint8_t>(bottom, bottom + 3));
  EXPECT_EQ(pdDevice, bitmap.PixelDepth());

  // Drawing drops the stale row copy: a save, which makes no private image,
  // and the next row access see the new pixels.
  Fill(bitmap, RECT{0, 1, 3, 2}, kGreen);
  TMemoryStream saved;
  bitmap.SaveStream(saved);
  saved.SetPosition(0);
  TBitmap reloaded;
  reloaded.LoadStream(saved);
  EXPECT_EQ(PixelsOf(bitmap), PixelsOf(reloaded));
  bottom = BitmapRowWriter(bitmap).Row(1);
  EXPECT_EQ((std::vector<uint8_t>{0, 255, 0}), std::vector<uint8_t>(bottom, bottom + 3));
}

TEST(BitmapTest, EightBitDepthUsesTheHalftonePalette) {
  TBitmap bitmap;
  bitmap.SetWidth(4);
  bitmap.SetHeight(4);
  bitmap.SetPixelDepth(pd8Bit);
  EXPECT_EQ(pd8Bit, bitmap.PixelDepth());
  EXPECT_TRUE(bitmap.PaletteModified());
  ASSERT_NE(nullptr, bitmap.Palette());

  WindowDC screen(nullptr);
  UniqueGdiObject<HPALETTE> halftone(CreateHalftonePalette(screen.get()));
  PALETTEENTRY expected[256]{};
  const UINT count = GetPaletteEntries(halftone.get(), 0, 256, expected);
  ASSERT_GT(count, 16u);
  RGBQUAD table[256]{};
  UniqueMemoryDC dc(CreateCompatibleDC(nullptr));
  DeselectEverywhere(BitmapObjects(bitmap).Handle());
  {
    SelectedObject selected(dc.get(), BitmapObjects(bitmap).Handle());
    ASSERT_EQ(count, GetDIBColorTable(dc.get(), 0, 256, table));
  }
  for (UINT i = 0; i < count; ++i) {
    ASSERT_EQ(expected[i].peRed, table[i].rgbRed) << i;
    ASSERT_EQ(expected[i].peGreen, table[i].rgbGreen) << i;
    ASSERT_EQ(expected[i].peBlue, table[i].rgbBlue) << i;
  }
  // White survives, through the palette.
  for (DWORD pixel : PixelsOf(bitmap)) ASSERT_EQ(kWhite, pixel);
}

TEST(BitmapTest, PixelDepthsReadBackAndCustomIsRefused) {
  TBitmap bitmap;
  bitmap.SetWidth(3);
  bitmap.SetHeight(3);
  Fill(bitmap, RECT{0, 0, 3, 3}, kBlack);
  for (TPixelDepth depth : {pd1Bit, pd4Bit, pd8Bit, pd15Bit, pd16Bit, pd24Bit, pd32Bit, pdDevice}) {
    bitmap.SetPixelDepth(depth);
    EXPECT_EQ(depth, bitmap.PixelDepth());
    EXPECT_EQ(std::vector<DWORD>(9, kBlack), PixelsOf(bitmap)) << depth;
  }
  EXPECT_EQ("画像フォーマットが不正です", MessageOf([&] { bitmap.SetPixelDepth(pdCustom); }));
  EXPECT_THROW(bitmap.SetPixelDepth(pdCustom), EInvalidGraphic);
}

TEST(BitmapTest, DepthChosenWhileEmptySurvivesAnEmptyHandle) {
  // The order in which a decoder prepares its target bitmap.
  TBitmap bitmap;
  ChangeCounter changes(bitmap);
  bitmap.SetBitmapHandle(nullptr);
  EXPECT_EQ(0, changes.count);
  bitmap.SetPixelDepth(pd24Bit);
  bitmap.SetBitmapHandle(nullptr);
  bitmap.SetWidth(6);
  bitmap.SetHeight(4);
  EXPECT_EQ(pd24Bit, bitmap.PixelDepth());
  EXPECT_EQ(6, bitmap.Width());
  EXPECT_EQ(4, bitmap.Height());
  EXPECT_EQ(-20, BitmapRowWriter(bitmap).Step());
}

TEST(BitmapTest, StretchDrawingDropsAndRepeatsRowsWithoutPalette) {
  TBitmap source;
  SetPixels(source, 2, 2, {kRed, kGreen, kBlue, kBlack});
  TBitmap target;
  target.SetWidth(4);
  target.SetHeight(4);
  target.SetPixelDepth(pd32Bit);
  target.Canvas().StretchDraw(RECT{0, 0, 4, 4}, &source);
  EXPECT_EQ(STRETCH_DELETESCANS, GetStretchBltMode(target.Canvas().Handle()));
  EXPECT_EQ(nullptr, source.Palette());
  EXPECT_EQ((std::vector<DWORD>{kRed, kRed, kGreen, kGreen, kRed, kRed, kGreen, kGreen, kBlue, kBlue, kBlack, kBlack,
                                kBlue, kBlue, kBlack, kBlack}),
            PixelsOf(target));
  ReleaseIdleMemoryDCs();
}

TEST(BitmapTest, LargePictureShownSmallGivesTheDirectStretchPixels) {
  // A pattern with no two neighbouring pixels alike, so that any other choice of
  // dropped scans shows.
  constexpr int kWidth = 301, kHeight = 203, kShownWidth = 37, kShownHeight = 29;
  std::vector<DWORD> pattern;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) pattern.push_back(static_cast<DWORD>(x * 0x010305 + y * 0x070B00) & 0xFFFFFF);
  for (TPixelDepth depth : {pd24Bit, pd8Bit, pd16Bit}) {
    TBitmap source;
    SetPixels(source, kWidth, kHeight, pattern);
    source.SetPixelDepth(depth);

    // What one StretchBlt from the image to a 32-bit surface gives.
    TBitmap direct;
    direct.SetWidth(kShownWidth);
    direct.SetHeight(kShownHeight);
    direct.SetPixelDepth(pd32Bit);
    {
      const HDC target = direct.Canvas().Handle();
      UniqueMemoryDC dc(CreateCompatibleDC(nullptr));
      DeselectEverywhere(BitmapObjects(source).Handle());
      SelectedObject selected(dc.get(), BitmapObjects(source).Handle());
      SetStretchBltMode(target, STRETCH_DELETESCANS);
      StretchBlt(target, 0, 0, kShownWidth, kShownHeight, dc.get(), 0, 0, kWidth, kHeight, SRCCOPY);
    }
    TBitmap drawn;
    drawn.SetWidth(kShownWidth);
    drawn.SetHeight(kShownHeight);
    drawn.SetPixelDepth(pd32Bit);
    drawn.Canvas().StretchDraw(RECT{0, 0, kShownWidth, kShownHeight}, &source);
    EXPECT_EQ(PixelsOf(direct), PixelsOf(drawn)) << depth;
    ReleaseIdleMemoryDCs();
  }
}

TEST(BitmapTest, SavedImageReadsBackAsTheSamePicture) {
  TBitmap original;
  SetPixels(original, 3, 2, {kRed, kGreen, kBlue, kBlack, kWhite, 0x123456});
  for (TPixelDepth depth : {pd24Bit, pdDevice}) {
    original.SetPixelDepth(depth);
    TMemoryStream file;
    original.SaveStream(file);
    file.SetPosition(0);
    TBitmap copy;
    copy.LoadStream(file);
    EXPECT_EQ(PixelsOf(original), PixelsOf(copy)) << depth;
  }
  TBitmap empty;
  TMemoryStream nothing;
  empty.SaveStream(nothing);
  EXPECT_EQ(0, nothing.Size());
}

TEST(BitmapTest, TheSystemsSixteenColoursAreOnlyBorrowed) {
  WarmUp();
  const HPALETTE system = SystemPalette16();
  ASSERT_NE(nullptr, system);
  HPALETTE given = nullptr;
  {
    TBitmap bitmap;
    bitmap.SetWidth(4);
    bitmap.SetHeight(4);
    bitmap.SetPixelDepth(pd4Bit);
    EXPECT_EQ(system, bitmap.Palette());
    TBitmap copy;
    copy.CopyFrom(&bitmap);
    copy.SetWidth(5);
    bitmap.SetBitmapHandle(UniqueGdiObject<HBITMAP>(CreateBitmap(2, 2, 1, 1, nullptr)));
    // A copy of them given over is the receiver's own, and goes with it.
    TBitmap other;
    other.SetWidth(2);
    other.SetHeight(2);
    UniquePalette copyOfSystem = DuplicatePalette(system);
    given = copyOfSystem.get();
    other.SetPalette(std::move(copyOfSystem));
    EXPECT_EQ(given, other.Palette());
  }
  EXPECT_EQ(0u, GetObjectType(given));
  WORD entries = 0;
  ASSERT_EQ(static_cast<int>(sizeof entries), GetObjectA(system, sizeof entries, &entries));
  EXPECT_EQ(16, entries);
}

TEST(BitmapTest, APaletteCarriesOverToANewHandleAndGoesWithItsLastImage) {
  WarmUp();
  const int before = GdiObjectCount();
  {
    TBitmap bitmap;
    bitmap.SetWidth(4);
    bitmap.SetHeight(4);
    bitmap.SetPixelDepth(pd8Bit);
    const HPALETTE palette = bitmap.Palette();
    ASSERT_NE(nullptr, palette);
    TBitmap shared;
    shared.CopyFrom(&bitmap);
    // A shared image's palette is copied for the new handle; a private one's moves.
    shared.SetBitmapHandle(UniqueGdiObject<HBITMAP>(CreateBitmap(2, 2, 1, 1, nullptr)));
    EXPECT_NE(nullptr, shared.Palette());
    EXPECT_NE(palette, shared.Palette());
    bitmap.SetBitmapHandle(UniqueGdiObject<HBITMAP>(CreateBitmap(3, 3, 1, 1, nullptr)));
    EXPECT_EQ(palette, bitmap.Palette());
    // The screen's context is given back first: one held while the bitmap takes
    // another makes the system keep a second one in its cache.
    UniquePalette halftone;
    {
      WindowDC screen(nullptr);
      halftone.reset(CreateHalftonePalette(screen.get()));
    }
    bitmap.SetPalette(std::move(halftone));
    EXPECT_EQ(OBJ_PAL, GetObjectType(bitmap.Palette()));
  }
  EXPECT_EQ(before, GdiObjectCount());
}
