#include "makerlibs/common/Transport.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace {

class CSocketLink : public CLink {
public:
  explicit CSocketLink(SOCKET s) : s_(s) {
    // Non-blocking: a write waits for room only as long as its time-out,
    // so a printer that stops reading cannot hold a writer for ever.
    u_long on = 1;
    ioctlsocket(s, FIONBIO, &on);
  }
  ~CSocketLink() override { Abort(); }
  int Read(uint8_t* buffer, std::size_t size, DWORD timeoutMs) override {
    if (s_ == INVALID_SOCKET) return -1;
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s_, &set);
    timeval tv{static_cast<long>(timeoutMs / 1000), static_cast<long>((timeoutMs % 1000) * 1000)};
    const int ready = select(0, &set, nullptr, nullptr, &tv);
    if (ready == 0) return 0;
    if (ready < 0) return -1;
    const int n = recv(s_, reinterpret_cast<char*>(buffer), static_cast<int>(size), 0);
    if (n == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) return 0;
    return n > 0 ? n : -1;
  }
  bool Write(const uint8_t* data, std::size_t size, DWORD timeoutMs) override {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    std::size_t sent = 0;
    while (sent < size) {
      const SOCKET s = s_;
      if (s == INVALID_SOCKET) return false;
      const ULONGLONG now = GetTickCount64();
      if (now >= deadline) return false;
      const auto left = static_cast<long>(deadline - now);
      fd_set set;
      FD_ZERO(&set);
      FD_SET(s, &set);
      timeval tv{left / 1000, (left % 1000) * 1000};
      const int ready = select(0, nullptr, &set, nullptr, &tv);
      if (ready < 0) return false;
      if (ready == 0) continue;  // no room yet: the deadline decides
      const int n = send(s, reinterpret_cast<const char*>(data + sent), static_cast<int>(size - sent), 0);
      if (n == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) continue;
      if (n <= 0) return false;
      sent += static_cast<std::size_t>(n);
    }
    return true;
  }
  bool PeerGone() override {
    const SOCKET s = s_;
    if (s == INVALID_SOCKET) return true;
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval none{0, 0};
    const int ready = select(0, &set, nullptr, nullptr, &none);
    if (ready < 0) return true;
    if (ready == 0) return false;
    char byte = 0;
    // Readable with nothing to read: the peer closed its end.
    return recv(s, &byte, 1, MSG_PEEK) <= 0 && WSAGetLastError() != WSAEWOULDBLOCK;
  }
  void Abort() override {
    const SOCKET s = s_;
    s_ = INVALID_SOCKET;
    if (s == INVALID_SOCKET) return;
    linger l{1, 0};  // a reset, not a polite close: the peer learns at once
    setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&l), sizeof(l));
    closesocket(s);
  }

private:
  std::atomic<SOCKET> s_;
};

// Overlapped I/O so that a read can wait with a time-out while another
// thread writes.
class CPipeLink : public CLink {
public:
  explicit CPipeLink(HANDLE h) : h_(h) {
    readEvent_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    writeEvent_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  }
  ~CPipeLink() override {
    Abort();
    CloseHandle(h_);
    CloseHandle(readEvent_);
    CloseHandle(writeEvent_);
  }
  int Read(uint8_t* buffer, std::size_t size, DWORD timeoutMs) override {
    if (closed_) return -1;
    OVERLAPPED ov{};
    ov.hEvent = readEvent_;
    ResetEvent(readEvent_);
    DWORD got = 0;
    if (ReadFile(h_, buffer, static_cast<DWORD>(size), &got, &ov)) return got > 0 ? static_cast<int>(got) : 0;
    const DWORD error = GetLastError();
    if (error != ERROR_IO_PENDING) return -1;
    if (WaitForSingleObject(readEvent_, timeoutMs) != WAIT_OBJECT_0) {
      CancelIo(h_);
      if (GetOverlappedResult(h_, &ov, &got, TRUE) && got > 0) return static_cast<int>(got);
      return closed_ ? -1 : 0;
    }
    if (!GetOverlappedResult(h_, &ov, &got, FALSE)) return -1;
    return static_cast<int>(got);
  }
  bool Write(const uint8_t* data, std::size_t size, DWORD timeoutMs) override {
    if (closed_) return false;
    std::scoped_lock guard(writeLock_);
    OVERLAPPED ov{};
    ov.hEvent = writeEvent_;
    ResetEvent(writeEvent_);
    DWORD done = 0;
    if (!WriteFile(h_, data, static_cast<DWORD>(size), &done, &ov)) {
      if (GetLastError() != ERROR_IO_PENDING) return false;
      if (WaitForSingleObject(writeEvent_, timeoutMs) != WAIT_OBJECT_0) {
        CancelIo(h_);
        GetOverlappedResult(h_, &ov, &done, TRUE);
        return false;
      }
      if (!GetOverlappedResult(h_, &ov, &done, FALSE)) return false;
    }
    return done == size;
  }
  bool PeerGone() override {
    if (closed_) return true;
    DWORD available = 0;
    if (PeekNamedPipe(h_, nullptr, 0, nullptr, &available, nullptr)) return false;
    const DWORD error = GetLastError();
    return error == ERROR_BROKEN_PIPE || error == ERROR_PIPE_NOT_CONNECTED || error == ERROR_NO_DATA;
  }
  void Abort() override {
    if (closed_.exchange(true)) return;
    // Ends pending reads on every thread; the handle itself stays valid for
    // them until the link is destroyed.
    DisconnectNamedPipe(h_);
    CancelIoEx(h_, nullptr);
  }

private:
  HANDLE h_;
  HANDLE readEvent_ = nullptr;
  HANDLE writeEvent_ = nullptr;
  std::mutex writeLock_;
  std::atomic<bool> closed_{false};
};

