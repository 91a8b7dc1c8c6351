#pragma once
// The registry that maps a file extension to the graphic class that reads such
// files. There is one for the process, FileFormatRegistry(); the picture holder
// asks it which kind of graphic to make for a file name.

#include <string>
#include <vector>

#include "picture/core/Graphic.h"

// One registered format.
struct TFileFormat {
  const TGraphicClass* graphicClass;
  // Without the leading dot, lower-cased when the row was added.
  std::string extension;
  std::string description;
};

// An ordered list of formats. Lookups scan from the last row, so a later
// registration of an extension shadows an earlier one.
class TFileFormatsList {
public:
  // Appends a row; the extension is lower-cased on the way in.
  void Add(const std::string& extension, const std::string& description, const TGraphicClass& graphicClass);
  // Removes every row whose class is the given class or one of its descendants.
  void Remove(const TGraphicClass& graphicClass);
  // The class of the last row whose extension matches regardless of case, or none.
  // An empty extension matches nothing.
  const TGraphicClass* FindExtension(const std::string& extension) const;

  const std::vector<TFileFormat>& Rows() const { return rows_; }

private:
  std::vector<TFileFormat> rows_;
};

// The process's registry, made on first use with the rows wmf, emf, ico and bmp
// (descriptions from the string table), and kept to the end of the process.
TFileFormatsList& FileFormatRegistry();

// Appends a row to the process's registry, making the registry first if needed.
void RegisterFormat(const std::string& extension, const std::string& description,
                    const TGraphicClass& graphicClass);
// Removes the class and its descendants from the process's registry.
void UnregisterFormats(const TGraphicClass& graphicClass);
// The class registered last for the extension (without its dot, any case), or none.
const TGraphicClass* FindByExtension(const std::string& extension);

// Graphic kinds that have registry rows but that this program cannot make: asking
// one for a graphic raises EInvalidGraphic with the unknown-extension message.
// The icon row names TIcon (picture/formats/Icon.h), which is likewise made from no file.
struct TMetafile {
  // Windows metafiles (wmf).
  static const TGraphicClass& StaticClass();
};
struct TEnhMetafile {
  // Enhanced metafiles (emf); a kind of TMetafile.
  static const TGraphicClass& StaticClass();
};
