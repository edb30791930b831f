// The MSI package's own actions, the two things its tables cannot say:
//   PrepareDeferredActions (immediate, before an earlier version is removed)
//     reads the language of the installed SETTING.INI and hands it, with the
//     shortcut's path, to the two actions below, which run with the
//     installer's rights and see no properties of their own.
//   KeepLanguage (deferred, after the files are installed) writes that
//     language into the new SETTING.INI; every other setting comes new.
//   ShortcutAsksForAdmin (deferred, after the shortcuts are made) marks the
//     start-menu shortcut "run as administrator": the utility refuses to run
//     without those rights.
// An action that cannot do its part says so in the installer's log and lets
// the installation go on: the utility works either way.

#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <cwctype>
#include <string>

namespace {

std::wstring Property(MSIHANDLE install, const wchar_t* name) {
  wchar_t small[1] = L"";
  DWORD size = 0;
  if (MsiGetPropertyW(install, name, small, &size) != ERROR_MORE_DATA) return L"";
  std::wstring value(++size, L'\0');
  if (MsiGetPropertyW(install, name, value.data(), &size) != ERROR_SUCCESS) return L"";
  value.resize(size);
  return value;
}

void Log(MSIHANDLE install, const std::wstring& text) {
  PMSIHANDLE record = MsiCreateRecord(1);
  MsiRecordSetStringW(record, 0, text.c_str());
  MsiProcessMessage(install, INSTALLMESSAGE_INFO, record);
}

// A language identifier as the utility writes it: hexadecimal digits.
bool IsLanguageId(const std::wstring& text) {
  if (text.empty() || text.size() > 8) return false;
  for (wchar_t c : text) {
    if (!std::iswxdigit(c)) return false;
  }
  return true;
}

}  // namespace

extern "C" __declspec(dllexport) UINT __stdcall PrepareDeferredActions(MSIHANDLE install) {
  const std::wstring setting = Property(install, L"INSTALLDIR") + L"SETTING.INI";
  wchar_t language[16] = {};
  GetPrivateProfileStringW(L"LANGUAGE", L"LANGID", L"", language, 16, setting.c_str());
  if (IsLanguageId(language)) {
    MsiSetPropertyW(install, L"KeepLanguage", (setting + L"|" + language).c_str());
  }
  MsiSetPropertyW(install, L"ShortcutAsksForAdmin",
                  (Property(install, L"ShortcutFolder") + L"VX-R500 Utility.lnk").c_str());
  return ERROR_SUCCESS;
}

extern "C" __declspec(dllexport) UINT __stdcall KeepLanguage(MSIHANDLE install) {
  const std::wstring data = Property(install, L"CustomActionData");
  const size_t bar = data.rfind(L'|');
  if (bar == std::wstring::npos) return ERROR_SUCCESS;  // nothing installed before
  const std::wstring setting = data.substr(0, bar);
  const std::wstring language = data.substr(bar + 1);
  if (!WritePrivateProfileStringW(L"LANGUAGE", L"LANGID", language.c_str(), setting.c_str())) {
    Log(install, L"The language " + language + L" could not be kept in " + setting + L" (error " +
                     std::to_wstring(GetLastError()) + L").");
  }
  return ERROR_SUCCESS;
}

// A shortcut file's link flags are the fourth field of its 76-byte header;
// 0x2000 asks for administrator rights.
extern "C" __declspec(dllexport) UINT __stdcall ShortcutAsksForAdmin(MSIHANDLE install) {
  const std::wstring path = Property(install, L"CustomActionData");
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    Log(install, L"The shortcut " + path + L" could not be opened (error " + std::to_wstring(GetLastError()) + L").");
    return ERROR_SUCCESS;
  }
  DWORD header[6] = {};
  DWORD read = 0;
  bool done = false;
  if (ReadFile(file, header, sizeof(header), &read, nullptr) && read == sizeof(header) && header[0] == 0x4C) {
    header[5] |= 0x2000;
    DWORD written = 0;
    done = SetFilePointer(file, 5 * sizeof(DWORD), nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
           WriteFile(file, &header[5], sizeof(DWORD), &written, nullptr) && written == sizeof(DWORD);
  }
  CloseHandle(file);
  if (!done) Log(install, L"The shortcut " + path + L" could not be marked to run as administrator.");
  return ERROR_SUCCESS;
}
