#pragma once
// The program's arguments, read from the command line as the system gives it
// (GetCommandLineW), as UTF-8. Argument 0 is the program itself.

#include <string>
#include <vector>

#include "text/FilePath.h"

// Number of arguments after the program's name.
int ArgumentCount();
// The argument at the index; 0 gives the program's full file name as stored on
// disk; an index past the last argument, or a negative one, gives empty text.
std::string ArgumentText(int index);

// The same over a given command line; index 0 here is the command line's first
// word, not the module name.
int ArgumentCountIn(const char* commandLine);
std::string ArgumentTextIn(const char* commandLine, int index);

// The arguments after the program's name as file names, read the same way from
// the wide command line.
std::vector<FilePath> ArgumentPaths();
std::vector<FilePath> ArgumentPathsIn(const wchar_t* commandLine);

// Tests of the windows that read the arguments give them a command line of their
// own; none puts the system's back.
void SetCommandLineForTesting(const char* commandLine);
