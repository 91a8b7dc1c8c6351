#include "text/PercentEncoding.h"

namespace {

bool IsUnreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
         c == '_' || c == '~';
}

}  // namespace

std::string PercentEncoded(const std::string& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string result;
  result.reserve(bytes.size());
  for (const char byte : bytes) {
    const auto c = static_cast<unsigned char>(byte);
    if (IsUnreserved(c)) {
      result += byte;
    } else {
      result += '%';
      result += kDigits[c >> 4];
      result += kDigits[c & 15];
    }
  }
  return result;
}
