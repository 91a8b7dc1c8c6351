#pragma once
// Which bytes of a Shift-JIS text begin a two-byte character. Fixed once at
// start-up from the thread's locale; every text function that searches for a
// byte asks here so that a trail byte such as the 0x5C of 表 is never taken for "\".

#include <windows.h>

#include <bitset>
#include <string>

enum TMbcsByteType { mbSingleByte, mbLeadByte, mbTrailByte };

struct DoubleByteSettings {
  bool enabled = false;           // double-byte mode
  std::bitset<256> leadBytes;     // empty for western languages
};

// The settings for a locale and the platform's answers about it.
DoubleByteSettings DoubleByteSettingsFor(LCID locale);

// Determines the settings from the thread's locale and installs them; start-up
// calls it once.
void InitDoubleByteSettings();
// The installed settings. Tests may install others and put the old ones back.
const DoubleByteSettings& InstalledDoubleByteSettings();
void InstallDoubleByteSettings(const DoubleByteSettings& settings);

bool IsLeadByte(unsigned char byte);

// The kind of the byte at the 1-based position of the text.
TMbcsByteType ByteKindAt(const std::string& text, int position);
