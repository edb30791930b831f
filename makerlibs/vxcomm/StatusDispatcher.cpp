#include "makerlibs/vxcomm/StatusDispatcher.h"

void CStatusDispatcher::Register(VxcStatusProc proc, void* context, int32_t current) {
  {
    std::scoped_lock guard(lock_);
    proc_ = proc;
    context_ = context;
    reported_ = -1;
    if (current >= 0) latest_ = current;
    stop_ = false;
  }
  {
    std::scoped_lock guard(threadLock_);
    if (!thread_.Running()) thread_.Start([this] { Run(); });
  }
  wake_.notify_all();
}

void CStatusDispatcher::Unregister() {
  {
    std::scoped_lock guard(lock_);
    proc_ = nullptr;
    context_ = nullptr;
  }
  if (!thread_.IsCurrent()) std::scoped_lock wait(callLock_);  // a call in flight ends first
}

void CStatusDispatcher::Update(int32_t status) {
  {
    std::scoped_lock guard(lock_);
    latest_ = status;
  }
  wake_.notify_all();
}

void CStatusDispatcher::Forget() {
  std::scoped_lock guard(lock_);
  latest_ = -1;
}

void CStatusDispatcher::Stop() {
  {
    std::scoped_lock guard(lock_);
    stop_ = true;
    proc_ = nullptr;
  }
  wake_.notify_all();
  std::scoped_lock guard(threadLock_);
  thread_.Join();
}

int CStatusDispatcher::Delivered() const {
  std::scoped_lock guard(lock_);
  return delivered_;
}

void CStatusDispatcher::Run() {
  std::unique_lock guard(lock_);
  for (;;) {
    wake_.wait(guard, [&] { return stop_ || (proc_ && latest_ >= 0 && latest_ != reported_); });
    if (stop_) return;
    const int32_t status = latest_;
    guard.unlock();
    {
      std::scoped_lock call(callLock_);
      VxcStatusProc proc;
      void* context;
      {
        std::scoped_lock again(lock_);
        proc = proc_;
        context = context_;
        if (proc) {
          reported_ = status;
          ++delivered_;
        }
      }
      if (proc) {
        try {
          proc(status, context);
        } catch (...) {
        }
      }
    }
    guard.lock();
  }
}
