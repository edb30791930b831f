#pragma once
// Counts of what a test process holds, to catch a run that leaks kernel
// handles or leaves a thread behind.

#include <windows.h>

#include <string>

namespace gui {

DWORD HandleCount();
DWORD ThreadCount();  // threads of this process, from a Toolhelp snapshot

// The counts when it was made; Check waits up to timeoutMs for a thread that
// has been told to end to be gone, then describes any difference.
class CResourceBaseline {
public:
  CResourceBaseline();
  std::string Check(DWORD timeoutMs = 2000) const;
  DWORD Handles() const { return handles_; }
  DWORD Threads() const { return threads_; }

private:
  DWORD handles_;
  DWORD threads_;
};

}  // namespace gui
