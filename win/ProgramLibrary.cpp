#include "win/ProgramLibrary.h"

#include "win/FileName.h"
#include "win/Text.h"

namespace {

bool IsFullPath(std::wstring_view name) {
  const bool drive = name.size() >= 3 && name[1] == L':' && (name[2] == L'\\' || name[2] == L'/');
  const bool share = name.size() >= 3 && (name[0] == L'\\' || name[0] == L'/') && (name[1] == L'\\' || name[1] == L'/');
  return (drive || share) && name.find(L"..") == std::wstring_view::npos;
}

std::wstring DllDirectory() {
  std::wstring folder(MAX_PATH, L'\0');
  const DWORD n = GetDllDirectoryW(static_cast<DWORD>(folder.size()), folder.data());
  if (n == 0 || n >= folder.size()) return {};
  folder.resize(n);
  return folder;
}

}  // namespace

bool RestrictLibrarySearch() {
  using SetDefaultFn = BOOL(WINAPI*)(DWORD);
  // Looked up, not imported: a system without it must still start the program.
  const auto setDefault = reinterpret_cast<SetDefaultFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
  if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_APPLICATION_DIR)) return true;
  SetDllDirectoryW(L"");
  return false;
}

HMODULE LoadProgramLibrary(std::wstring_view name) {
  if (IsFullPath(name)) return LoadLibraryW(std::wstring(name).c_str());
  if (name.empty() || !IsBareName(name)) {
    SetLastError(ERROR_INVALID_NAME);
    return nullptr;
  }
  // One already loaded (by the utility or a plug-in) is shared, as the
  // system shares a module by its name.
  if (HMODULE loaded = GetModuleHandleW(std::wstring(name).c_str())) {
    const std::wstring path = ModulePath(loaded);
    if (!path.empty()) return LoadLibraryW(path.c_str());
  }
  for (std::wstring folder : {FolderOf(ModulePath()), DllDirectory()}) {
    if (folder.empty()) continue;
    if (folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
    const std::wstring path = folder + std::wstring(name);
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return LoadLibraryW(path.c_str());
  }
  SetLastError(ERROR_MOD_NOT_FOUND);
  return nullptr;
}
