#pragma once
// The minute of the local wall clock, which chooses the main window's entry edge.

#include <windows.h>

#include <string>

// "00" to "59" for the current local time.
std::string CurrentMinute();
// The same for a given local time.
std::string MinuteText(const SYSTEMTIME& localTime);
