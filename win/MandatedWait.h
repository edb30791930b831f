#pragma once
// The waits the printer's dialogue asks for: a restart, a retry interval, the
// progress dialog's stay. Under a debugger each one first names itself and
// its length ("VX-R500 wait: <what> <ms>"), so that a benchmark can set the
// time of a run beside the time it had to wait.

#include <windows.h>

#include <cwchar>
#include <iterator>

// Names a wait that a window thread keeps by a timer rather than a sleep.
inline void AnnounceMandatedWait(const wchar_t* what, DWORD ms) {
  if (IsDebuggerPresent()) {
    wchar_t line[96];
    swprintf(line, std::size(line), L"VX-R500 wait: %ls %lu\n", what, static_cast<unsigned long>(ms));
    OutputDebugStringW(line);
  }
}

inline void MandatedWait(const wchar_t* what, DWORD ms) {
  AnnounceMandatedWait(what, ms);
  Sleep(ms);
}
