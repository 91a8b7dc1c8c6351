#pragma once
// The name a picture is saved under, beside it: the program's name, a blank, a
// full-width tilde and a blank, then the picture's name with ".jpg" in place of
// its last extension. Files so named are the program's own outputs, which a
// folder's run does not frame again.

#include "text/FilePath.h"

FilePath OutputNameFor(const FilePath& picture);
bool IsOwnOutput(const FilePath& file);
