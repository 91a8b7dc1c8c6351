#pragma once
// Comparing and cutting UTF-8 texts; positions are 1-based and count bytes.

#include <string>

// Negative, 0 or positive as a sorts before, equal to or after b in the user's
// locale, letters differing only in case being equal (-2 when the platform
// cannot compare).
int CompareTextIgnoringCase(const std::string& a, const std::string& b);

// The text in lower case, as the user's locale folds it.
std::string LowerCase(const std::string& text);

// Up to `count` bytes of the text from position `start`.
std::string SubText(const std::string& text, int start, int count);
