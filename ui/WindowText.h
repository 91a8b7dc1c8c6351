#pragma once
// A window's text as UTF-8, read whole whatever its length.

#include <windows.h>

#include <string>

std::string ReadWindowText(HWND window);
