#include "tests/support/WicReader.h"

#include "picture/readers/wic/WicStream.h"

void ReadPictureThroughWic(const FilePath& file, TBitmap& bitmap, TWantedSize wanted) {
  TWicFrame(ComStreamOnFile(file), file).Decode(bitmap, wanted);
}
