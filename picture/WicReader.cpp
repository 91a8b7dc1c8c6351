#include "picture/WicReader.h"

#include <vector>

#include "picture/PictureFormat.h"
#include "picture/Stream.h"
#include "picture/WicCodecs.h"
#include "picture/WicStream.h"

bool WicReader::CanRead(const uint8_t* first, size_t count) const {
  const TPictureFormat format = SniffPictureFormat(first, count);
  if (format != TPictureFormat::Unknown) return format != TPictureFormat::Bmp && format != TPictureFormat::Jpeg;
  const TWicSession session;
  return DecodersRead(InstalledDecoders(session), TPictureFormat::Unknown, std::vector<uint8_t>(first, first + count));
}

PictureSize WicReader::ReadSize(TStream& stream) const { return TWicFrame(ComStreamOver(stream), file_).Size(); }

void WicReader::Decode(TStream& stream, TBitmap& bitmap, int minWidth, int minHeight) const {
  TWicFrame(ComStreamOver(stream), file_).Decode(bitmap, TWantedSize{minWidth, minHeight});
}

void ReadPictureThroughWic(const FilePath& file, TBitmap& bitmap, TWantedSize wanted) {
  TWicFrame(ComStreamOnFile(file), file).Decode(bitmap, wanted);
}
