#include "connection/VXC.h"

#include "win/ProgramLibrary.h"

VXC::VXC() : VXC(L"VXComm.dll") {}

VXC::VXC(const wchar_t* libraryName) { Bind(libraryName); }

VXC::~VXC() { Unbind(); }

void VXC::Bind(const wchar_t* libraryName) {
  library_.reset(LoadProgramLibrary(libraryName ? libraryName : L""));
  if (!library_) return;
  bool complete = true;
#define VXC_RESOLVE(name, params)                                              \
  fn_##name = GetProc<PFN_VXC_##name>(library_.get(), "VXC_" #name);           \
  complete = complete && fn_##name != nullptr;
  VXC_EXPORT_LIST(VXC_RESOLVE)
#undef VXC_RESOLVE
  if (!complete) Unbind();
}

void VXC::Unbind() {
#define VXC_CLEAR(name, params) fn_##name = nullptr;
  VXC_EXPORT_LIST(VXC_CLEAR)
#undef VXC_CLEAR
  library_.reset();
}

VXCRESULT VXC::Read(void* buffer, uint32_t size, uint32_t* done, uint32_t timeoutMs) {
  return VXC_Read(buffer, size, done, timeoutMs);
}
VXCRESULT VXC::Write(const void* buffer, uint32_t size, uint32_t* done, uint32_t timeoutMs) {
  return VXC_Write(buffer, size, done, timeoutMs);
}
VXCRESULT VXC::Purge() { return VXC_Purge(); }
VXCRESULT VXC::SetFlowCtrlForced(int32_t forced) { return VXC_SetFlowCtrlForced(forced); }
VXCRESULT VXC::RecoverySending() { return VXC_RecoverySending(); }
VXCRESULT VXC::Open(int32_t mode) { return VXC_Open(mode); }
VXCRESULT VXC::Close() { return VXC_Close(); }
VXCRESULT VXC::GetStatus(int32_t* status) { return VXC_GetStatus(status); }
VXCRESULT VXC::Reset() { return VXC_Reset(); }
VXCRESULT VXC::SetDisableOffOffline() { return VXC_SetDisableOffOffline(); }
VXCRESULT VXC::SetResponseACK(int32_t enable) { return VXC_SetResponseACK(enable); }
