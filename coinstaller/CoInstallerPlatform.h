#pragma once
// Every platform call the co-installers make, one method per call and no
// more: the real platform passes them straight on, and the tests put a
// registry, a device installer and a spooler of their own behind them.

#include <windows.h>
#include <setupapi.h>
#include <winspool.h>

#include <functional>

#include "win/Handles.h"

namespace coinst {

class ICoInstallerPlatform {
public:

  // Device installer (SetupAPI)
  virtual BOOL GetDeviceRegistryProperty(HDEVINFO set, PSP_DEVINFO_DATA device, DWORD property, DWORD* type,
                                         BYTE* buffer, DWORD size, DWORD* required) = 0;
  virtual BOOL GetSelectedDriver(HDEVINFO set, PSP_DEVINFO_DATA device, SP_DRVINFO_DATA_W* driver) = 0;
  // The device's own key; INVALID_HANDLE_VALUE when it cannot be opened.
  virtual HKEY OpenDeviceKey(HDEVINFO set, PSP_DEVINFO_DATA device, REGSAM access) = 0;

  // Registry
  virtual LSTATUS OpenKey(HKEY root, const wchar_t* subKey, REGSAM access, HKEY* key) = 0;
  virtual LSTATUS QueryValue(HKEY key, const wchar_t* name, DWORD* type, BYTE* data, DWORD* size) = 0;
  virtual LSTATUS SetValue(HKEY key, const wchar_t* name, DWORD type, const BYTE* data, DWORD size) = 0;
  virtual LSTATUS CloseKey(HKEY key) = 0;

  // Spooler. OpenPrinterHandle with no name opens the local print server; an
  // access of 0 passes no defaults.
  virtual BOOL EnumLocalPrinters(DWORD level, BYTE* buffer, DWORD size, DWORD* needed, DWORD* returned) = 0;
  virtual BOOL OpenPrinterHandle(const wchar_t* name, HANDLE* printer, ACCESS_MASK access) = 0;
  virtual BOOL GetPrinterInfo(HANDLE printer, DWORD level, BYTE* buffer, DWORD size, DWORD* needed) = 0;
  virtual BOOL DeletePrinter(HANDLE printer) = 0;
  virtual BOOL ClosePrinter(HANDLE printer) = 0;
  // INVALID_HANDLE_VALUE when the spooler offers no notification.
  virtual HANDLE FindFirstPrinterChange(HANDLE printer, DWORD filter, PRINTER_NOTIFY_OPTIONS* options) = 0;
  virtual BOOL FindNextPrinterChange(HANDLE change, DWORD* what, PRINTER_NOTIFY_INFO** info) = 0;
  virtual BOOL FreePrinterNotifyInfo(PRINTER_NOTIFY_INFO* info) = 0;
  virtual BOOL FindClosePrinterChange(HANDLE change) = 0;

  // Events, waits, threads and the named mutex
  virtual HANDLE CreateManualEvent() = 0;
  virtual BOOL SetEvent(HANDLE event) = 0;
  virtual DWORD WaitForAny(DWORD count, const HANDLE* handles, DWORD timeoutMs) = 0;
  virtual BOOL CloseHandle(HANDLE handle) = 0;
  // Runs body on a thread of its own; the handle is the caller's to close.
  // The library that holds the code stays loaded until the body returned.
  virtual HANDLE StartThread(std::function<void()> body) = 0;
  virtual HANDLE OpenNamedMutex(const wchar_t* name) = 0;
  virtual BOOL ReleaseMutex(HANDLE mutex) = 0;