// A serial line, or a device that is not one (a parallel port: no line
// settings, no mark on its bytes, time-outs where the device takes them).
// Synchronous I/O, one call at a time, each with the time-outs it needs.
class CSerialLink : public CLink {
public:
  CSerialLink(HANDLE h, std::optional<vxproto::LineSettings> line)
      : h_(h), key_(line ? vxproto::LineKey(*line) : 0), line_(line) {}
  ~CSerialLink() override {
    Abort();
    CloseNow();
  }
  int Read(uint8_t* buffer, std::size_t size, DWORD timeoutMs) override {
    std::scoped_lock guard(ioLock_);
    if (closed_) return -1;
    // Back as soon as one byte came, or after the time-out.
    if (!SetTimeouts({MAXDWORD, MAXDWORD, timeoutMs ? timeoutMs : 1, 0, 0})) return -1;
    DWORD got = 0;
    const bool read = ReadFile(h_, buffer, static_cast<DWORD>(size), &got, nullptr);
    if (EndedByAbort() || !read) return -1;
    for (DWORD i = 0; i < got; ++i) buffer[i] ^= key_;
    return static_cast<int>(got);
  }
  bool Write(const uint8_t* data, std::size_t size, DWORD timeoutMs) override {
    std::scoped_lock guard(ioLock_);
    if (closed_) return false;
    std::vector<uint8_t> marked(data, data + size);
    for (auto& b : marked) b ^= key_;
    const ULONGLONG deadline =
        GetTickCount64() + (line_ ? vxproto::SerialWriteTimeoutMs(timeoutMs, size, *line_) : timeoutMs);
    // In slices that each end within kSliceMs, having written what the line
    // took: a close is seen between them however long the whole write may
    // take, as the system does not cancel a synchronous write everywhere.
    for (std::size_t sent = 0; sent < size;) {
      const ULONGLONG now = GetTickCount64();
      if (now >= deadline) return false;
      const auto slice = static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, kSliceMs));
      if (!SetTimeouts({MAXDWORD, MAXDWORD, 1, 0, slice})) return false;
      DWORD done = 0;
      const bool written = WriteFile(h_, marked.data() + sent, static_cast<DWORD>(size - sent), &done, nullptr);
      if (EndedByAbort() || !written) return false;
      sent += done;
      if (!line_) return sent == size;  // a device with time-outs of its own: one call
    }
    return true;
  }
  void Abort() override {
    {
      std::scoped_lock state(stateLock_);
      if (closed_.exchange(true) || h_ == INVALID_HANDLE_VALUE) return;
      // Ends a read or a write waiting on the line, on any thread: a close
      // never waits for a printer that stopped taking bytes.
      CancelIoEx(h_, nullptr);
      if (line_) PurgeComm(h_, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    }
    // Closed now when no call uses the handle; else by that call as it ends.
    if (ioLock_.try_lock()) {
      CloseNow();
      ioLock_.unlock();
    }
  }

private:
  static constexpr DWORD kSliceMs = 250;
  // A serial line must take its time-outs; another device keeps its own.
  bool SetTimeouts(COMMTIMEOUTS t) { return SetCommTimeouts(h_, &t) || !line_; }
  // Called with ioLock_ held, after the call returned.
  bool EndedByAbort() {
    if (!closed_) return false;
    CloseNow();
    return true;
  }
  void CloseNow() {
    std::scoped_lock state(stateLock_);
    if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
  }

  HANDLE h_;
  uint8_t key_;        // the line settings' mark on every byte (vxproto::LineKey)
  std::optional<vxproto::LineSettings> line_;
  std::mutex ioLock_;  // a synchronous handle serialises its I/O anyway
  std::mutex stateLock_;  // the handle's closing against a cancel
  std::atomic<bool> closed_{false};
};

std::string Narrow(const std::wstring& w) {
  std::string s;
  for (wchar_t c : w) s.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return s;
}

