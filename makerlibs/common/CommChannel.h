#pragma once
// The communication object seen as a byte channel by the printer talk of our
// other libraries: what they send and read goes through its Write and Read.

#include "makerlibs/include/IVXComm.h"
#include "makerlibs/protocol/PrinterProtocol.h"

class CCommChannel : public vxproto::IByteChannel {
public:
  explicit CCommChannel(IVXComm* comm) : comm_(comm) {}
  bool Write(const vxproto::Bytes& bytes, uint32_t timeoutMs) override {
    uint32_t done = 0;
    return comm_ && comm_->Write(bytes.data(), static_cast<uint32_t>(bytes.size()), &done, timeoutMs) == kVxcOk &&
           done == bytes.size();
  }
  int Read(uint8_t* buffer, std::size_t size, uint32_t timeoutMs) override {
    if (!comm_) return -1;
    uint32_t done = 0;
    const VXCRESULT r = comm_->Read(buffer, static_cast<uint32_t>(size), &done, timeoutMs);
    if (r == kVxcOk) return static_cast<int>(done);
    return r == kVxcTimeout ? 0 : -1;
  }
  void Purge() override {
    if (comm_) (void)comm_->Purge();
  }

private:
  IVXComm* comm_;
};
