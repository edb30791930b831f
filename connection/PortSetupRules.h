#pragma once
// What the port setup dialog decides without a window: the interface buttons,
// the controls each interface shows, the kind text of a port search, the
// address of a search line, and the printer entry built from the settings.
// Includes no <windows.h>.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>


// The dialog's interfaces; each one's button is 2000 + its number.
enum PortInterface : int32_t { kSerial = 0, kParallel = 1, kUsb = 2, kEthernet = 3, kBluetooth = 4 };
constexpr int kInterfaceButtonBase = 2000;
constexpr int kPortInterfaces = 5;  // the slots of UtilitySettings::supportedInterfaceKinds

struct InterfaceButtons {
  // The interface shown in each remembered button position, -1 = none.
  std::array<int32_t, kPortInterfaces> atPosition = {-1, -1, -1, -1, -1};
  int32_t selected = -1;  // -1: nothing supported
};
// The supported interfaces in list order up to the first empty slot (values
// outside 0..4 and repeats are skipped); the default when listed, else the
// first supported one.
InterfaceButtons LayOutInterfaceButtons(const int32_t (&supported)[kPortInterfaces], int32_t defaultKind);

// One control of the per-interface layout: shown or hidden (hidden controls
// are also disabled) and, when shown, the "PORT_ADD_DLG" window string that
// becomes its text (-1: the text stays). A shown tool button is enabled only
// when its tool exists.
struct LayoutCell {
  int controlId;
  bool visible;
  int32_t stringNumber;
};
constexpr std::size_t kLayoutControls = 17;
std::array<LayoutCell, kLayoutControls> PortSetupLayout(int32_t iface);

// The kind a port search asks the library for: serial "COM", or "SERIAL" when
// Bluetooth is supported; "LPT", "USB", "BT"; empty for Ethernet, which
// searches the network instead.
std::wstring PortSearchKind(int32_t iface, bool bluetoothSupported);
bool SupportsInterface(const int32_t (&supported)[kPortInterfaces], int32_t iface);

// A network search line read as "%u.%u.%u.%u", each number limited to 255;
// the address with the first octet in the high byte. Nothing when the line
// does not begin with a number.
std::optional<uint32_t> AddressOfLine(std::wstring_view line);

// The port list's line for an entry ("USB-" before a USB port's name), and
// the port text a line stands for.
std::wstring PortLineText(int32_t iface, std::wstring_view portName);
std::wstring PortTextOfLine(int32_t iface, std::wstring_view line);

// The settings the dialog collects.
struct PortSettings {
  int32_t type = 0;  // 1 serial, 2 parallel, 3 USB, 4 network, 5 Bluetooth
  std::wstring deviceName = L"VX-R500";
  std::wstring portText;
  std::array<uint8_t, 4> octets = {};
  std::array<int32_t, 3> serialValues = {};
  std::array<uint8_t, 260> usbDeviceData = {};
};
constexpr int32_t TypeOfInterface(int32_t iface) { return iface >= kSerial && iface <= kBluetooth ? iface + 1 : 0; }

// The printer entry's fields for the settings (the entry's two port-setup
// values are -1); nothing for an unknown type.
struct PortEntryFields {
  std::wstring kindText;
  std::wstring portName;
  std::wstring deviceName;
  bool serialValuesSet = false;
  std::array<int32_t, 3> serialValues = {};
  std::array<uint8_t, 260> usbDeviceData = {};
};
std::optional<PortEntryFields> BuildPortEntry(const PortSettings& settings);

// A language id as the settings keep its text: four upper-case hexadecimal
// digits ("%04X"); -1, the list's "no selection", gives "FFFFFFFF".
std::wstring LanguageIdText(int32_t langId);
