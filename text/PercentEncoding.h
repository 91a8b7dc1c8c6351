#pragma once
// Putting bytes into a web address unchanged: every byte outside the unreserved
// characters (letters, digits, "-", ".", "_", "~") becomes "%" and two capital
// hexadecimal digits, so a name with a blank, "#", "&", "%" or Shift-JIS bytes
// reaches the server as the same bytes.

#include <string>

std::string PercentEncoded(const std::string& bytes);
