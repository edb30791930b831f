// Port setup's decisions: interface buttons, the layout of each interface,
// the search kind, search lines, the entry built, language id texts.

#include "connection/PortSetupRules.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(PortSetupRules, InterfaceButtons) {
  const struct {
    const char* fault;
    int32_t supported[kPortInterfaces];
    int32_t defaultKind;
    std::array<int32_t, kPortInterfaces> positions;
    int32_t selected;
  } cases[] = {
      {"all five out of order", {0, 1, 2, 3, 4}, 2, {0, 1, 2, 3, 4}, 2},
      {"USB and Ethernet not in the first two positions", {2, 3, -1, -1, -1}, 3, {2, 3, -1, -1, -1}, 3},
      {"a default that is not listed taken", {2, 3, -1, -1, -1}, 0, {2, 3, -1, -1, -1}, 2},
      {"interfaces after the first empty slot shown", {3, -1, 0, -1, -1}, 0, {3, -1, -1, -1, -1}, 3},
      {"a value out of range given a button", {7, 3, -5, 4, -1}, 4, {3, 4, -1, -1, -1}, 4},
      {"a repeated interface given two buttons", {3, 3, 0, -1, -1}, 0, {3, 0, -1, -1, -1}, 0},
      {"nothing supported yet something selected", {-1, 0, 1, 2, 3}, 0, {-1, -1, -1, -1, -1}, -1},
  };
  for (const auto& c : cases) {
    const InterfaceButtons b = LayOutInterfaceButtons(c.supported, c.defaultKind);
    EXPECT_EQ(b.atPosition, c.positions) << c.fault;
    EXPECT_EQ(b.selected, c.selected) << c.fault;
  }
}

TEST(PortSetupRules, LayoutOfEachInterface) {
  // Shown controls and their strings, as "id:string" (string -1 omitted).
  const struct {
    int32_t iface;
    const char* shown;
  } cases[] = {
      {kSerial, "1008:1 1009:2 1010:3 1011:7 1014:8 1016 1017 1019 1020 1021 1022:9 1023:12 "},
      {kParallel, "1008:1 1016 1022:9 1023:12 "},
      {kUsb, "1008:1 1016 1022:9 "},
      {kEthernet, "1008:10 1012 1013:9 1018 1015:11 "},
      {kBluetooth, "1008:1 1016 1022:9 1034:1034 "},
  };
  for (const auto& c : cases) {
    std::string shown;
    for (const LayoutCell& cell : PortSetupLayout(c.iface)) {
      if (!cell.visible) continue;
      shown += std::to_string(cell.controlId);
      if (cell.stringNumber >= 0) shown += ":" + std::to_string(cell.stringNumber);
      shown += " ";
    }
    EXPECT_EQ(shown, c.shown) << "interface " << c.iface;
  }
}

TEST(PortSetupRules, SearchKinds) {
  EXPECT_EQ(PortSearchKind(kSerial, false), L"COM");
  EXPECT_EQ(PortSearchKind(kSerial, true), L"SERIAL") << "Bluetooth supported: serial ports of both kinds";
  EXPECT_EQ(PortSearchKind(kParallel, true), L"LPT");
  EXPECT_EQ(PortSearchKind(kUsb, false), L"USB");
  EXPECT_EQ(PortSearchKind(kBluetooth, false), L"BT");
  EXPECT_EQ(PortSearchKind(kEthernet, false), L"") << "Ethernet searches the network";
  const int32_t supported[kPortInterfaces] = {0, 4, -1, 3, -1};
  EXPECT_TRUE(SupportsInterface(supported, 4));
  EXPECT_FALSE(SupportsInterface(supported, 3)) << "after the first empty slot";
}

TEST(PortSetupRules, AddressOfASearchLine) {
  const struct {
    const wchar_t* line;
    std::optional<uint32_t> address;
  } cases[] = {
      {L"192.168.0.10", 0xC0A8000Au},
      {L"300.1.1.1", 0xFF010101u},           // each number limited to 255
      {L"1.2.3.99999999999999", 0x010203FFu},  // and never wraps
      {L"10.0.0", 0x0A000000u},              // missing octets are 0
      {L"127.0.0.1 (VX-R500)", 0x7F000001u},
      {L"", std::nullopt},
      {L"printer", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(AddressOfLine(c.line), c.address) << std::wstring(c.line).size();
}

TEST(PortSetupRules, PortLines) {
  EXPECT_EQ(PortLineText(kUsb, L"VXUSB001"), L"USB-VXUSB001");
  EXPECT_EQ(PortTextOfLine(kUsb, L"USB-VXUSB001"), L"VXUSB001");
  EXPECT_EQ(PortLineText(kSerial, L"COM5"), L"COM5");
  EXPECT_EQ(PortTextOfLine(kSerial, L"USB-X"), L"USB-X") << "only USB lines carry the prefix";
}

TEST(PortSetupRules, EntryBuiltFromTheSettings) {
  PortSettings serial;
  serial.type = 1;
  serial.portText = L"COM5";
  serial.serialValues = {115200, 0, 8};
  auto e = BuildPortEntry(serial);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->kindText, L"COM");
  EXPECT_EQ(e->portName, L"COM5");
  EXPECT_EQ(e->deviceName, L"VX-R500");
  EXPECT_TRUE(e->serialValuesSet);
  EXPECT_EQ(e->serialValues, (std::array<int32_t, 3>{115200, 0, 8}));

  PortSettings net;
  net.type = 4;
  net.octets = {192, 168, 0, 7};
  net.portText = L"ignored";
  e = BuildPortEntry(net);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->kindText, L"NET");
  EXPECT_EQ(e->portName, L"192.168.0.7") << "the port name of a network entry is its address";
  EXPECT_FALSE(e->serialValuesSet) << "serial values on a network entry";

  PortSettings usb;
  usb.type = 3;
  usb.portText = L"VXUSB001";
  usb.usbDeviceData[0] = 0xAB;
  usb.usbDeviceData[259] = 0xCD;
  e = BuildPortEntry(usb);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->kindText, L"USB");
  EXPECT_EQ(e->usbDeviceData[0], 0xAB);
  EXPECT_EQ(e->usbDeviceData[259], 0xCD);

  const struct {
    int32_t type;
    const wchar_t* kind;
  } kinds[] = {{2, L"LPT"}, {5, L"BT"}};
  for (const auto& k : kinds) {
    PortSettings s;
    s.type = k.type;
    s.portText = L"X1";
    e = BuildPortEntry(s);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->kindText, k.kind);
    EXPECT_EQ(e->portName, L"X1");
  }
  for (int32_t type : {0, 6, -1}) {
    PortSettings unknown;
    unknown.type = type;
    EXPECT_FALSE(BuildPortEntry(unknown)) << "type " << type;
  }
}

TEST(PortSetupRules, LanguageIdTexts) {
  EXPECT_EQ(LanguageIdText(0x409), L"0409");
  EXPECT_EQ(LanguageIdText(0x411), L"0411");
  EXPECT_EQ(LanguageIdText(0x1A), L"001A");
  EXPECT_EQ(LanguageIdText(-1), L"FFFFFFFF") << "no language chosen";
}

}  // namespace
