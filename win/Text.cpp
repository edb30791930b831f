#include "win/Text.h"

#include <windows.h>

std::wstring ModulePath(void* module) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(static_cast<HMODULE>(module), path.data(),
                                       static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

std::wstring FolderOf(std::wstring_view path) {
  const std::size_t sep = path.find_last_of(L"\\/");
  if (sep == std::wstring_view::npos) return {};
  return std::wstring(path.substr(0, sep + 1));
}

bool FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring OemToWide(std::string_view text) {
  if (text.empty() || text.size() > 0x7FFFFFFF) return {};
  const int length = static_cast<int>(text.size());
  const int units = MultiByteToWideChar(CP_OEMCP, 0, text.data(), length, nullptr, 0);
  if (units <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  MultiByteToWideChar(CP_OEMCP, 0, text.data(), length, wide.data(), units);
  return wide;
}