  DWORD WaitForOne(HANDLE handle, DWORD timeoutMs) { return WaitForAny(1, &handle, timeoutMs); }

protected:
  // Never deleted through the interface. Not virtual, so the platform
  // itself is trivially destroyed and outlives whatever still uses it while
  // the library's statics go at unload.
  ~ICoInstallerPlatform() = default;
};

// The platform itself.
class CWin32Platform : public ICoInstallerPlatform {
public:
  BOOL GetDeviceRegistryProperty(HDEVINFO set, PSP_DEVINFO_DATA device, DWORD property, DWORD* type, BYTE* buffer,
                                 DWORD size, DWORD* required) override;
  BOOL GetSelectedDriver(HDEVINFO set, PSP_DEVINFO_DATA device, SP_DRVINFO_DATA_W* driver) override;
  HKEY OpenDeviceKey(HDEVINFO set, PSP_DEVINFO_DATA device, REGSAM access) override;

  LSTATUS OpenKey(HKEY root, const wchar_t* subKey, REGSAM access, HKEY* key) override;
  LSTATUS QueryValue(HKEY key, const wchar_t* name, DWORD* type, BYTE* data, DWORD* size) override;
  LSTATUS SetValue(HKEY key, const wchar_t* name, DWORD type, const BYTE* data, DWORD size) override;
  LSTATUS CloseKey(HKEY key) override;

  BOOL EnumLocalPrinters(DWORD level, BYTE* buffer, DWORD size, DWORD* needed, DWORD* returned) override;
  BOOL OpenPrinterHandle(const wchar_t* name, HANDLE* printer, ACCESS_MASK access) override;
  BOOL GetPrinterInfo(HANDLE printer, DWORD level, BYTE* buffer, DWORD size, DWORD* needed) override;
  BOOL DeletePrinter(HANDLE printer) override;
  BOOL ClosePrinter(HANDLE printer) override;
  HANDLE FindFirstPrinterChange(HANDLE printer, DWORD filter, PRINTER_NOTIFY_OPTIONS* options) override;
  BOOL FindNextPrinterChange(HANDLE change, DWORD* what, PRINTER_NOTIFY_INFO** info) override;
  BOOL FreePrinterNotifyInfo(PRINTER_NOTIFY_INFO* info) override;
  BOOL FindClosePrinterChange(HANDLE change) override;

  HANDLE CreateManualEvent() override;
  BOOL SetEvent(HANDLE event) override;
  DWORD WaitForAny(DWORD count, const HANDLE* handles, DWORD timeoutMs) override;
  BOOL CloseHandle(HANDLE handle) override;
  HANDLE StartThread(std::function<void()> body) override;
  HANDLE OpenNamedMutex(const wchar_t* name) override;
  BOOL ReleaseMutex(HANDLE mutex) override;
};

// Handles lent by the platform, closed through it.
struct PlatformKeyTraits {
  using Handle = HKEY;
  ICoInstallerPlatform* platform = nullptr;
  static Handle Invalid() noexcept { return nullptr; }
  static bool IsValid(Handle h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  void Close(Handle h) const noexcept { platform->CloseKey(h); }
};

struct PlatformHandleTraits {
  using Handle = HANDLE;
  ICoInstallerPlatform* platform = nullptr;
  static Handle Invalid() noexcept { return nullptr; }
  static bool IsValid(Handle h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  void Close(Handle h) const noexcept { platform->CloseHandle(h); }
};

struct PlatformPrinterTraits {
  using Handle = HANDLE;
  ICoInstallerPlatform* platform = nullptr;
  static Handle Invalid() noexcept { return nullptr; }
  static bool IsValid(Handle h) noexcept { return h != nullptr; }
  void Close(Handle h) const noexcept { platform->ClosePrinter(h); }
};

struct PlatformChangeTraits {
  using Handle = HANDLE;
  ICoInstallerPlatform* platform = nullptr;
  static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Handle h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  void Close(Handle h) const noexcept { platform->FindClosePrinterChange(h); }
};

using CPlatformKey = CUnique<PlatformKeyTraits>;
using CPlatformHandle = CUnique<PlatformHandleTraits>;
using CPlatformPrinter = CUnique<PlatformPrinterTraits>;
using CPlatformChange = CUnique<PlatformChangeTraits>;

}  // namespace coinst
