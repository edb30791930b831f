#pragma once
// Test-double libraries: where LoadLibrary finds them, and a loaded double
// whose answers a test sets and whose call log it reads.

#include <windows.h>

#include <cstdint>
#include <string>

#include "tests/support/GuiDriver.h"
#include "win/Handles.h"

namespace gui {

// For the object's life, libraries are looked for in tests/bin/<sub> too.
class CDllFolder {
public:
  explicit CDllFolder(const std::wstring& sub) { SetDllDirectoryW((TestBinDir() + sub).c_str()); }
  ~CDllFolder() { SetDllDirectoryW(nullptr); }
  CDllFolder(const CDllFolder&) = delete;
  CDllFolder& operator=(const CDllFolder&) = delete;
};

// Holds a reference to a double (its answers live as long as it stays
// loaded) and starts it afresh.
class CDoubleLibrary {
public:
  CDoubleLibrary(const wchar_t* file, const char* prefix) : module_(LoadLibraryW(file)), prefix_(prefix) {
    if (module_) Reset();
  }
  bool Loaded() const { return module_.get() != nullptr; }
  void Set(const char* key, int64_t value) { Fn<void (*)(const char*, int64_t)>("_Set")(key, value); }
  void Reset() { Fn<void (*)()>("_Reset")(); }
  std::string Log() {
    char buffer[8192] = {};
    Fn<int32_t (*)(char*, int32_t)>("_Log")(buffer, sizeof(buffer));
    return buffer;
  }
  // The log so far, and a fresh start.
  std::string TakeLog() {
    std::string log = Log();
    Reset();
    return log;
  }

private:
  template <class F>
  F Fn(const char* suffix) {
    return GetProc<F>(module_.get(), (prefix_ + suffix).c_str());
  }
  CModule module_;
  std::string prefix_;
};

}  // namespace gui
