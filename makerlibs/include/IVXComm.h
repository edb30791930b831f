#pragma once
// The communication object the utility lends to the maker's other libraries.
// Its virtual slots are an interface between separately built modules: the
// order below is fixed.

#include <cstdint>

#include "makerlibs/include/VXCommApi.h"

class IVXComm {
public:
  virtual ~IVXComm() = default;
  virtual VXCRESULT Read(void* buffer, uint32_t size, uint32_t* done, uint32_t timeoutMs) = 0;
  virtual VXCRESULT Write(const void* buffer, uint32_t size, uint32_t* done, uint32_t timeoutMs) = 0;
  virtual VXCRESULT Purge() = 0;
  virtual VXCRESULT SetFlowCtrlForced(int32_t forced) = 0;
  virtual VXCRESULT RecoverySending() = 0;
};
