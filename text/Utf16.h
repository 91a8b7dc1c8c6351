#pragma once
// The program's texts are std::string holding UTF-8: every interface of the code
// base already passes std::string, and UTF-8 holds every character a file name or a
// message can have, whatever the system's ANSI code page. They become UTF-16 only
// at the system's edge, where every call is the wide one.

#include <string>

// UTF-8 to UTF-16. A byte that begins no character becomes U+FFFD.
std::wstring Wide(const std::string& utf8);
// UTF-16 to UTF-8. A lone surrogate (a file name may hold one) becomes U+FFFD.
std::string Utf8(const std::wstring& wide);
std::string Utf8(const wchar_t* wide, size_t length);

// The UTF-16 text in code page 932, for the one place that must send Shift-JIS
// bytes; characters the code page lacks become "?".
std::string ShiftJisBytes(const std::wstring& wide);
