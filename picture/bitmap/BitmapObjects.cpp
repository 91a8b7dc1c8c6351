#include "picture/bitmap/BitmapObjects.h"

#include "picture/bitmap/Bitmap.h"
#include "picture/bitmap/BitmapImage.h"

HBITMAP BitmapObjects::Handle() const { return bitmap_.Image().Handle(); }

int BitmapObjects::Holders() const { return bitmap_.Image().RefCount(); }

bool BitmapObjects::SharesImageWith(const TBitmap& other) const { return &bitmap_.Image() == &other.Image(); }

bool BitmapObjects::FromOs2File() const { return bitmap_.Image().FromOs2File(); }
