#pragma once
// The device-information engine "ModelDataEngine.dll": named values about the
// connected printer model. Functions return 1 on success; Initialize returns
// a handle (0 = failure). Keys are byte strings given with their length, not
// terminated. docs/model-data-keys.md lists the keys.

#include <cstdint>

class IVXComm;

// Progress while Load asks the printer: percent 0..100 and the context given.
using ModelDataProgress = void (*)(int32_t percent, void* context);

using PFN_MDE_Initialize = int32_t (*)(IVXComm* comm);
using PFN_MDE_Finalize = int32_t (*)(int32_t* handle);
using PFN_MDE_RegisterCallback = int32_t (*)(int32_t handle, ModelDataProgress callback, void* context);
using PFN_MDE_UnregisterCallback = int32_t (*)(int32_t handle);
using PFN_MDE_Load = int32_t (*)(int32_t handle);
using PFN_MDE_GetValueLength = int32_t (*)(int32_t handle, const char* key, int32_t keyLength, int32_t* length);
using PFN_MDE_GetValueString = int32_t (*)(int32_t handle, const char* key, int32_t keyLength, char* buffer,
                                           int32_t length);
using PFN_MDE_GetValueInt = int32_t (*)(int32_t handle, const char* key, int32_t keyLength, int32_t* value);

constexpr int32_t kMdeOk = 1;
constexpr int32_t kMdeBadHandle = -1;
constexpr int32_t kMdeUnknownKey = -2;
constexpr int32_t kMdeNoAnswer = -3;    // the printer did not answer Load
constexpr int32_t kMdeTooSmall = -4;    // the buffer is shorter than the value
constexpr int32_t kMdeWrongType = -5;   // a text asked as a number or the other way
constexpr int32_t kMdeBadArgument = -6;
