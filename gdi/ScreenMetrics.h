#pragma once
// The screen's resolution and colour depth, as fonts and bitmaps need them.
// Asking the system needs the screen's device context, which is slow enough to
// show in every new bitmap, so while the values are kept (by the screen object,
// from start-up to shut-down) they come from the kept copy; otherwise the
// display is asked on every call.

// Logical pixels per inch of the screen's height.
int ScreenPixelsPerInch();
// Bits per pixel of the display.
int ScreenColorDepth();

// Reads both from the screen's device context and keeps them.
void KeepScreenMetrics();
// Reads the colour depth again, when kept: the display mode changed.
void RefreshScreenColorDepth();
// Gives the kept values up; the display is asked again on each call.
void ForgetScreenMetrics();

// Tests emulate another display; only kept values can be replaced.
void SetScreenPixelsPerInchForTesting(int pixelsPerInch);
void SetScreenColorDepthForTesting(int bitsPerPixel);
