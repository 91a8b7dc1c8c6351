#include "text/DoubleByte.h"

#include <cstdlib>

namespace {

DoubleByteSettings g_settings;

bool IsWesternLanguage(LANGID primary) {
  switch (primary) {
    case 0x00: case 0x06: case 0x07: case 0x09: case 0x0A: case 0x0B:
    case 0x0C: case 0x10: case 0x13: case 0x14: case 0x16: case 0x1D:
      return true;
    default:
      return false;
  }
}

UINT AnsiCodePageOf(LCID locale) {
  char buffer[8] = {};
  if (GetLocaleInfoA(locale, LOCALE_IDEFAULTANSICODEPAGE, buffer, sizeof buffer) > 0) {
    char* end = nullptr;
    const long page = std::strtol(buffer, &end, 10);
    if (end != buffer && *end == '\0') return static_cast<UINT>(page);
  }
  return GetACP();
}

bool IsWindows95Family() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  return GetVersionExA(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

void FillLeadBytes(LCID locale, DoubleByteSettings& settings) {
  CPINFO info{};
  if (!GetCPInfo(AnsiCodePageOf(locale), &info)) return;
  for (int pair = 0; pair + 1 < MAX_LEADBYTES; pair += 2) {
    const BYTE first = info.LeadByte[pair];
    const BYTE last = info.LeadByte[pair + 1];
    if (first == 0 && last == 0) break;
    for (unsigned byte = first; byte <= last; ++byte) settings.leadBytes.set(byte);
  }
}

}  // namespace

DoubleByteSettings DoubleByteSettingsFor(LCID locale) {
  if (locale == 0) locale = 0x0409;
  DoubleByteSettings settings;
  if (IsWindows95Family()) {
    settings.enabled = GetSystemMetrics(SM_DBCSENABLED) != 0;
    if (settings.enabled) FillLeadBytes(locale, settings);
    return settings;
  }
  if (IsWesternLanguage(PRIMARYLANGID(LANGIDFROMLCID(locale)))) return settings;
  FillLeadBytes(locale, settings);
  settings.enabled = settings.leadBytes.any();
  return settings;
}

void InitDoubleByteSettings() { g_settings = DoubleByteSettingsFor(GetThreadLocale()); }

const DoubleByteSettings& InstalledDoubleByteSettings() { return g_settings; }

void InstallDoubleByteSettings(const DoubleByteSettings& settings) { g_settings = settings; }

bool IsLeadByte(unsigned char byte) { return g_settings.leadBytes.test(byte); }

TMbcsByteType ByteKindAt(const std::string& text, int position) {
  if (!g_settings.enabled || position < 1 || position > static_cast<int>(text.size())) {
    return mbSingleByte;
  }
  const int q = position - 1;
  const auto byteAt = [&](int i) { return static_cast<unsigned char>(text[static_cast<size_t>(i)]); };
  if (byteAt(q) == 0) return mbSingleByte;
  if (q == 0) return IsLeadByte(byteAt(0)) ? mbLeadByte : mbSingleByte;
  // Count back over a run of lead-byte values: its parity decides whether the
  // byte at q completes a pair.
  int i = q - 1;
  while (i >= 0 && IsLeadByte(byteAt(i))) --i;
  if ((q - i) % 2 == 0) return mbTrailByte;
  return IsLeadByte(byteAt(q)) ? mbLeadByte : mbSingleByte;
}
