#pragma once
// The pictures a dropped folder stands for: those inside it and inside its
// sub-folders, depth-first in the file browser's order (a folder's sub-folders
// before its files), without the program's own outputs. Junctions and symbolic
// links to folders are not followed.

#include <vector>

#include "text/FilePath.h"

struct FolderPictures {
  std::vector<FilePath> pictures;
  // Files that are no picture (their bytes match no format), left out.
  int skipped = 0;
};

FolderPictures PicturesUnder(const FilePath& folder);
