#include "picture/bitmap/BmpWriter.h"

#include <windows.h>

#include <cstdlib>
#include <vector>

#include "gdi/Handles.h"
#include "picture/bitmap/BitmapCanvas.h"
#include "picture/bitmap/BitmapImage.h"
#include "picture/core/Stream.h"

void WriteBmpFile(const DIBSECTION& dib, HBITMAP section, TStream& stream) {
  GdiFlush();
  const BITMAPINFOHEADER& header = dib.dsBmih;

  // The colour table of a palette image, or the masks of a bit-field image.
  std::vector<uint8_t> table;
  if (header.biBitCount <= 8) {
    RGBQUAD entries[256];
    UniqueMemoryDC dc(GdiCreate([&] { return CreateCompatibleDC(nullptr); }));
    DeselectEverywhere(section);
    SelectedObject selected(dc.get(), section);
    const UINT count = GetDIBColorTable(dc.get(), 0, 256, entries);
    table.assign(reinterpret_cast<uint8_t*>(entries), reinterpret_cast<uint8_t*>(entries + count));
  } else if (header.biCompression == BI_BITFIELDS) {
    table.assign(reinterpret_cast<const uint8_t*>(dib.dsBitfields),
                 reinterpret_cast<const uint8_t*>(dib.dsBitfields) + sizeof dib.dsBitfields);
  }

  BITMAPINFOHEADER info = header;
  info.biSize = sizeof info;
  info.biSizeImage =
      static_cast<DWORD>(RowStride(header.biWidth, header.biBitCount, 32) * std::abs(header.biHeight));
  info.biClrUsed = header.biBitCount <= 8 ? static_cast<DWORD>(table.size() / 4) : 0;
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = static_cast<DWORD>(sizeof file + sizeof info + table.size());
  file.bfSize = file.bfOffBits + info.biSizeImage;
  stream.WriteBuffer(&file, sizeof file);
  stream.WriteBuffer(&info, sizeof info);
  stream.WriteBuffer(table.data(), static_cast<int32_t>(table.size()));
  stream.WriteBuffer(dib.dsBm.bmBits, static_cast<int32_t>(info.biSizeImage));
}
