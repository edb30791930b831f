// A stand-in "VXComm.dll" for tests of the utility's binding and start-up:
// every export logs its call and answers what the test set (0 by default).
// Built once complete and once without VXC_GetCaller.

#include <cstring>
#include <mutex>
#include <thread>

#include "makerlibs/include/VXCommApi.h"
#include "tests/doubles/DoubleControl.h"

namespace {
doubles::CControl control;

// The registered status callback, called from a thread of the double's own
// as the real library calls it.
std::mutex statusLock;
VxcStatusProc statusProc = nullptr;
void* statusContext = nullptr;

VXCRESULT Plain(const char* name) {
  control.Log(name);
  return static_cast<VXCRESULT>(control.Get(name, 0));
}

void FillEntry(PrinterEntry& entry, int index) {
  std::memset(&entry, 0, sizeof(entry));
  const std::wstring number = std::to_wstring(index + 1);
  CopyText(entry.interfaceKindText, L"USB");
  CopyText(entry.portName, (L"USB00" + number).c_str());
  CopyText(entry.portPath, (L"pipe://vx/VXPORT" + number).c_str());
  CopyText(entry.deviceName, control.Get("EnumPort.sister", 1) ? L"VX-R200" : L"VX-R500");
}
}  // namespace

VX_DOUBLE_CONTROL_EXPORTS(VXCDouble, control)

#define VX_EXPORT extern "C" __declspec(dllexport)

