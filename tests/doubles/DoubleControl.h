#pragma once
// Shared by the test-double libraries: answers set by the test, and a log of
// the calls the code under test made.

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

namespace doubles {

class CControl {
public:
  void Set(const char* key, int64_t value) {
    std::scoped_lock guard(lock_);
    answers_[key] = value;
  }
  int64_t Get(const std::string& key, int64_t fallback) {
    std::scoped_lock guard(lock_);
    auto it = answers_.find(key);
    return it == answers_.end() ? fallback : it->second;
  }
  void Log(const std::string& call) {
    std::scoped_lock guard(lock_);
    log_ += call;
    log_ += ';';
  }
  // Copies the log (terminated, cut to fit); returns its full length.
  int32_t CopyLog(char* buffer, int32_t size) {
    std::scoped_lock guard(lock_);
    if (buffer && size > 0) {
      const std::size_t n = std::min<std::size_t>(log_.size(), static_cast<std::size_t>(size - 1));
      log_.copy(buffer, n);
      buffer[n] = '\0';
    }
    return static_cast<int32_t>(log_.size());
  }
  void Reset() {
    std::scoped_lock guard(lock_);
    answers_.clear();
    log_.clear();
  }

private:
  std::mutex lock_;
  std::map<std::string, int64_t> answers_;
  std::string log_;
};

}  // namespace doubles

#define VX_DOUBLE_CONTROL_EXPORTS(prefix, control)                                                  \
  extern "C" __declspec(dllexport) void prefix##_Set(const char* key, int64_t value) {             \
    control.Set(key, value);                                                                        \
  }                                                                                                 \
  extern "C" __declspec(dllexport) int32_t prefix##_Log(char* buffer, int32_t size) {              \
    return control.CopyLog(buffer, size);                                                           \
  }                                                                                                 \
  extern "C" __declspec(dllexport) void prefix##_Reset() { control.Reset(); }
