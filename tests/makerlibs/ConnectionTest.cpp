// One connection of the communication library against a scripted printer on
// a local TCP port: what it keeps for a caller that does not read, what it
// sends by itself during a user-setting exchange, and when a link that ends
// at once means another client holds the printer.

#include "makerlibs/vxcomm/Connection.h"

#include "emulator/Emulator.h"

#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using vxproto::Bytes;

// A printer that is a script: for each accepted connection (numbered from
// 0) the script gets the socket; everything the printer heard is kept.
class CScriptedPrinter {
public:
  using Script = std::function<void(int connection, SOCKET s, CScriptedPrinter& self)>;

  explicit CScriptedPrinter(Script script) : script_(std::move(script)) {
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in at = {};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener_, reinterpret_cast<sockaddr*>(&at), sizeof(at));
    listen(listener_, 8);
    int length = sizeof(at);
    getsockname(listener_, reinterpret_cast<sockaddr*>(&at), &length);
    port_ = ntohs(at.sin_port);
    thread_ = std::thread([this] { Accept(); });
  }
  ~CScriptedPrinter() {
    stop_ = true;
    closesocket(listener_);
    thread_.join();
    for (auto& t : sessions_) t.join();
    WSACleanup();
  }
  uint16_t Port() const { return port_; }
  // Reads what comes within the time, keeping it; the bytes read (empty on
  // time-out), or nothing more once the peer is gone.
  Bytes Hear(SOCKET s, DWORD timeoutMs) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval tv{static_cast<long>(timeoutMs / 1000), static_cast<long>(timeoutMs % 1000) * 1000};
    if (select(0, &set, nullptr, nullptr, &tv) != 1) return {};
    uint8_t buffer[512];
    const int n = recv(s, reinterpret_cast<char*>(buffer), sizeof(buffer), 0);
    if (n <= 0) {
      gone_ = true;
      return {};
    }
    std::scoped_lock guard(lock_);
    heard_.insert(heard_.end(), buffer, buffer + n);
    return Bytes(buffer, buffer + n);
  }
  static void Say(SOCKET s, const Bytes& bytes) {
    send(s, reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()), 0);
  }
  Bytes Heard() const {
    std::scoped_lock guard(lock_);
    return heard_;
  }
  bool stopping() const { return stop_ || gone_; }
  int Connections() const { return connections_; }

private:
  void Accept() {
    while (!stop_) {
      SOCKET s = accept(listener_, nullptr, nullptr);
      if (s == INVALID_SOCKET) return;
      const int number = connections_++;
      sessions_.emplace_back([this, s, number] {
        script_(number, s, *this);
        closesocket(s);
      });
    }
  }

  Script script_;
  SOCKET listener_ = INVALID_SOCKET;
  uint16_t port_ = 0;
  std::thread thread_;
  std::vector<std::thread> sessions_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> gone_{false};
  std::atomic<int> connections_{0};
  mutable std::mutex lock_;
  Bytes heard_;
};

const Bytes kStatusBlock = {0x14, 0x00, 0x00, 0x0F};  // automatic status: all clear

vxproto::Endpoint At(uint16_t port) {
  vxproto::Endpoint e{vxproto::Endpoint::Kind::Tcp, L"127.0.0.1", port};
  return e;
}

// Polls until the condition holds (up to 10 s).
template <class Condition>
bool WaitFor(Condition condition) {
  for (int i = 0; i < 500; ++i) {
    if (condition()) return true;
    Sleep(20);
  }
  return condition();
}

bool Contains(const Bytes& haystack, const Bytes& needle) {
  return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

}  // namespace

