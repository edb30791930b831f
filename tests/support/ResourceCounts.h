#pragma once
// Counts of what a test process holds, to catch a run that leaks kernel
// handles or leaves a thread behind.

#include <windows.h>

#include <string>

namespace gui {

DWORD HandleCount();
DWORD ThreadCount();  // threads of this process, from a Toolhelp snapshot

// The counts once they have settled (the runtime starts and ends threads of
// its own for a while after a library is used); Check waits up to timeoutMs
// for what the code under test was told to end to be gone, then describes
// any handle or thread more than at the start. A count that cannot be read
// is a failure, never a match of 0 with 0.
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

// Waits until this process's thread count is at least count; false on time-out.
bool WaitForThreadCount(DWORD count, DWORD timeoutMs);

}  // namespace gui
