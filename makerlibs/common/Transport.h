#pragma once
// Byte links over the transports a printer is reached by: TCP, named pipes
// (the USB and port-monitor ports) and serial devices. The communication
// library opens them as a client; the emulator accepts them as a server.

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "makerlibs/protocol/PortRegistry.h"

class CLink {
public:
  virtual ~CLink() = default;
  // Bytes read (at least 1), 0 on time-out, -1 when the link is gone.
  virtual int Read(uint8_t* buffer, std::size_t size, DWORD timeoutMs) = 0;
  virtual bool Write(const uint8_t* data, std::size_t size, DWORD timeoutMs) = 0;
  // Ends the link at once; a drop the peer sees as a reset where it can.
  virtual void Abort() = 0;
  // Has the other end already closed? Answered at once, without reading.
  virtual bool PeerGone() { return false; }
};

bool StartWinsock();

std::unique_ptr<CLink> MakeSocketLink(SOCKET s);
std::unique_ptr<CLink> MakePipeLink(HANDLE overlappedPipe);
// A prepared serial line (PrepareSerialLine). Every byte carries the mark of
// the line's settings (vxproto::LineKey); a write's time-out grows with its
// length at the line's speed; Abort ends a call that waits on the line.
std::unique_ptr<CLink> MakeSerialLink(HANDLE device, const vxproto::LineSettings& line);
// Sets a serial device's baud rate, parity and data bits (one stop bit).
bool ApplyLineSettings(HANDLE device, const vxproto::LineSettings& line);
// The line settings and time-outs every serial open needs; false when the
// device refuses either (the caller closes it).
bool PrepareSerialLine(HANDLE device, const vxproto::LineSettings& line);

enum class ConnectResult { Ok, InUse, Failed };
std::unique_ptr<CLink> ConnectEndpoint(const vxproto::Endpoint& endpoint, ConnectResult* result,
                                       DWORD timeoutMs = 2000);
