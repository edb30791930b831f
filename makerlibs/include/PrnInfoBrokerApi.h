#pragma once
// The printer-information library "PrnInfoBroker.dll". Every function returns
// a 32-bit integer, 1 meaning success; Initialize returns a handle (0 = failure).

#include <cstdint>

class IVXComm;

// Filled by GetPrinterInformation; the caller sets structSize to 31. Text
// fields point to zero-terminated OEM-code-page texts owned by the library.
// The fields are pointer-sized so that the texts survive in 64-bit code.
struct PrnInfoRecord {
  const char* modelName;
  intptr_t reserved1;
  const char* firmwareVersion;
  const char* serialNumber;
  const char* makerName;
  intptr_t reserved2;
  intptr_t structSize;
};

using PFN_PrnInfo_Initialize = int32_t (*)(IVXComm* comm);
using PFN_PrnInfo_Finalize = int32_t (*)(int32_t* handle);
using PFN_PrnInfo_GetPrinterInfo = int32_t (*)(int32_t handle, int32_t item, char* buffer,
                                               int32_t size, int32_t* length);
using PFN_PrnInfo_GetDeviceID = int32_t (*)(int32_t handle, int32_t* deviceId);
using PFN_PrnInfo_GetPrinterName = int32_t (*)(int32_t handle, char* buffer, int32_t size);
using PFN_PrnInfo_GetPrinterInformation = int32_t (*)(int32_t handle, PrnInfoRecord* record,
                                                      int32_t reserved);
using PFN_PrnInfo_RegisterCallback = int32_t (*)(int32_t handle, void* callback, void* context);
using PFN_PrnInfo_UnregisterCallback = int32_t (*)(int32_t handle);

constexpr int32_t kPrnInfoItemCutPosition = 114;  // "1": the cut-position page is usable
constexpr int32_t kPrnInfoItemModelVariant = 117;  // "1" served model, "0" sister model
