#include "presenter/FolderPictures.h"

#include <cstddef>
#include <utility>

#include "picture/Picture.h"
#include "presenter/OutputName.h"
#include "text/FileNames.h"

namespace {

// A folder being walked and how far: its sub-folders first, then its files.
struct Walk {
  FolderEntries entries;
  size_t nextFolder = 0;
};

void TakeFiles(const std::vector<FilePath>& files, FolderPictures& found) {
  for (const FilePath& file : files) {
    if (IsOwnOutput(file)) continue;
    if (IsReadablePicture(file)) {
      found.pictures.push_back(file);
    } else {
      ++found.skipped;
    }
  }
}

}  // namespace

FolderPictures PicturesUnder(const FilePath& folder) {
  FolderPictures found;
  // A stack of its own rather than the call stack: a tree may be as deep as
  // the longest path allows.
  std::vector<Walk> walks;
  walks.push_back({EntriesOfFolder(folder)});
  while (!walks.empty()) {
    Walk& walk = walks.back();
    if (walk.nextFolder < walk.entries.folders.size()) {
      const FilePath inner = walk.entries.folders[walk.nextFolder++];
      walks.push_back({EntriesOfFolder(inner)});
      continue;
    }
    TakeFiles(walk.entries.files, found);
    walks.pop_back();
  }
  return found;
}
