#include "picture/WicReader.h"

#include "picture/WicStream.h"

void ReadPictureThroughWic(const FilePath& file, TBitmap& bitmap, TWantedSize wanted) {
  TWicFrame(ComStreamOnFile(file), file).Decode(bitmap, wanted);
}
