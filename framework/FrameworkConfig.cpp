#include "framework/FrameworkConfig.h"

#include "framework/EngineBinding.h"

HINSTANCE FrameworkModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&FrameworkModule), &module);
  return module;
}

EngineBinding& FrameworkEngine() {
  static EngineBinding binding;
  return binding;
}