std::unique_ptr<CLink> ConnectTcp(const vxproto::Endpoint& e, ConnectResult* result, DWORD timeoutMs) {
  *result = ConnectResult::Failed;
  if (!StartWinsock()) return nullptr;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(Narrow(e.address).c_str(), std::to_string(e.port).c_str(), &hints, &found) != 0 || !found) {
    return nullptr;
  }
  SOCKET s = socket(found->ai_family, found->ai_socktype, found->ai_protocol);
  if (s == INVALID_SOCKET) {
    freeaddrinfo(found);
    return nullptr;
  }
  u_long nonBlocking = 1;
  ioctlsocket(s, FIONBIO, &nonBlocking);
  int rc = connect(s, found->ai_addr, static_cast<int>(found->ai_addrlen));
  freeaddrinfo(found);
  if (rc != 0 && WSAGetLastError() == WSAEWOULDBLOCK) {
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(s, &writable);
    FD_SET(s, &failed);
    timeval tv{static_cast<long>(timeoutMs / 1000), static_cast<long>((timeoutMs % 1000) * 1000)};
    rc = select(0, nullptr, &writable, &failed, &tv) == 1 && FD_ISSET(s, &writable) ? 0 : -1;
    int error = 0;
    int length = sizeof(error);
    if (rc == 0 && (getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0 || error)) rc = -1;
  }
  if (rc != 0) {
    closesocket(s);
    return nullptr;
  }
  nonBlocking = 0;
  ioctlsocket(s, FIONBIO, &nonBlocking);
  BOOL noDelay = TRUE;  // replies are a few bytes: no waiting to fill a segment
  setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof(noDelay));
  *result = ConnectResult::Ok;
  return MakeSocketLink(s);
}

std::unique_ptr<CLink> ConnectPipe(const vxproto::Endpoint& e, ConnectResult* result, DWORD timeoutMs) {
  *result = ConnectResult::Failed;
  for (int attempt = 0; attempt < 2; ++attempt) {
    HANDLE h = CreateFileW(e.address.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_OVERLAPPED, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      *result = ConnectResult::Ok;
      return MakePipeLink(h);
    }
    const DWORD error = GetLastError();
    if (error != ERROR_PIPE_BUSY) return nullptr;
    // Every instance taken: another client holds the printer, unless the
    // server is just between two clients.
    *result = ConnectResult::InUse;
    if (!WaitNamedPipeW(e.address.c_str(), std::min<DWORD>(timeoutMs, 300))) return nullptr;
  }
  return nullptr;
}

std::unique_ptr<CLink> ConnectDevice(const vxproto::Endpoint& e, ConnectResult* result) {
  *result = ConnectResult::Failed;
  HANDLE h = CreateFileW(e.address.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION) *result = ConnectResult::InUse;
    return nullptr;
  }
  if (!e.serial) {
    *result = ConnectResult::Ok;
    return std::make_unique<CSerialLink>(h, std::nullopt);
  }
  // A line at the wrong speed, or with no time-outs (a write that never
  // ends), is no connection.
  if (!PrepareSerialLine(h, e.line)) {
    CloseHandle(h);
    return nullptr;
  }
  *result = ConnectResult::Ok;
  return MakeSerialLink(h, e.line);
}

}  // namespace

bool StartWinsock() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}

std::unique_ptr<CLink> MakeSocketLink(SOCKET s) { return std::make_unique<CSocketLink>(s); }
std::unique_ptr<CLink> MakePipeLink(HANDLE h) { return std::make_unique<CPipeLink>(h); }
std::unique_ptr<CLink> MakeSerialLink(HANDLE h, const vxproto::LineSettings& line) {
  return std::make_unique<CSerialLink>(h, line);
}

bool ApplyLineSettings(HANDLE device, const vxproto::LineSettings& line) {
  DCB dcb{};
  dcb.DCBlength = sizeof(dcb);
  if (!GetCommState(device, &dcb)) return false;
  dcb.BaudRate = line.baud;
  dcb.ByteSize = line.bits;
  dcb.Parity = line.parity;
  dcb.fParity = line.parity != NOPARITY;
  dcb.StopBits = ONESTOPBIT;
  dcb.fBinary = TRUE;
  return SetCommState(device, &dcb) != FALSE;
}

bool PrepareSerialLine(HANDLE device, const vxproto::LineSettings& line) {
  COMMTIMEOUTS t{MAXDWORD, 0, 0, 0, 2000};  // reads return at once until a call sets its own
  return ApplyLineSettings(device, line) && SetCommTimeouts(device, &t);
}

std::unique_ptr<CLink> ConnectEndpoint(const vxproto::Endpoint& e, ConnectResult* result, DWORD timeoutMs) {
  ConnectResult ignored;
  if (!result) result = &ignored;
  switch (e.kind) {
    case vxproto::Endpoint::Kind::Tcp: return ConnectTcp(e, result, timeoutMs);
    case vxproto::Endpoint::Kind::Pipe: return ConnectPipe(e, result, timeoutMs);
    case vxproto::Endpoint::Kind::Device: return ConnectDevice(e, result);
  }
  *result = ConnectResult::Failed;
  return nullptr;
}
