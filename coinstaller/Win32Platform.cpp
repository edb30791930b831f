#include <memory>

#include "coinstaller/CoInstallerPlatform.h"

namespace coinst {

BOOL CWin32Platform::GetDeviceRegistryProperty(HDEVINFO set, PSP_DEVINFO_DATA device, DWORD property, DWORD* type,
                                               BYTE* buffer, DWORD size, DWORD* required) {
  return SetupDiGetDeviceRegistryPropertyW(set, device, property, type, buffer, size, required);
}

BOOL CWin32Platform::GetSelectedDriver(HDEVINFO set, PSP_DEVINFO_DATA device, SP_DRVINFO_DATA_W* driver) {
  return SetupDiGetSelectedDriverW(set, device, driver);
}

HKEY CWin32Platform::OpenDeviceKey(HDEVINFO set, PSP_DEVINFO_DATA device, REGSAM access) {
  return SetupDiOpenDevRegKey(set, device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, access);
}

LSTATUS CWin32Platform::OpenKey(HKEY root, const wchar_t* subKey, REGSAM access, HKEY* key) {
  return RegOpenKeyExW(root, subKey, 0, access, key);
}

LSTATUS CWin32Platform::QueryValue(HKEY key, const wchar_t* name, DWORD* type, BYTE* data, DWORD* size) {
  return RegQueryValueExW(key, name, nullptr, type, data, size);
}

LSTATUS CWin32Platform::SetValue(HKEY key, const wchar_t* name, DWORD type, const BYTE* data, DWORD size) {
  return RegSetValueExW(key, name, 0, type, data, size);
}

LSTATUS CWin32Platform::CloseKey(HKEY key) { return RegCloseKey(key); }

BOOL CWin32Platform::EnumLocalPrinters(DWORD level, BYTE* buffer, DWORD size, DWORD* needed, DWORD* returned) {
  return EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, level, buffer, size, needed, returned);
}

BOOL CWin32Platform::OpenPrinterHandle(const wchar_t* name, HANDLE* printer, ACCESS_MASK access) {
  PRINTER_DEFAULTSW defaults = {nullptr, nullptr, access};
  return OpenPrinterW(const_cast<wchar_t*>(name), printer, access ? &defaults : nullptr);
}

BOOL CWin32Platform::GetPrinterInfo(HANDLE printer, DWORD level, BYTE* buffer, DWORD size, DWORD* needed) {
  return GetPrinterW(printer, level, buffer, size, needed);
}

BOOL CWin32Platform::DeletePrinter(HANDLE printer) { return ::DeletePrinter(printer); }

BOOL CWin32Platform::ClosePrinter(HANDLE printer) { return ::ClosePrinter(printer); }

HANDLE CWin32Platform::FindFirstPrinterChange(HANDLE printer, DWORD filter, PRINTER_NOTIFY_OPTIONS* options) {
  return FindFirstPrinterChangeNotification(printer, filter, 0, options);
}

BOOL CWin32Platform::FindNextPrinterChange(HANDLE change, DWORD* what, PRINTER_NOTIFY_INFO** info) {
  return FindNextPrinterChangeNotification(change, what, nullptr, reinterpret_cast<void**>(info));
}

BOOL CWin32Platform::FreePrinterNotifyInfo(PRINTER_NOTIFY_INFO* info) { return ::FreePrinterNotifyInfo(info); }

BOOL CWin32Platform::FindClosePrinterChange(HANDLE change) { return FindClosePrinterChangeNotification(change); }

HANDLE CWin32Platform::CreateManualEvent() { return CreateEventW(nullptr, TRUE, FALSE, nullptr); }

BOOL CWin32Platform::SetEvent(HANDLE event) { return ::SetEvent(event); }

DWORD CWin32Platform::WaitForAny(DWORD count, const HANDLE* handles, DWORD timeoutMs) {
  return WaitForMultipleObjects(count, handles, FALSE, timeoutMs);
}

BOOL CWin32Platform::CloseHandle(HANDLE handle) { return ::CloseHandle(handle); }

namespace {

struct ThreadStart {
  std::function<void()> body;
  HMODULE pin = nullptr;
};

// The thread holds its own reference to the library its code lives in and
// gives it back with its very last call, so a host that unloads the library
// while the thread still runs never pulls the code from under it.
DWORD WINAPI ThreadEntry(void* context) noexcept {
  HMODULE pin = nullptr;
  {
    std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(context));
    pin = start->pin;
    try {
      start->body();
    } catch (...) {
    }
  }
  FreeLibraryAndExitThread(pin, 0);
}

}  // namespace

HANDLE CWin32Platform::StartThread(std::function<void()> body) {
  auto start = std::make_unique<ThreadStart>();
  start->body = std::move(body);
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<const wchar_t*>(&ThreadEntry),
                          &start->pin))
    return nullptr;
  const HMODULE pin = start->pin;
  HANDLE thread = CreateThread(nullptr, 0, ThreadEntry, start.get(), 0, nullptr);
  if (!thread) {
    FreeLibrary(pin);
    return nullptr;
  }
  start.release();  // the thread owns it now
  return thread;
}

HANDLE CWin32Platform::OpenNamedMutex(const wchar_t* name) { return OpenMutexW(MUTEX_ALL_ACCESS, FALSE, name); }

BOOL CWin32Platform::ReleaseMutex(HANDLE mutex) { return ::ReleaseMutex(mutex); }

}  // namespace coinst
