#pragma once
// Taking Windows file names apart and testing them. Names are UTF-8, in which
// the delimiters "\", ":" and "." are never a byte of a longer character.

#include <windows.h>

#include <string>
#include <vector>

#include "text/FilePath.h"

// Every call here reaches names of any length, through FilePath::ForFileCalls.

// True when the file calls can take the name: it has a full path, and that path
// with its prefix is within the system's 32,767 characters.
bool FitsFileCalls(const FilePath& name);

// True for an existing file that is not a directory. The lookup disregards
// trailing blanks and dots of the last component and treats "*" and "?" as
// wildcards. A name beyond the file calls is not found.
bool IsExistingFile(const FilePath& name);

// True for an existing folder; a name beyond the file calls is not found.
bool IsExistingFolder(const FilePath& name);

// Whether the folder's contents can be listed (an empty folder can); false for
// one the system refuses to list, or whose listing is beyond the file calls.
bool IsListableFolder(const FilePath& folder);

// What is directly inside a folder, as the file browser shows it: the folders,
// then the files, each in its order (numbers within names compared as numbers:
// "2" before "10"), without the hidden and system entries it leaves out. Folders
// that are junctions or symbolic links (reparse points) are left out too: they
// can lead back up the tree or out of it. Empty when the folder cannot be read.
struct FolderEntries {
  std::vector<FilePath> folders;
  std::vector<FilePath> files;
};
FolderEntries EntriesOfFolder(const FilePath& folder);
// The files alone.
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
