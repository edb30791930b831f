#pragma once
// The customized-value engine as the framework's plug-in build uses it. The
// plug-in links the engine library by ordinal and hands the framework these
// entry points, so the framework itself does not depend on the library.

#include <cstdint>

class IVXComm;

using EngineProgressCallback = void (*)(int32_t progress, void* context);

struct EngineBinding {
  int32_t (*open)(IVXComm* comm) = nullptr;                                          // ordinal 2
  int32_t (*close)(int32_t* handle) = nullptr;                                      // ordinal 3
  int32_t (*registerProgress)(int32_t handle, EngineProgressCallback, void*) = nullptr;  // ordinal 4
  int32_t (*unregisterProgress)(int32_t handle) = nullptr;                           // ordinal 5
};

// Set by the plug-in before its controller is initialised; empty in the utility.
EngineBinding& FrameworkEngine();
