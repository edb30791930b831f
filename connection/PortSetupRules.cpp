#include "connection/PortSetupRules.h"

#include <cstdio>
#include <cstring>
#include <cwctype>

InterfaceButtons LayOutInterfaceButtons(const int32_t (&supported)[kPortInterfaces], int32_t defaultKind) {
  InterfaceButtons buttons;
  int position = 0;
  for (int32_t iface : supported) {
    if (iface == -1) break;
    if (iface < kSerial || iface > kBluetooth) continue;
    bool repeated = false;
    for (int i = 0; i < position; ++i) repeated = repeated || buttons.atPosition[static_cast<std::size_t>(i)] == iface;
    if (repeated) continue;
    buttons.atPosition[static_cast<std::size_t>(position++)] = iface;
  }
  for (int i = 0; i < position; ++i) {
    if (buttons.atPosition[static_cast<std::size_t>(i)] == defaultKind) buttons.selected = defaultKind;
  }
  if (buttons.selected == -1) buttons.selected = buttons.atPosition[0];
  return buttons;
}

bool SupportsInterface(const int32_t (&supported)[kPortInterfaces], int32_t iface) {
  for (int32_t s : supported) {
    if (s == -1) return false;
    if (s == iface) return true;
  }
  return false;
}

std::array<LayoutCell, kLayoutControls> PortSetupLayout(int32_t iface) {
  const bool serial = iface == kSerial, parallel = iface == kParallel, usb = iface == kUsb;
  const bool ethernet = iface == kEthernet, bluetooth = iface == kBluetooth;
  const bool portList = serial || parallel || usb || bluetooth;
  return {{
      {1008, true, ethernet ? 10 : 1},
      {1009, serial, 2},
      {1010, serial, 3},
      {1011, serial, 7},
      {1014, serial, 8},
      {1016, portList, -1},
      {1017, serial, -1},
      {1019, serial, -1},
      {1020, serial, -1},
      {1021, serial, -1},
      {1012, ethernet, -1},
      {1013, ethernet, 9},
      {1022, portList, 9},
      {1018, ethernet, -1},
      {1015, ethernet, 11},
      {1023, serial || parallel, 12},
      {1034, bluetooth, 1034},
  }};
}

std::wstring PortSearchKind(int32_t iface, bool bluetoothSupported) {
  switch (iface) {
    case kSerial: return bluetoothSupported ? L"SERIAL" : L"COM";
    case kParallel: return L"LPT";
    case kUsb: return L"USB";
    case kBluetooth: return L"BT";
    default: return L"";
  }
}

std::optional<uint32_t> AddressOfLine(std::wstring_view line) {
  uint32_t address = 0;
  std::size_t at = 0;
  int octets = 0;
  for (; octets < 4; ++octets) {
    if (at >= line.size() || !std::iswdigit(line[at])) break;
    uint64_t n = 0;
    while (at < line.size() && std::iswdigit(line[at])) {
      n = std::min<uint64_t>(n * 10 + static_cast<uint64_t>(line[at] - L'0'), 0xFFFFFFFFull);
      ++at;
    }
    address = (address << 8) | static_cast<uint32_t>(std::min<uint64_t>(n, 255));
    if (octets < 3) {
      if (at >= line.size() || line[at] != L'.') {
        ++octets;
        break;
      }
      ++at;
    }
  }
  if (octets == 0) return std::nullopt;
  // Octets the line lacks stay 0.
  for (int i = octets; i < 4; ++i) address <<= 8;
  return address;
}

std::wstring PortLineText(int32_t iface, std::wstring_view portName) {
  std::wstring line = iface == kUsb ? L"USB-" : L"";
  line += portName;
  return line;
}

std::wstring PortTextOfLine(int32_t iface, std::wstring_view line) {
  if (iface == kUsb && line.substr(0, 4) == L"USB-") line.remove_prefix(4);
  return std::wstring(line);
}

std::optional<PortEntryFields> BuildPortEntry(const PortSettings& s) {
  static const wchar_t* const kKinds[] = {L"COM", L"LPT", L"USB", L"NET", L"BT"};
  if (s.type < 1 || s.type > 5) return std::nullopt;
  PortEntryFields e;
  e.kindText = kKinds[s.type - 1];
  e.deviceName = s.deviceName;
  if (s.type == 4) {
    e.portName = std::to_wstring(s.octets[0]) + L"." + std::to_wstring(s.octets[1]) + L"." +
                 std::to_wstring(s.octets[2]) + L"." + std::to_wstring(s.octets[3]);
  } else {
    e.portName = s.portText;
  }
  if (s.type == 1) {
    e.serialValuesSet = true;
    e.serialValues = s.serialValues;
  }
  if (s.type == 3) e.usbDeviceData = s.usbDeviceData;
  return e;
}

std::wstring LanguageIdText(int32_t langId) {
  char text[16];
  std::snprintf(text, sizeof(text), "%04X", static_cast<unsigned>(langId));
  return std::wstring(text, text + std::strlen(text));
}
