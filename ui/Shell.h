#pragma once
// Handing an address or document to the program the user has chosen for it.

#include <string>

class TWinControl;

// Opens the address with the shell's "OPEN" verb, shown normally, on behalf of
// the window. What the shell does with it is not examined.
void OpenAddress(TWinControl& window, const std::string& address);
