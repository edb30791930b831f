#pragma once
// Looks at a window of another process the way a user reads it: text cut off
// by its control, a control reaching out of its dialog or pane, controls
// drawn over one another, rows too low for their text, a window beyond the
// screen. The texts are measured with the dialog font at the resolution the
// checking program runs at, which must be the one the window was made at.

#include <windows.h>

#include <string>
#include <vector>

namespace gui {

// One line per finding ("<window> / <control>: <what>"); nothing when the
// window and its descendants are laid out cleanly.
std::vector<std::string> LayoutFaults(HWND window);

}  // namespace gui
