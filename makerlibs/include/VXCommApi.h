#pragma once
// The communication library "VXComm.dll": its 46 exports, undecorated C names.
// Results: 0 success; codes with the top bit set are failures.

#include <cstdint>

#include "framework/UtilitySettings.h"

using VXCRESULT = uint32_t;

constexpr VXCRESULT kVxcOk = 0;
constexpr VXCRESULT kVxcNotBound = 0x80000000u;   // library not loaded
constexpr VXCRESULT kVxcNoEntry = 0x80000001u;    // no entry given or found
constexpr VXCRESULT kVxcFileMode = 0x80000005u;   // no printer: file mode
constexpr VXCRESULT kVxcPortInUse = 0x8000000Bu;  // another client holds the port
// Further failures of our own library; callers treat them all as "failed".
constexpr VXCRESULT kVxcTimeout = 0x80000002u;       // the printer did not answer in time
constexpr VXCRESULT kVxcOpenFailed = 0x80000003u;    // the port cannot be reached
constexpr VXCRESULT kVxcNotOpen = 0x80000004u;       // no port is open
constexpr VXCRESULT kVxcDisconnected = 0x80000006u;  // the connection ended
constexpr VXCRESULT kVxcBadArgument = 0x80000007u;   // a missing or malformed argument
constexpr VXCRESULT kVxcNotSupported = 0x80000008u;  // not on this printer
constexpr VXCRESULT kVxcBadReply = 0x80000009u;      // the printer's reply made no sense
constexpr VXCRESULT kVxcBadFile = 0x8000000Au;       // a backup file that is not one
constexpr VXCRESULT kVxcListBusy = 0x8000000Cu;      // another program held the port list too long; nothing changed
// Not a failure: the port list was damaged, and the call did what was asked
// on the copy kept before its last change (a change also heals the list).
// Every export that reads or changes the port list may answer it in place of
// kVxcOk; callers that tell success from failure use VxcSucceeded.
constexpr VXCRESULT kVxcRecovered = 0x00000001u;

constexpr bool VxcSucceeded(VXCRESULT result) { return (result & 0x80000000u) == 0; }

// Status callback: a status code of the status view, and the context given.
using VxcStatusProc = void (*)(int32_t status, void* context);

#define VXC_EXPORT_LIST(X)                                                                   \
  X(EnumPort, (PrinterEntry * entries, uint32_t capacity, uint32_t* count, int32_t driverFlag)) \
  X(AddPort, (PrinterEntry * entry))                                                         \
  X(RemovePort, (PrinterEntry * entry))                                                      \
  X(SetPort, (PrinterEntry * entry))                                                         \
  X(GetPort, (PrinterEntry * entry))                                                         \
  X(PortSetting, (PrinterEntry * entry))                                                     \
  X(Open, (int32_t mode))                                                                    \
  X(Close, ())                                                                               \
  X(Read, (void* buffer, uint32_t size, uint32_t* done, uint32_t timeoutMs))                 \
  X(Write, (const void* buffer, uint32_t size, uint32_t* done, uint32_t timeoutMs))          \
  X(GetStatus, (int32_t * status))                                                           \
  X(Initialize, ())                                                                          \
  X(Purge, ())                                                                               \
  X(Reset, ())                                                                               \
  X(RegisterStatusProc, (VxcStatusProc proc, void* context))                                 \
  X(UnregisterStatusProc, ())                                                                \
  X(CommunicationTest, (PrinterEntry * entry))                                               \
  X(EnumDevPort, (const wchar_t* kind, PrinterEntry* entries, uint32_t capacity, uint32_t* count)) \
  X(Backup, (const wchar_t* path))                                                           \
  X(Restore, (const wchar_t* path))                                                          \
  X(FileCheck, (const wchar_t* path))                                                        \
  X(SetDisableOffOffline, ())                                                                \
  X(SetResponseACK, (int32_t enable))                                                        \
  X(GetDeviceName, (wchar_t * buffer, uint32_t chars))                                       \
  X(SetFlowCtrlForced, (int32_t forced))                                                     \
  X(Terminate, ())                                                                           \
  X(GetSerialNumber, (wchar_t * buffer, uint32_t chars))                                     \
  X(GetAccessVersion, (uint32_t * version))                                                  \
  X(FindPort, (PrinterEntry * entry))                                                        \
  X(RegisterDeviceStateCallback, (VxcStatusProc proc, void* context))                        \
  X(UnregisterDeviceStateCallback, ())                                                       \
  X(RecoverySending, ())                                                                     \
  X(ReopenPort, ())                                                                          \
  X(GetFirmVersion, (wchar_t * buffer, uint32_t chars))                                      \
  X(SetModelType, (int32_t type))                                                            \
  X(IsWatermarkSupported, (int32_t * answer))                                                \
  X(IsARPSupported, (int32_t * answer))                                                      \
  X(SetPortConnector, (int32_t connector))                                                   \
  X(IsSupported, (int32_t function, int32_t* answer))                                        \
  X(IsPortConnectorEnabled, (int32_t * answer))                                              \
  X(GetPortName, (wchar_t * buffer, uint32_t chars))                                         \
  X(RegisterBatStatusProc, (VxcStatusProc proc, void* context))                              \
  X(UnregisterBatStatusProc, ())                                                             \
  X(IsEnableCommand, (int32_t group, uint8_t first, uint8_t second, int32_t* answer))        \
  X(SetCaller, (int32_t caller))                                                             \
  X(GetCaller, (int32_t * caller))

#define VXC_DECLARE_TYPE(name, params) using PFN_VXC_##name = VXCRESULT(*) params;
VXC_EXPORT_LIST(VXC_DECLARE_TYPE)
#undef VXC_DECLARE_TYPE

#define VXC_COUNT_ONE(name, params) +1
constexpr int kVxcExportCount = 0 VXC_EXPORT_LIST(VXC_COUNT_ONE);
#undef VXC_COUNT_ONE
static_assert(kVxcExportCount == 46);
