#pragma once
// 32-bit handles for objects a library hands out: a stale or forged handle
// finds nothing instead of pointing into freed memory.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

template <class T>
class CHandleTable {
public:
  int32_t Add(std::shared_ptr<T> object) {
    std::scoped_lock guard(lock_);
    const int32_t handle = next_++;
    if (next_ <= 0) next_ = 0x100;
    objects_[handle] = std::move(object);
    return handle;
  }
  std::shared_ptr<T> Find(int32_t handle) {
    std::scoped_lock guard(lock_);
    auto it = objects_.find(handle);
    return it == objects_.end() ? nullptr : it->second;
  }
  bool Remove(int32_t handle) {
    std::scoped_lock guard(lock_);
    return objects_.erase(handle) > 0;
  }

private:
  std::mutex lock_;
  std::map<int32_t, std::shared_ptr<T>> objects_;
  int32_t next_ = 0x100;
};
