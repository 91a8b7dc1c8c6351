#pragma once
// The program's arguments, read from the command line as the system gives it
// (GetCommandLineA). Argument 0 is the program itself.

#include <string>

// Number of arguments after the program's name.
int ArgumentCount();
// The argument at the index; 0 gives the program's full file name as stored on
// disk; an index past the last argument, or a negative one, gives empty text.
std::string ArgumentText(int index);

// The same over a given command line; index 0 here is the command line's first
// word, not the module name.
int ArgumentCountIn(const char* commandLine);
std::string ArgumentTextIn(const char* commandLine, int index);

// Tests of the windows that read the arguments give them a command line of their
// own; none puts the system's back.
void SetCommandLineForTesting(const char* commandLine);
