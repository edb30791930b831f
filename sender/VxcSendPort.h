#pragma once
// A printer's port for the sender: an entry of the communication library's
// port list, opened and closed through VXComm.dll, its model variant asked
// through the printer-information library as the printer selection asks it.

#include <windows.h>

#include "connection/VXC.h"
#include "framework/UtilitySettings.h"
#include "makerlibs/common/CommChannel.h"
#include "sender/SendFlow.h"

class CVxcSendPort : public sender::ISendPort {
public:
  CVxcSendPort(VXC& comm, const PrinterEntry& entry) : comm_(comm), entry_(entry), channel_(&comm) {}

  sender::OpenResult Open() override;
  void Close() override;
  vxproto::IByteChannel& Channel() override { return channel_; }
  int32_t ModelVariant() override;
  uint64_t NowMs() override { return GetTickCount64(); }
  void Wait(uint32_t ms) override { Sleep(ms); }

private:
  VXC& comm_;
  PrinterEntry entry_;
  CCommChannel channel_;
};
