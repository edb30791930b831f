#pragma once
// The records that the utility and its plug-ins share by address, and that the
// communication library fills. One declaration for every deliverable: the
// layouts are fixed, and any change to them breaks plug-ins built earlier.

#include <cstddef>
#include <cstdint>

#include "framework/SharedTypes.h"

static_assert(sizeof(wchar_t) == 2, "shared records hold UTF-16 text");

class IVXComm;
class CPrinterSettingsList;
class IEngineManager;
struct _RTL_CRITICAL_SECTION;

// A printer port as the communication library enumerates, tests and opens it.
struct PrinterEntry {
  wchar_t interfaceKindText[kTextUnits];  // "COM", "LPT", "USB", "NET" or "BT"
  wchar_t portName[kTextUnits];
  int32_t portSetupValue1;                // -1 when built by port setup
  int32_t portSetupValue2;                // -1 when built by port setup
  int32_t reopenFlag;                     // 1: the status pane reopens the port around a refresh
  wchar_t portPath[kTextUnits];           // the library's address of the port
  uint8_t usbDeviceData[260];
  uint8_t reserved1[260];
  wchar_t deviceName[kTextUnits];         // model name reported by the communication test
  int32_t serialValuesSet;
  int32_t serialValues[3];
  uint8_t reserved2[532];
  wchar_t networkInterfaceName[kTextUnits];
  uint8_t reserved3[2080];
  int32_t origin;                         // 3: made from a printer queue alone
};

static_assert(sizeof(PrinterEntry) == 5764);
static_assert(offsetof(PrinterEntry, interfaceKindText) == 0);
static_assert(offsetof(PrinterEntry, portName) == 520);
static_assert(offsetof(PrinterEntry, portSetupValue1) == 1040);
static_assert(offsetof(PrinterEntry, portSetupValue2) == 1044);
static_assert(offsetof(PrinterEntry, reopenFlag) == 1048);
static_assert(offsetof(PrinterEntry, portPath) == 1052);
static_assert(offsetof(PrinterEntry, usbDeviceData) == 1572);
static_assert(offsetof(PrinterEntry, deviceName) == 2092);
static_assert(offsetof(PrinterEntry, serialValuesSet) == 2612);
static_assert(offsetof(PrinterEntry, serialValues) == 2616);
static_assert(offsetof(PrinterEntry, networkInterfaceName) == 3160);
static_assert(offsetof(PrinterEntry, origin) == 5760);

constexpr int kInterfaceSlots = 5;  // port dialog numbering: serial, parallel, USB, Ethernet, Bluetooth

// The utility's one settings record: filled at start-up, lent to every page and
// plug-in by address.
struct UtilitySettings {
  int32_t langId;
  wchar_t langIdText[kTextUnits];
  int32_t interfaceKind;
  PrinterEntry selectedPrinter;
  int32_t startMode;
  wchar_t portArg[kTextUnits];
  wchar_t queueArg[kTextUnits];
  wchar_t remoteArg[kTextUnits];
  int32_t callerKind;
  uint8_t reserved1[580];
  IVXComm* comm;
  CPrinterSettingsList* printerSettingsList;
  wchar_t exeDir[kTextUnits];
  wchar_t tmpDir[kTextUnits];
  wchar_t sharedDataDir[kTextUnits];
  wchar_t langDir[kTextUnits];
  wchar_t fileArg[kTextUnits];
  wchar_t logoFilePath[kTextUnits];
  _RTL_CRITICAL_SECTION* commLock;
  int32_t enableFlexibleFont;
  int32_t enableFontA;
  int32_t enableFontB;
  int32_t enableIFSelect;
  int32_t autoKeycodeNumbering;
  int32_t wmSupported;
  int32_t arpSupported;
  int32_t enableBTSearch;
  int32_t reserved2;
  int32_t reserved3;  // cleared at start-up
  int32_t reserved4;
  int32_t function6Supported;
  int32_t command0E49Enabled;
  int32_t printerInfo114;
  int32_t command0E30Enabled;
  int32_t reserved5;  // cleared at start-up
  int32_t supportedInterfaceKinds[kInterfaceSlots];  // -1 = empty slot
  int32_t defaultInterfaceKind;
  int32_t reserved6[5];  // cleared at start-up
  int32_t statusVariant;
  int32_t deviceId;
  IEngineManager* engineManager;
};

static_assert(sizeof(void*) == 8, "the shared records are laid out for 64-bit code");
static_assert(offsetof(UtilitySettings, langId) == 0);
static_assert(offsetof(UtilitySettings, langIdText) == 4);
static_assert(offsetof(UtilitySettings, interfaceKind) == 524);
static_assert(offsetof(UtilitySettings, selectedPrinter) == 528);
static_assert(offsetof(UtilitySettings, startMode) == 6292);
static_assert(offsetof(UtilitySettings, portArg) == 6296);
static_assert(offsetof(UtilitySettings, queueArg) == 6816);
static_assert(offsetof(UtilitySettings, remoteArg) == 7336);
static_assert(offsetof(UtilitySettings, callerKind) == 7856);
static_assert(offsetof(UtilitySettings, reserved1) == 7860);
static_assert(offsetof(UtilitySettings, comm) == 8440);
static_assert(offsetof(UtilitySettings, printerSettingsList) == 8448);
static_assert(offsetof(UtilitySettings, exeDir) == 8456);
static_assert(offsetof(UtilitySettings, tmpDir) == 8976);
static_assert(offsetof(UtilitySettings, sharedDataDir) == 9496);
static_assert(offsetof(UtilitySettings, langDir) == 10016);
static_assert(offsetof(UtilitySettings, fileArg) == 10536);
static_assert(offsetof(UtilitySettings, logoFilePath) == 11056);
static_assert(offsetof(UtilitySettings, commLock) == 11576);
static_assert(offsetof(UtilitySettings, enableFlexibleFont) == 11584);
static_assert(offsetof(UtilitySettings, enableBTSearch) == 11612);
static_assert(offsetof(UtilitySettings, function6Supported) == 11628);
static_assert(offsetof(UtilitySettings, command0E30Enabled) == 11640);
static_assert(offsetof(UtilitySettings, supportedInterfaceKinds) == 11648);
static_assert(offsetof(UtilitySettings, defaultInterfaceKind) == 11668);
static_assert(offsetof(UtilitySettings, statusVariant) == 11692);
static_assert(offsetof(UtilitySettings, deviceId) == 11696);
static_assert(offsetof(UtilitySettings, engineManager) == 11704);
static_assert(sizeof(UtilitySettings) == 11712);
