#include "connection/PortTools.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "win/Handles.h"

const wchar_t kNetworkToolProductCode[] = L"{5E1C7A52-8F0B-4C3E-9D61-0A7B2F4C9E13}";

namespace {

std::wstring Expanded(const std::wstring& text) {
  const DWORD needed = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
  if (needed == 0) return text;
  std::wstring out(needed, L'\0');
  const DWORD got = ExpandEnvironmentStringsW(text.c_str(), out.data(), needed);
  if (got == 0 || got > needed) return text;
  out.resize(got - 1);
  return out;
}

// A text value of a key under HKEY_LOCAL_MACHINE, environment strings expanded.
std::wstring MachineText(const std::wstring& key, const wchar_t* value) {
  wchar_t buffer[1024] = {};
  DWORD bytes = sizeof(buffer) - sizeof(wchar_t);
  if (RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), value, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                   nullptr, buffer, &bytes) != ERROR_SUCCESS) {
    return {};
  }
  return Expanded(buffer);
}

std::wstring KnownFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
  return path;
}

std::wstring ProgramFilesPath(const wchar_t* relative) { return Expanded(L"%ProgramFiles%") + L"\\" + relative; }

// The target a shortcut file points at; empty when it is missing or unreadable.
std::wstring ShortcutTarget(const std::wstring& link) {
  if (!PathExists(link)) return {};
  const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  std::wstring target;
  IShellLinkW* shell = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                 reinterpret_cast<void**>(&shell)))) {
    IPersistFile* file = nullptr;
    if (SUCCEEDED(shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      wchar_t path[MAX_PATH] = {};
      if (SUCCEEDED(file->Load(link.c_str(), STGM_READ)) &&
          SUCCEEDED(shell->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH))) {
        target = Expanded(path);
      }
      file->Release();
    }
    shell->Release();
  }
  if (SUCCEEDED(init)) CoUninitialize();
  return target;
}

}  // namespace

bool PathExists(const std::wstring& path) {
  return !path.empty() && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring NetworkToolPath() {
  const std::wstring location =
      MachineText(std::wstring(L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + kNetworkToolProductCode,
                  L"InstallLocation");
  if (!location.empty()) return location + L"\\NetConfigurator.exe";
  return ProgramFilesPath(L"ORVIK\\OrvikNet Config V4\\NetConfigurator.exe");
}

std::wstring PortToolPath() {
  // The registration names the folder the tool was installed into; the
  // shortcuts name the tool itself. Either way the answer is the program to
  // open, not its folder.
  const std::wstring folder =
      MachineText(L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\ComAssign.exe", L"Path");
  if (!folder.empty()) return folder + (folder.back() == L'\\' ? L"" : L"\\") + L"ComAssign.exe";
  static const wchar_t* const kShortcuts[] = {
      L"\\ORVIK VXCOMUSB Serial Emulation Driver\\COM Assignment Tool.lnk",
      L"\\ORVIK\\VX Virtual Port Driver\\Port Assignment Tool.lnk",
  };
  for (int csidl : {CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS}) {
    const std::wstring menu = KnownFolder(csidl);
    if (menu.empty()) continue;
    for (const wchar_t* shortcut : kShortcuts) {
      const std::wstring target = ShortcutTarget(menu + shortcut);
      if (!target.empty()) return target;
    }
  }
  return ProgramFilesPath(L"ORVIK\\VXCOMUSB\\ComAssign.exe");
}

std::wstring BluetoothToolPath() {
  const std::wstring path = ProgramFilesPath(L"ORVIK\\VX Bluetooth Connector\\VXBluetoothConnector.exe");
  return PathExists(path) ? path : std::wstring();
}

std::wstring BluetoothToolSettingFile() {
  const std::wstring data = KnownFolder(CSIDL_COMMON_APPDATA);
  return data.empty() ? std::wstring() : data + L"\\ORVIK\\VXBTConnector\\VXBTSetting.ini";
}
