#pragma once
// Reads through the platform that size their own buffers: each asks, grows
// to what the platform reports, and never trusts a reported size or a text
// beyond the buffer it handed over.

#include <optional>
#include <string>
#include <vector>

#include "coinstaller/CoInstallerPlatform.h"
#include "coinstaller/CoInstallerRules.h"

namespace coinst {

struct RegistryData {
  DWORD type = REG_NONE;
  std::vector<BYTE> bytes;
};

// Larger replies than this are not what these reads are about.
inline constexpr DWORD kMaxReadBytes = 1024 * 1024;

// A device registry property (hardware ids, compatible ids).
std::optional<RegistryData> ReadDeviceProperty(ICoInstallerPlatform& platform, HDEVINFO set,
                                               PSP_DEVINFO_DATA device, DWORD property);

// Is the device one the co-installers serve (a served id among its hardware
// ids, else among its compatible ids)?
bool IsServedDevice(ICoInstallerPlatform& platform, HDEVINFO set, PSP_DEVINFO_DATA device);

// A registry value read into a buffer of firstBytes, grown once to the size
// the registry reports when that is too small.
std::optional<RegistryData> ReadValue(ICoInstallerPlatform& platform, HKEY key, const wchar_t* name,
                                      DWORD firstBytes);

// The description of the driver selected for the device; empty when none.
std::wstring SelectedDriverDescription(ICoInstallerPlatform& platform, HDEVINFO set, PSP_DEVINFO_DATA device);

// The local print queues; empty when the spooler cannot list them. Port
// names are cut to kPortNameChars characters.
std::vector<QueueInfo> LocalQueues(ICoInstallerPlatform& platform);

// The port of a queue, cut to kPortNameChars characters; nothing when the
// queue cannot be opened or read.
std::optional<std::wstring> QueuePort(ICoInstallerPlatform& platform, const std::wstring& queueName);

// The printer-name and driver-name fields of a notification (the last of
// each wins); empty for a field that is missing.
struct AddedPrinterFields {
  std::wstring name;
  std::wstring driver;
};
AddedPrinterFields PrinterFieldsOf(const PRINTER_NOTIFY_INFO& info);

}  // namespace coinst
