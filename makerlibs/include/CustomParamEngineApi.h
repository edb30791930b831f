#pragma once
// The customized-value engine "CustomParamEngine.dll", imported by ordinal
// only (2 to 7). Results: 1 success; Open returns a handle (0 = failure).

#include <cstdint>

#include "makerlibs/include/CustomParamRecord.h"

class IVXComm;

using CustomParamProgress = void (*)(int32_t percent, void* context);

extern "C" {
int32_t __cdecl CPE_Open(IVXComm* comm);                                                    // ordinal 2
int32_t __cdecl CPE_Close(int32_t* handle);                                                 // ordinal 3
int32_t __cdecl CPE_SetCallback(int32_t handle, CustomParamProgress callback, void* context);  // ordinal 4
int32_t __cdecl CPE_ClearCallback(int32_t handle);                                          // ordinal 5
int32_t __cdecl CPE_Get(int32_t handle, CustomParamRecord* record);                          // ordinal 6
int32_t __cdecl CPE_Set(int32_t handle, const CustomParamRecord* record);                    // ordinal 7
}
