#pragma once
// A lock for std::scoped_lock that owns no kernel object. std::mutex under
// mingw-w64's posix threads creates an event the first time two threads
// meet on it and never closes it, a leaked handle per contended mutex.

#include <windows.h>

class CSlimLock {
public:
  CSlimLock() noexcept = default;
  CSlimLock(const CSlimLock&) = delete;
  CSlimLock& operator=(const CSlimLock&) = delete;

  void lock() noexcept { AcquireSRWLockExclusive(&lock_); }
  void unlock() noexcept { ReleaseSRWLockExclusive(&lock_); }
  bool try_lock() noexcept { return TryAcquireSRWLockExclusive(&lock_) != FALSE; }

private:
  SRWLOCK lock_ = SRWLOCK_INIT;
};