VX_EXPORT VXCRESULT VXC_EnumPort(PrinterEntry* entries, uint32_t capacity, uint32_t* count, int32_t driverFlag) {
  control.Log("EnumPort(" + std::to_string(driverFlag) + ")");
  const uint32_t available = static_cast<uint32_t>(control.Get("EnumPort.count", 0));
  if (!count) return kVxcNoEntry;
  if (!entries) {
    *count = available;
    return static_cast<VXCRESULT>(control.Get("EnumPort", 0));
  }
  const uint32_t n = available < capacity ? available : capacity;
  for (uint32_t i = 0; i < n; ++i) FillEntry(entries[i], static_cast<int>(i));
  *count = n;
  return static_cast<VXCRESULT>(control.Get("EnumPort", 0));
}
VX_EXPORT VXCRESULT VXC_AddPort(PrinterEntry*) { return Plain("AddPort"); }
VX_EXPORT VXCRESULT VXC_RemovePort(PrinterEntry*) { return Plain("RemovePort"); }
VX_EXPORT VXCRESULT VXC_SetPort(PrinterEntry*) { return Plain("SetPort"); }
VX_EXPORT VXCRESULT VXC_GetPort(PrinterEntry*) { return Plain("GetPort"); }
VX_EXPORT VXCRESULT VXC_PortSetting(PrinterEntry*) { return Plain("PortSetting"); }
VX_EXPORT VXCRESULT VXC_Open(int32_t mode) {
  control.Log("Open(" + std::to_string(mode) + ")");
  return static_cast<VXCRESULT>(control.Get("Open", 0));
}
VX_EXPORT VXCRESULT VXC_Close() { return Plain("Close"); }
VX_EXPORT VXCRESULT VXC_Read(void* buffer, uint32_t size, uint32_t* done, uint32_t) {
  if (done) *done = 0;
  return Plain("Read");
}
VX_EXPORT VXCRESULT VXC_Write(const void*, uint32_t size, uint32_t* done, uint32_t) {
  if (done) *done = size;
  return Plain("Write");
}
VX_EXPORT VXCRESULT VXC_GetStatus(int32_t* status) {
  if (status) *status = static_cast<int32_t>(control.Get("GetStatus.status", 0));
  return Plain("GetStatus");
}
VX_EXPORT VXCRESULT VXC_Initialize() { return Plain("Initialize"); }
VX_EXPORT VXCRESULT VXC_Purge() { return Plain("Purge"); }
VX_EXPORT VXCRESULT VXC_Reset() { return Plain("Reset"); }
VX_EXPORT VXCRESULT VXC_RegisterStatusProc(VxcStatusProc proc, void* context) {
  std::scoped_lock guard(statusLock);
  statusProc = proc;
  statusContext = context;
  return Plain("RegisterStatusProc");
}
VX_EXPORT VXCRESULT VXC_UnregisterStatusProc() {
  std::scoped_lock guard(statusLock);
  statusProc = nullptr;
  statusContext = nullptr;
  return Plain("UnregisterStatusProc");
}
// Reports a status to the registered callback from another thread; false
// when nothing is registered.
VX_EXPORT bool VXCDouble_Report(int32_t status) {
  bool reported = false;
  std::thread reporter([&] {
    std::scoped_lock guard(statusLock);
    if (!statusProc) return;
    statusProc(status, statusContext);
    reported = true;
  });
  reporter.join();
  return reported;
}
VX_EXPORT VXCRESULT VXC_CommunicationTest(PrinterEntry* entry) {
  if (entry) CopyText(entry->deviceName, control.Get("CommunicationTest.sister", 1) ? L"VX-R200" : L"VX-T100");
  return Plain("CommunicationTest");
}
VX_EXPORT VXCRESULT VXC_EnumDevPort(const wchar_t*, PrinterEntry*, uint32_t, uint32_t* count) {
  if (count) *count = 0;
  return Plain("EnumDevPort");
}
VX_EXPORT VXCRESULT VXC_Backup(const wchar_t*) { return Plain("Backup"); }
VX_EXPORT VXCRESULT VXC_Restore(const wchar_t*) { return Plain("Restore"); }
VX_EXPORT VXCRESULT VXC_FileCheck(const wchar_t*) { return Plain("FileCheck"); }
VX_EXPORT VXCRESULT VXC_SetDisableOffOffline() { return Plain("SetDisableOffOffline"); }
VX_EXPORT VXCRESULT VXC_SetResponseACK(int32_t) { return Plain("SetResponseACK"); }
VX_EXPORT VXCRESULT VXC_GetDeviceName(wchar_t* buffer, uint32_t chars) {
  if (buffer && chars) buffer[0] = L'\0';
  return Plain("GetDeviceName");
}
VX_EXPORT VXCRESULT VXC_SetFlowCtrlForced(int32_t) { return Plain("SetFlowCtrlForced"); }
VX_EXPORT VXCRESULT VXC_Terminate() { return Plain("Terminate"); }
VX_EXPORT VXCRESULT VXC_GetSerialNumber(wchar_t* buffer, uint32_t chars) {
  if (buffer && chars) buffer[0] = L'\0';
  return Plain("GetSerialNumber");
}
VX_EXPORT VXCRESULT VXC_GetAccessVersion(uint32_t* version) {
  if (version) *version = 1;
  return Plain("GetAccessVersion");
}
VX_EXPORT VXCRESULT VXC_FindPort(PrinterEntry*) { return Plain("FindPort"); }
VX_EXPORT VXCRESULT VXC_RegisterDeviceStateCallback(VxcStatusProc, void*) { return Plain("RegisterDeviceStateCallback"); }
VX_EXPORT VXCRESULT VXC_UnregisterDeviceStateCallback() { return Plain("UnregisterDeviceStateCallback"); }
VX_EXPORT VXCRESULT VXC_RecoverySending() { return Plain("RecoverySending"); }
VX_EXPORT VXCRESULT VXC_ReopenPort() { return Plain("ReopenPort"); }
VX_EXPORT VXCRESULT VXC_GetFirmVersion(wchar_t* buffer, uint32_t chars) {
  if (buffer && chars) buffer[0] = L'\0';
  return Plain("GetFirmVersion");
}
VX_EXPORT VXCRESULT VXC_SetModelType(int32_t type) {
  control.Log("SetModelType(" + std::to_string(type) + ")");
  return 0;
}
VX_EXPORT VXCRESULT VXC_IsWatermarkSupported(int32_t* answer) {
  if (answer) *answer = 0;
  return Plain("IsWatermarkSupported");
}
VX_EXPORT VXCRESULT VXC_IsARPSupported(int32_t* answer) {
  if (answer) *answer = 1;
  return Plain("IsARPSupported");
}
VX_EXPORT VXCRESULT VXC_SetPortConnector(int32_t) { return Plain("SetPortConnector"); }
VX_EXPORT VXCRESULT VXC_IsSupported(int32_t function, int32_t* answer) {
  control.Log("IsSupported(" + std::to_string(function) + ")");
  if (answer) *answer = static_cast<int32_t>(control.Get("IsSupported.answer", 1));
  return static_cast<VXCRESULT>(control.Get("IsSupported", 0));
}
VX_EXPORT VXCRESULT VXC_IsPortConnectorEnabled(int32_t* answer) {
  if (answer) *answer = 0;
  return Plain("IsPortConnectorEnabled");
}
VX_EXPORT VXCRESULT VXC_GetPortName(wchar_t* buffer, uint32_t chars) {
  if (buffer && chars) buffer[0] = L'\0';
  return Plain("GetPortName");
}
VX_EXPORT VXCRESULT VXC_RegisterBatStatusProc(VxcStatusProc, void*) { return Plain("RegisterBatStatusProc"); }
VX_EXPORT VXCRESULT VXC_UnregisterBatStatusProc() { return Plain("UnregisterBatStatusProc"); }
VX_EXPORT VXCRESULT VXC_IsEnableCommand(int32_t group, uint8_t first, uint8_t second, int32_t* answer) {
  char key[64];
  std::snprintf(key, sizeof(key), "IsEnableCommand(%d,%02X,%02X)", group, first, second);
  control.Log(key);
  if (answer) *answer = static_cast<int32_t>(control.Get(std::string(key) + ".answer", 1));
  return static_cast<VXCRESULT>(control.Get("IsEnableCommand", 0));
}
VX_EXPORT VXCRESULT VXC_SetCaller(int32_t caller) {
  control.Log("SetCaller(" + std::to_string(caller) + ")");
  return 0;
}
#ifndef VX_DOUBLE_INCOMPLETE
VX_EXPORT VXCRESULT VXC_GetCaller(int32_t* caller) {
  if (caller) *caller = 0;
  return Plain("GetCaller");
}
#endif
