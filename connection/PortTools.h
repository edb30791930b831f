#pragma once
// Where port setup finds the maker's three tools, and the settings file the
// Bluetooth connector leaves behind. Each answer is a path, empty when the
// tool is not there.

#include <string>

// Uninstall registration's "InstallLocation" + "\NetConfigurator.exe", else
// the tool's default folder under Program Files (the file may be missing).
std::wstring NetworkToolPath();
// App Paths of "ComAssign.exe", the start-menu shortcuts of the all-users and
// then the user's start menu, else the default under Program Files (the file
// may be missing).
std::wstring PortToolPath();
// The connector under Program Files when it exists, else empty.
std::wstring BluetoothToolPath();
// The connector's settings file under the all-users application data.
std::wstring BluetoothToolSettingFile();

// The product code under which the network tool registers its uninstall key.
extern const wchar_t kNetworkToolProductCode[];

bool PathExists(const std::wstring& path);
