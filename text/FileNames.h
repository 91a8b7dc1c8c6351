#pragma once
// Taking Windows file names apart and testing them. Names are UTF-8, in which
// the delimiters "\", ":" and "." are never a byte of a longer character.

#include <windows.h>

#include <windows.h>

#include <string>
#include <vector>

#include "text/FilePath.h"

// True when the name's full path is short enough for the file calls of a program
// without long-path support: at most MAX_PATH - 1 characters.
bool FitsFileCalls(const FilePath& name);

// True for an existing file that is not a directory. The platform's lookup
// disregards trailing blanks and dots of the last component and treats "*" and
// "?" as wildcards. A name too long for the file calls is not found.
bool IsExistingFile(const FilePath& name);

// True for an existing folder; a name too long for the file calls is not found.
bool IsExistingFolder(const FilePath& name);

// The files directly inside the folder, without sub-folders and without the hidden
// and system files the file browser leaves out, in the order it shows them
// (numbers within names compared as numbers: "2" before "10"). Empty when the
// folder cannot be read.
std::vector<FilePath> FilesInFolder(const FilePath& folder);

// The name as a key that two spellings of one file share: the full path, in its
// long form where the folder or file exists, in upper case, without the trailing
// blanks and dots the file system disregards.
std::wstring SameFileKey(const FilePath& name);

// The full path of a loaded module (null: the program), however long; empty when
// the module is unknown.
std::string ModuleFileName(HMODULE module);

// The file-name part as it is written on disk (the lookup ignores case), or as
// given when no file of that name exists.
std::string StoredFileNameOf(const std::string& name);

// The name up to and including its last "\" or ":", or empty text.
std::string DirectoryPartOf(const std::string& name);
// The name after its last "\" or ":" (all of it when there is none).
std::string FileNamePartOf(const std::string& name);
// From the last "." of the file-name part to the end, or empty text.
std::string FileExtensionOf(const std::string& name);
// The name without its extension, followed by the given one.
std::string ReplaceExtension(const std::string& name, const std::string& extension);

// The 1-based position of the last byte of the text that is one of the
// delimiters (single bytes); 0 when none is.
int LastDelimiter(const std::string& delimiters, const std::string& text);
