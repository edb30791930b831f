#pragma once
// Delivers status reports to the registered callback on a thread of the
// library's own, only when the status changed since the last report. A burst
// of changes is coalesced to the latest: a slow callback never holds up the
// reader, and never sees a stale status after a newer one.

#include <condition_variable>
#include <mutex>

#include "makerlibs/common/LibThread.h"
#include "makerlibs/include/VXCommApi.h"

class CStatusDispatcher {
public:
  ~CStatusDispatcher() { Stop(); }
  // The current status is reported once right after registering.
  void Register(VxcStatusProc proc, void* context, int32_t current);
  // No callback runs after this returns (unless called from the callback itself).
  void Unregister();
  void Update(int32_t status);
  // The port was closed: its last status is no one's now.
  void Forget();
  void Stop();
  int Delivered() const;

private:
  void Run();

  mutable std::mutex lock_;
  std::condition_variable wake_;
  std::mutex callLock_;
  VxcStatusProc proc_ = nullptr;
  void* context_ = nullptr;
  int32_t latest_ = -1;
  int32_t reported_ = -1;
  bool stop_ = false;
  int delivered_ = 0;
  std::mutex threadLock_;  // Register starts the thread, Stop joins it: not both at once
  CLibThread thread_;
};
