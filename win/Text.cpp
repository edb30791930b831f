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
