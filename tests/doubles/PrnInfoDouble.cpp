// A stand-in "PrnInfoBroker.dll": answers items 114 and 117 and the device id
// as the test set them, and logs its calls. Built once complete and once
// without GetPrinterInfo.

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
  const int64_t value = control.Get("item" + std::to_string(item), -1);
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
  if (buffer && size > 0) std::snprintf(buffer, static_cast<std::size_t>(size), "VX-R500");
  return 1;
}
VX_EXPORT int32_t GetPrinterInformation(int32_t, PrnInfoRecord* record, int32_t) {
  static const char model[] = "VX-R500";
  if (record) record->modelName = model;
  return 1;
}
VX_EXPORT int32_t RegisterCallback(int32_t, void*, void*) { return 1; }
VX_EXPORT int32_t UnregisterCallback(int32_t) { return 1; }
