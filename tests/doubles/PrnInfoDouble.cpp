// A stand-in "PrnInfoBroker.dll": answers the name, the device id, the
// information record and items 114 and 117 as the test set them (by default
// as the served model does), and logs its calls. Built once complete and
// once without GetPrinterInfo.

#include <cstdio>
#include <cstring>

#include "makerlibs/include/PrnInfoBrokerApi.h"
#include "tests/doubles/DoubleControl.h"

namespace {
doubles::CControl control;
constexpr int32_t kHandle = 0x5A;
}  // namespace

VX_DOUBLE_CONTROL_EXPORTS(PrnInfoDouble, control)

#define VX_EXPORT extern "C" __declspec(dllexport)

VX_EXPORT int32_t Initialize(IVXComm* comm) {
  control.Log(comm ? "Initialize(comm)" : "Initialize(null)");
  return static_cast<int32_t>(control.Get("Initialize", kHandle));
}
VX_EXPORT int32_t Finalize(int32_t* handle) {
  control.Log("Finalize");
  if (handle) *handle = 0;
  return 1;
}
#ifndef VX_DOUBLE_INCOMPLETE
VX_EXPORT int32_t GetPrinterInfo(int32_t handle, int32_t item, char* buffer, int32_t size, int32_t* length) {
  control.Log("GetPrinterInfo(" + std::to_string(item) + ")");
  // The served model answers item 117 with 1 unless the test says otherwise.
  const int64_t value = control.Get("item" + std::to_string(item), item == kPrnInfoItemModelVariant ? 1 : -1);
  if (value < 0 || !buffer || size <= 0) return 0;
  std::size_t written = 0;
  if (control.Get("fillWholeBuffer", 0)) {
    // Digits to the very last byte and no terminator: a reader that does not
    // cut the answer at its buffer's end reads the final '9' and beyond.
    std::memset(buffer, '0', static_cast<std::size_t>(size));
    buffer[size - 1] = '9';
    written = static_cast<std::size_t>(size);
  } else {
    std::snprintf(buffer, static_cast<std::size_t>(size), "%lld", static_cast<long long>(value));
    written = std::strlen(buffer);
  }
  if (length) *length = static_cast<int32_t>(written);
  return static_cast<int32_t>(control.Get("GetPrinterInfo", 1));
}
#endif
VX_EXPORT int32_t GetDeviceID(int32_t handle, int32_t* deviceId) {
  control.Log("GetDeviceID");
  if (deviceId) *deviceId = static_cast<int32_t>(control.Get("deviceId", 0x25));
  return static_cast<int32_t>(control.Get("GetDeviceID", 1));
}
VX_EXPORT int32_t GetPrinterName(int32_t, char* buffer, int32_t size) {
  control.Log("GetPrinterName");
  // "name": 0 the sister model's name (what the served model reports), 1
  // empty, 2 a foreign printer, 3 a family member.
  static const char* const names[] = {"VX-R200", "", "LX-P90", "VX-R200II"};
  const int64_t which = control.Get("name", 0);
  if (buffer && size > 0) {
    std::snprintf(buffer, static_cast<std::size_t>(size), "%s", names[which >= 0 && which < 4 ? which : 0]);
  }
  return static_cast<int32_t>(control.Get("GetPrinterName", 1));
}
VX_EXPORT int32_t GetPrinterInformation(int32_t, PrnInfoRecord* record, int32_t) {
  control.Log("GetPrinterInformation");
  static const char model[] = "VX-R200";
  static const char firmware[] = "1.02 VXR";
  static const char serial[] = "D4X0012345";
  static const char maker[] = "ORVIK";
  const int32_t result = static_cast<int32_t>(control.Get("GetPrinterInformation", 1));
  if (record && result == 1) {
    record->modelName = model;
    record->firmwareVersion = firmware;
    record->serialNumber = serial;
    record->makerName = maker;
  }
  return result;
}
VX_EXPORT int32_t RegisterCallback(int32_t, void*, void*) { return 1; }
VX_EXPORT int32_t UnregisterCallback(int32_t) { return 1; }
