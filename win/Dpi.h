#pragma once
// The resolution a window is drawn at, for the lengths the program gives in
// pixels at 96 dots per inch (see win/DpiScale.h).

#include <windows.h>

#include "win/DpiScale.h"

// The window's dots per inch: its monitor's where the system tells monitors
// apart, the system's otherwise (also for no window).
int WindowDpi(HWND hwnd);
