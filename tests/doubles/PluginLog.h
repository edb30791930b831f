#pragma once
// A log shared by every test plug-in library loaded into one process, in call
// order across libraries: a named shared-memory block of text.

#include <windows.h>

#include <cstring>
#include <string>

namespace doubles {

class CPluginLog {
public:
  static constexpr DWORD kSize = 1 << 16;

  CPluginLog() {
    wchar_t name[64];
    wsprintfW(name, L"VXTestPluginLog_%lu", GetCurrentProcessId());
    mapping_ = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kSize, name);
    if (mapping_) view_ = static_cast<char*>(MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, kSize));
  }
  ~CPluginLog() {
    if (view_) UnmapViewOfFile(view_);
    if (mapping_) CloseHandle(mapping_);
  }
  CPluginLog(const CPluginLog&) = delete;
  CPluginLog& operator=(const CPluginLog&) = delete;

  void Append(const std::string& line) {
    if (!view_) return;
    const std::size_t used = std::strlen(view_);
    if (used + line.size() + 2 >= kSize) return;
    std::memcpy(view_ + used, line.data(), line.size());
    view_[used + line.size()] = ';';
    view_[used + line.size() + 1] = '\0';
  }
  std::string Text() const { return view_ ? std::string(view_) : std::string(); }
  void Clear() {
    if (view_) view_[0] = '\0';
  }

private:
  HANDLE mapping_ = nullptr;
  char* view_ = nullptr;
};

}  // namespace doubles
