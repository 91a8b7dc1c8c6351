#include "picture/formats/FileFormats.h"

#include <windows.h>

#include "picture/bitmap/Bitmap.h"
#include "picture/formats/Icon.h"
#include "resources/StringIds.h"
#include "text/Exceptions.h"
#include "text/TextFunctions.h"

namespace {

// The rows of kinds this program has no reader for still name a class, so that a
// request for one fails with the usual message instead of reaching a null maker.
[[noreturn]] void CannotMake(const char* extension) {
  throw EInvalidGraphic(ResFormat(IDS_UNKNOWN_EXTENSION, {extension}));
}

std::unique_ptr<TGraphic> MakeMetafile() { CannotMake("wmf"); }
std::unique_ptr<TGraphic> MakeEnhMetafile() { CannotMake("emf"); }

// Constant-initialised, so they are usable from any other module's start-up.
const TGraphicClass kMetafileClass{"TMetafile", nullptr, &MakeMetafile};
const TGraphicClass kEnhMetafileClass{"TEnhMetafile", &kMetafileClass, &MakeEnhMetafile};

TFileFormatsList* MakeRegistry() {
  // Never destroyed: other modules may unregister their formats while the
  // process shuts down, in whatever order their clean-up runs.
  auto* list = new TFileFormatsList;
  list->Add("wmf", ResText(IDS_METAFILE_DESCRIPTION), kMetafileClass);
  list->Add("emf", ResText(IDS_ENH_METAFILE_DESCRIPTION), kEnhMetafileClass);
  list->Add("ico", ResText(IDS_ICON_DESCRIPTION), TIcon::StaticClass());
  list->Add("bmp", ResText(IDS_BITMAP_DESCRIPTION), TBitmap::StaticClass());
  return list;
}

}  // namespace

const TGraphicClass& TMetafile::StaticClass() { return kMetafileClass; }
const TGraphicClass& TEnhMetafile::StaticClass() { return kEnhMetafileClass; }

void TFileFormatsList::Add(const std::string& extension, const std::string& description,
                           const TGraphicClass& graphicClass) {
  rows_.push_back(TFileFormat{&graphicClass, LowerCase(extension), description});
}

void TFileFormatsList::Remove(const TGraphicClass& graphicClass) {
  for (size_t i = rows_.size(); i > 0; --i) {
    if (rows_[i - 1].graphicClass->InheritsFrom(graphicClass)) rows_.erase(rows_.begin() + (i - 1));
  }
}

const TGraphicClass* TFileFormatsList::FindExtension(const std::string& extension) const {
  if (extension.empty()) return nullptr;
  const std::string wanted = LowerCase(extension);
  for (size_t i = rows_.size(); i > 0; --i) {
    if (rows_[i - 1].extension == wanted) return rows_[i - 1].graphicClass;
  }
  return nullptr;
}

TFileFormatsList& FileFormatRegistry() {
  static TFileFormatsList* const registry = MakeRegistry();
  return *registry;
}

void RegisterFormat(const std::string& extension, const std::string& description,
                    const TGraphicClass& graphicClass) {
  FileFormatRegistry().Add(extension, description, graphicClass);
}

void UnregisterFormats(const TGraphicClass& graphicClass) { FileFormatRegistry().Remove(graphicClass); }

const TGraphicClass* FindByExtension(const std::string& extension) {
  return FileFormatRegistry().FindExtension(extension);
}
