#pragma once
// The system's default beep, with which the program announces its boxes.

// Plays the default sound (MessageBeep with type 0).
void DefaultBeep();

// How many beeps this process has asked for; lets tests hear them.
int DefaultBeepsSoFar();