TEST(Connection, RepliesNobodyReadsStayBounded) {
  // catches: a reply queue that grows for as long as the printer talks
  constexpr std::size_t kSent = 4 * kMaxPendingReplies;
  CScriptedPrinter printer([](int, SOCKET s, CScriptedPrinter& self) {
    // Text replies ("_...\0") of 64 bytes each: replies, not status.
    Bytes reply(64, 'x');
    reply.front() = 0x5F;
    reply.back() = 0x00;
    for (std::size_t sent = 0; sent < kSent; sent += reply.size()) CScriptedPrinter::Say(s, reply);
    shutdown(s, SD_SEND);  // the line's end comes after the last reply
    while (!self.stopping()) self.Hear(s, 100);
  });
  CConnection connection(At(printer.Port()), false);
  ASSERT_EQ(connection.Open(false), kVxcOk);
  // Everything arrives and nobody reads, however slow the machine: the
  // connection sees the line's end only after the last reply.
  ASSERT_TRUE(WaitFor([&] { return !connection.Connected(); }));
  std::vector<uint8_t> buffer(kSent);
  std::size_t total = 0;
  uint32_t done = 0;
  while (connection.Read(buffer.data(), static_cast<uint32_t>(buffer.size()), &done, 200) == kVxcOk) total += done;
  EXPECT_GT(total, 0u);
  EXPECT_LE(total, kMaxPendingReplies);
  connection.Close();
}

TEST(Connection, NothingCutsIntoAUserSettingExchange) {
  // catches: the idle poll or the automatic-status re-enable sent while a
  // slow printer works on a user-setting command, and the exchange then
  // reported as a printer not answering
  CScriptedPrinter printer([](int, SOCKET s, CScriptedPrinter& self) {
    Bytes heard;
    while (!self.stopping()) {
      const Bytes got = self.Hear(s, 50);
      heard.insert(heard.end(), got.begin(), got.end());
      if (Contains(got, {0x1D, 0x61})) CScriptedPrinter::Say(s, kStatusBlock);
      if (Contains(got, {0x10, 0x04, 0x01})) CScriptedPrinter::Say(s, {0x16});
      if (Contains(heard, vxproto::EnterUserSettingCommand())) {
        heard.clear();
        Sleep(3000);  // a slow printer at work
        CScriptedPrinter::Say(s, {0x37, 0x20, 0x00});
      }
    }
  });
  ConnectionTiming quick;
  quick.silenceMs = 200;
  quick.answerMs = 300;
  CConnection connection(At(printer.Port()), true, quick);
  std::vector<int32_t> statuses;
  std::mutex statusLock;
  connection.SetStatusSink([&](int32_t status) {
    std::scoped_lock guard(statusLock);
    statuses.push_back(status);
  });
  ASSERT_EQ(connection.Open(true), kVxcOk);
  Sleep(600);  // idle: the poll goes out
  const std::size_t before = printer.Heard().size();
  {
    std::scoped_lock guard(statusLock);
    statuses.clear();
  }
  const Bytes enter = vxproto::EnterUserSettingCommand();
  uint32_t done = 0;
  ASSERT_EQ(connection.Write(enter.data(), static_cast<uint32_t>(enter.size()), &done, 1000), kVxcOk);
  uint8_t reply[3] = {};
  ASSERT_EQ(connection.Read(reply, 3, &done, 5000), kVxcOk);
  EXPECT_EQ(done, 3u);
  Sleep(300);  // whatever was sent meanwhile reaches the printer's ears
  const Bytes all = printer.Heard();
  const Bytes during(all.begin() + static_cast<std::ptrdiff_t>(before), all.end());
  EXPECT_EQ(during, enter) << "the printer heard only the caller while it worked";
  {
    std::scoped_lock guard(statusLock);
    EXPECT_EQ(std::count(statuses.begin(), statuses.end(), vxproto::kStatusNoAnswer), 0);
  }
  const Bytes leave = vxproto::LeaveUserSettingCommand();
  ASSERT_EQ(connection.Write(leave.data(), static_cast<uint32_t>(leave.size()), &done, 1000), kVxcOk);
  const std::size_t afterLeave = printer.Heard().size();
  Sleep(800);
  const Bytes later = printer.Heard();
  const Bytes after(later.begin() + static_cast<std::ptrdiff_t>(afterLeave), later.end());
  EXPECT_TRUE(Contains(after, {0x10, 0x04, 0x01})) << "idle polls again once the mode is left";
  connection.Close();
}

