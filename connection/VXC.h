#pragma once
// The utility's one communication object: binds "VXComm.dll" by plain name and
// forwards each call to the export of the same name. Unbound (library or any
// export missing), every call answers kVxcNotBound and the utility runs
// without a printer.

#include <windows.h>

#include "makerlibs/include/IVXComm.h"
#include "win/Handles.h"

class VXC : public IVXComm {
public:
  VXC();
  explicit VXC(const wchar_t* libraryName);
  ~VXC() override;
  VXC(const VXC&) = delete;
  VXC& operator=(const VXC&) = delete;

  bool IsLoaded() const { return library_.get() != nullptr; }

  // IVXComm
  VXCRESULT Read(void* buffer, uint32_t size, uint32_t* done, uint32_t timeoutMs) override;
  VXCRESULT Write(const void* buffer, uint32_t size, uint32_t* done, uint32_t timeoutMs) override;
  VXCRESULT Purge() override;
  VXCRESULT SetFlowCtrlForced(int32_t forced) override;
  VXCRESULT RecoverySending() override;

  virtual VXCRESULT Open(int32_t mode);
  virtual VXCRESULT Close();
  virtual VXCRESULT GetStatus(int32_t* status);
  virtual VXCRESULT Reset();
  virtual VXCRESULT SetDisableOffOffline();
  virtual VXCRESULT SetResponseACK(int32_t enable);

  // Every export, by its own name: VXC_EnumPort(...) calls "VXC_EnumPort".
#define VXC_DECLARE_CALL(name, params) template <class... A> VXCRESULT VXC_##name(A... args) { \
    return fn_##name ? fn_##name(args...) : kVxcNotBound; }
  VXC_EXPORT_LIST(VXC_DECLARE_CALL)
#undef VXC_DECLARE_CALL

private:
  void Bind(const wchar_t* libraryName);
  void Unbind();

  CModule library_;
#define VXC_DECLARE_SLOT(name, params) PFN_VXC_##name fn_##name = nullptr;
  VXC_EXPORT_LIST(VXC_DECLARE_SLOT)
#undef VXC_DECLARE_SLOT
};
