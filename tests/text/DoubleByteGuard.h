#pragma once
// Runs a test under chosen double-byte settings and puts the installed ones back.

#include "text/DoubleByte.h"

class ScopedDoubleByteSettings {
public:
  explicit ScopedDoubleByteSettings(const DoubleByteSettings& settings)
      : saved_(InstalledDoubleByteSettings()) {
    InstallDoubleByteSettings(settings);
  }
  ~ScopedDoubleByteSettings() { InstallDoubleByteSettings(saved_); }
  ScopedDoubleByteSettings(const ScopedDoubleByteSettings&) = delete;
  ScopedDoubleByteSettings& operator=(const ScopedDoubleByteSettings&) = delete;

private:
  DoubleByteSettings saved_;
};

// Code page 932, written out so that the tests do not rely on the code under test.
inline DoubleByteSettings ShiftJisSettings() {
  DoubleByteSettings settings;
  settings.enabled = true;
  for (unsigned byte = 0x81; byte <= 0xFC; ++byte) settings.leadBytes.set(byte, byte <= 0x9F || byte >= 0xE0);
  return settings;
}