TEST(Connection, OnlyARefusalThatLastsIsAnotherClient) {
  // catches: a printer that dropped the line once at start-up reported as
  // "in use by another application"
  const struct {
    const char* name;
    int refusedLinks;  // links ended at once before the printer serves
    VXCRESULT result;
  } cases[] = {
      {"dropped once", 1, kVxcOk},
      {"dropped twice", 2, kVxcOk},
      {"held by another client", 1000, kVxcPortInUse},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CScriptedPrinter printer([&c](int connection, SOCKET s, CScriptedPrinter& self) {
      if (connection < c.refusedLinks) return;  // the door shut at once
      while (!self.stopping()) {
        if (Contains(self.Hear(s, 50), {0x1D, 0x61})) CScriptedPrinter::Say(s, kStatusBlock);
      }
    });
    CConnection connection(At(printer.Port()), true);
    EXPECT_EQ(connection.Open(true), c.result);
    EXPECT_LE(printer.Connections(), kRefusalAttempts);
    connection.Close();
  }
}

TEST(Connection, AWriteToAPrinterThatStopsReadingEndsInItsTime) {
  // catches: a write (and the Close after it) waiting for ever on a printer
  // that takes no more data
  CScriptedPrinter printer([](int, SOCKET, CScriptedPrinter& self) {
    while (!self.stopping()) Sleep(50);  // connected, never reading
  });
  CConnection connection(At(printer.Port()), false);
  ASSERT_EQ(connection.Open(false), kVxcOk);
  const std::vector<uint8_t> data(64 * 1024 * 1024, 0x20);
  uint32_t done = 0;
  const ULONGLONG started = GetTickCount64();
  EXPECT_NE(connection.Write(data.data(), static_cast<uint32_t>(data.size()), &done, 1000), kVxcOk);
  const ULONGLONG wrote = GetTickCount64() - started;
  EXPECT_LT(wrote, 3000u) << "the write's time-out is 1000 ms";
  EXPECT_EQ(done, 0u);
  connection.Close();
  EXPECT_LT(GetTickCount64() - started - wrote, 3000u) << "and Close follows at once";
}

TEST(EmulatorBounds, SessionsAndWhatWasHeardStayBounded) {
  // catches: an emulator whose session list and received record grow for
  // its whole life, and a "received" reply of any length
  EmulatorConfig config;
  config.name = L"bounds_" + std::to_wstring(GetCurrentProcessId());
  config.tcpPort = 0;
  config.announce = false;
  CEmulator emulator(config);
  std::string error;
  ASSERT_TRUE(emulator.Start(&error)) << error;
  for (int i = 0; i < 60; ++i) {
    CConnection connection(At(emulator.TcpPort()), false);
    ASSERT_EQ(connection.Open(false), kVxcOk) << i;
    const uint8_t status[] = {0x10, 0x04, 0x01};
    uint32_t done = 0;
    EXPECT_EQ(connection.Write(status, sizeof(status), &done, 1000), kVxcOk);
    uint8_t answer = 0;
    EXPECT_EQ(connection.Read(&answer, 1, &done, 2000), kVxcOk) << i;
    connection.Close();
  }
  EXPECT_LE(emulator.SessionCount(), 3u) << "ended sessions are joined";

  ASSERT_EQ(emulator.ExecuteLine("clear"), "OK");
  CConnection connection(At(emulator.TcpPort()), false);
  ASSERT_EQ(connection.Open(false), kVxcOk);
  const std::vector<uint8_t> text(3 * kMaxReceivedBytes, 'x');  // print data
  uint32_t done = 0;
  ASSERT_EQ(connection.Write(text.data(), static_cast<uint32_t>(text.size()), &done, 5000), kVxcOk);
  ASSERT_TRUE(WaitFor([&] { return emulator.Received().size() + emulator.ReceivedBeyondRecord() == text.size(); }));
  EXPECT_EQ(emulator.Received().size(), kMaxReceivedBytes);
  const std::string reply = emulator.ExecuteLine("received");
  EXPECT_LE(reply.size(), 3 * kMaxReceivedShown + 32);
  EXPECT_NE(reply.find(" +" + std::to_string(text.size() - kMaxReceivedShown) + " more"), std::string::npos)
      << reply.substr(reply.size() - 40);
  connection.Close();
}
