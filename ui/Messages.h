#pragma once
// The window layer's own message numbers, all in one place. They lie in a range
// the system leaves to programs (between WM_APP and the registered messages at
// 0xC000), so no system message and no other library's collides with them.

#include <windows.h>

// The reserved range: [kWindowLayerFirst, kWindowLayerEnd).
constexpr UINT kWindowLayerFirst = 0xB000;
constexpr UINT kWindowLayerEnd = 0xC000;

// Notifications among the window layer's own objects, [kWindowLayerFirst, kCnBase).
// The system knows none of them, so a control that does not handle one drops it.
constexpr UINT kCmActivate = 0xB000;
constexpr UINT kCmDeactivate = 0xB001;
// Offered to every control of a form until one claims it (Result 1): a dialog key
// (WParam the key, LParam the shift state), an accelerator character (WParam the
// character, LParam the shift state), and a change of focus (LParam the control
// that has it now, or null).
constexpr UINT kCmDialogKey = 0xB005;
constexpr UINT kCmDialogChar = 0xB006;
constexpr UINT kCmFocusChanged = 0xB007;
constexpr UINT kCmParentFontChanged = 0xB008;
constexpr UINT kCmParentColorChanged = 0xB009;
constexpr UINT kCmVisibleChanged = 0xB012;
constexpr UINT kCmMouseEnter = 0xB013;
constexpr UINT kCmMouseLeave = 0xB014;
constexpr UINT kCmAppSysCommand = 0xB01A;  // posted to itself to place the focus
constexpr UINT kCmRelease = 0xB021;        // posted to a form that frees itself

// A system message reflected back to the control it concerns: kCnBase plus the
// system's number, up to kWindowLayerEnd. Unhandled, they get the default handling.
constexpr UINT kCnBase = 0xBC00;

// Whether the message is one of the window layer's own notifications.
constexpr bool IsWindowLayerNotification(UINT message) {
  return message >= kWindowLayerFirst && message < kCnBase;
}
