#include "connection/RetailDevices.h"

#include <windows.h>

#include "connection/PrinterEntryRules.h"
#include "win/Handles.h"

namespace {

// The first device of one registry view whose port carries the number.
std::wstring DeviceInView(int32_t portNumber, REGSAM view) {
  CRegKey devices;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter", 0, KEY_READ | view,
                    devices.put()) != ERROR_SUCCESS) {
    return {};
  }
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD nameLength = static_cast<DWORD>(std::size(name));
    if (RegEnumKeyExW(devices.get(), i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    wchar_t value[260] = {};
    DWORD bytes = sizeof(value) - sizeof(wchar_t);
    DWORD type = 0;
    CRegKey device;
    if (RegOpenKeyExW(devices.get(), name, 0, KEY_READ | view, device.put()) != ERROR_SUCCESS) continue;
    if (RegQueryValueExW(device.get(), L"Port", nullptr, &type, reinterpret_cast<BYTE*>(value), &bytes) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
      continue;
    }
    const int32_t number = PortNumberAfterPrefix(value);
    if (number > 0 && number == portNumber) return name;
  }
  return {};
}

}  // namespace

std::wstring RetailDeviceOfPort(const std::wstring& spoolerPort) {
  const int32_t portNumber = PortNumberAfterPrefix(spoolerPort);
  if (portNumber <= 0) return {};
  // The point-of-sale services are often 32-bit programs, whose devices then
  // live in the 32-bit view: the native view first, then that one.
  std::wstring device = DeviceInView(portNumber, KEY_WOW64_64KEY);
  if (device.empty()) device = DeviceInView(portNumber, KEY_WOW64_32KEY);
  return device;
}
