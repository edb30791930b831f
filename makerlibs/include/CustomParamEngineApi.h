#pragma once
// The customized-value engine "CustomParamEngine.dll", imported by ordinal
// only (2 to 7). Results: 1 success; Open returns a handle (0 = failure).

#include <cstddef>
#include <cstdint>

class IVXComm;

// 76 bytes, little-endian, zero-filled by the caller before each use.
struct CustomParamRecord {
  uint32_t selector;      // kCutPositionSelector for the cut-position amounts
  uint8_t reserved[68];
  uint16_t forward;       // customized value 116
  uint16_t backward;      // customized value 117
};
static_assert(sizeof(CustomParamRecord) == 76);
static_assert(offsetof(CustomParamRecord, forward) == 72);
static_assert(offsetof(CustomParamRecord, backward) == 74);

constexpr uint32_t kCutPositionSelector = 0x3000;

using CustomParamProgress = void (*)(int32_t percent, void* context);

extern "C" {
int32_t __cdecl CPE_Open(IVXComm* comm);                                                    // ordinal 2
int32_t __cdecl CPE_Close(int32_t* handle);                                                 // ordinal 3
int32_t __cdecl CPE_SetCallback(int32_t handle, CustomParamProgress callback, void* context);  // ordinal 4
int32_t __cdecl CPE_ClearCallback(int32_t handle);                                          // ordinal 5
int32_t __cdecl CPE_Get(int32_t handle, CustomParamRecord* record);                          // ordinal 6
int32_t __cdecl CPE_Set(int32_t handle, const CustomParamRecord* record);                    // ordinal 7
}

constexpr int32_t kCpeOk = 1;
constexpr int32_t kCpeBadHandle = -1;
constexpr int32_t kCpeBadArgument = -2;
constexpr int32_t kCpeUnknownSelector = -3;
constexpr int32_t kCpeNoAnswer = -4;     // the printer did not answer
constexpr int32_t kCpeOutOfRange = -5;   // an amount beyond the printer's limits
