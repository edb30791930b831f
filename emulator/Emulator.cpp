#include "emulator/Emulator.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "makerlibs/common/Discovery.h"
#include "makerlibs/common/Transport.h"

namespace {

emu::Settings LoadSettings(const std::wstring& path) {
  if (path.empty()) return emu::DefaultSettings();
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  if (!in) return emu::DefaultSettings();
  std::ostringstream text;
  text << in.rdbuf();
  return emu::SettingsFromText(text.str());
}

emu::Settings InitialSettings(const EmulatorConfig& config) {
  emu::Settings s = LoadSettings(config.statePath);
  if (config.identityOverride >= 0) s.identity = static_cast<emu::Identity>(config.identityOverride);
  return s;
}

}  // namespace

CEmulator::CEmulator(EmulatorConfig config)
    : config_(std::move(config)),
      engine_(InitialSettings(config_), config_.serialNumber),
      restartMs_(config_.restartMs) {
  engine_.PowerOn();
}

CEmulator::~CEmulator() { Stop(); }

std::wstring CEmulator::ControlPipeName() const { return L"\\\\.\\pipe\\VXR500Emu." + config_.name + L".control"; }

bool CEmulator::Start(std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    Stop();
    return false;
  };
  stop_ = false;
  stopEvent_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (config_.tcpPort >= 0) {
    if (!StartWinsock()) return fail("winsock did not start");
    std::string why;
    if (!Listen(static_cast<uint16_t>(config_.tcpPort), &why)) return fail(why);
    threads_.emplace_back([this] { TcpLoop(); });
  }
  if (!config_.usbName.empty()) threads_.emplace_back([this] { PipeLoop(L"\\\\.\\pipe\\vxusb\\" + config_.usbName); });
  if (!config_.lptName.empty()) threads_.emplace_back([this] { PipeLoop(L"\\\\.\\pipe\\vxlpt\\" + config_.lptName); });
  for (const auto& port : config_.monitorPorts) {
    threads_.emplace_back([this, port] { PipeLoop(L"\\\\.\\pipe\\vx\\" + port); });
  }
  if (!config_.comDevice.empty()) threads_.emplace_back([this] { SerialLoop(); });
  if (config_.controlPipe) threads_.emplace_back([this] { ControlLoop(); });
  threads_.emplace_back([this] { RestartLoop(); });
  if (config_.announce) Announce(true);
  return true;
}

void CEmulator::Stop() {
  stop_ = true;
  if (stopEvent_) SetEvent(stopEvent_);
  DropConnection();
  for (auto& t : threads_) {
    if (t.joinable()) t.join();
  }
  threads_.clear();
  for (auto& session : sessions_) {
    if (session.thread.joinable()) session.thread.join();
  }
  sessions_.clear();
  if (listenSocket_ != ~uintptr_t{0}) {
    closesocket(static_cast<SOCKET>(listenSocket_));
    listenSocket_ = ~uintptr_t{0};
  }
  if (config_.announce) Announce(false);
  if (stopEvent_) {
    CloseHandle(stopEvent_);
    stopEvent_ = nullptr;
  }
}

void CEmulator::Announce(bool on) {
  const std::wstring key = std::wstring(kEmulatorDiscoveryKey) + L"\\" + config_.name;
  if (!on) {
    RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
    return;
  }
  HKEY parent = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kEmulatorDiscoveryKey, 0, nullptr, 0, KEY_WRITE, nullptr, &parent, nullptr) !=
      ERROR_SUCCESS) {
    return;
  }
  RegCloseKey(parent);
  HKEY k = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_WRITE, nullptr, &k,
                      nullptr) != ERROR_SUCCESS) {
    return;
  }
  auto set = [&](const wchar_t* name, const std::wstring& value) {
    if (value.empty()) return;
    RegSetValueExW(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  };
  if (config_.tcpPort >= 0) {
    set(L"NET", std::wstring(config_.tcpHost.begin(), config_.tcpHost.end()) + L":" + std::to_wstring(tcpPort_.load()));
  }
  set(L"USB", config_.usbName);
  set(L"LPT", config_.lptName);
  // Whose announcement this is: one left behind by an emulator that was
  // killed is passed over by the device search.
  // Its start time too: process ids are soon given to other processes.
  const DWORD process = GetCurrentProcessId();
  RegSetValueExW(k, L"Process", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&process), sizeof(process));
  FILETIME created{}, exited{}, kernel{}, user{};
  if (GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) {
    const uint64_t started = (uint64_t{created.dwHighDateTime} << 32) | created.dwLowDateTime;
    RegSetValueExW(k, L"Started", 0, REG_QWORD, reinterpret_cast<const BYTE*>(&started), sizeof(started));
  }
  set(config_.comIsBluetooth ? L"BT" : L"COM", config_.comPeer);
  std::wstring monitors;
  for (const auto& m : config_.monitorPorts) monitors += (monitors.empty() ? L"" : L";") + m;
  set(L"Monitor", monitors);
  RegCloseKey(k);
}

bool CEmulator::Listen(uint16_t port, std::string* error) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) {
    if (error) *error = "no socket";
    return false;
  }
  BOOL exclusive = TRUE;  // a second emulator on the same port must fail, not share it
  setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive), sizeof(exclusive));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  if (inet_pton(AF_INET, config_.tcpHost.c_str(), &address.sin_addr) != 1) {
    closesocket(s);
    if (error) *error = "bad address " + config_.tcpHost;
    return false;
  }
  if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 || listen(s, 4) != 0) {
    closesocket(s);
    if (error) *error = "cannot listen on " + config_.tcpHost + ":" + std::to_string(port);
    return false;
  }
  int length = sizeof(address);
  getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
  tcpPort_ = ntohs(address.sin_port);
  listenSocket_ = s;
  return true;
}

void CEmulator::TcpLoop() {
  while (!stop_) {
    // While it restarts the printer's network side is down too: a connect
    // is refused, as by a printer that is switched off, and whatever waited
    // in the backlog is dropped. The same port is taken again afterwards.
    if (restarting_) {
      if (listenSocket_ != ~uintptr_t{0}) {
        closesocket(static_cast<SOCKET>(listenSocket_));
        listenSocket_ = ~uintptr_t{0};
      }
      Sleep(10);
      continue;
    }
    if (listenSocket_ == ~uintptr_t{0} && !Listen(tcpPort_, nullptr)) {
      Sleep(50);
      continue;
    }
    const SOCKET listener = static_cast<SOCKET>(listenSocket_);
    fd_set set;
    FD_ZERO(&set);
    FD_SET(listener, &set);
    timeval tv{0, 50000};
    if (select(0, &set, nullptr, nullptr, &tv) != 1) continue;
    SOCKET s = accept(listener, nullptr, nullptr);
    if (s == INVALID_SOCKET) continue;
    BOOL noDelay = TRUE;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof(noDelay));
    Offer(MakeSocketLink(s));
  }
}

void CEmulator::PipeLoop(std::wstring pipeName) {
  HANDLE connected = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  while (!stop_) {
    if (restarting_) {  // no instance at all: a client's open fails as with an unplugged printer
      Sleep(10);
      continue;
    }
    HANDLE pipe = CreateNamedPipeW(pipeName.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                   PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, PIPE_UNLIMITED_INSTANCES, 4096,
                                   4096, 0, nullptr);
    if (pipe == INVALID_HANDLE_VALUE) {
      Sleep(50);
      continue;
    }
    OVERLAPPED ov{};
    ov.hEvent = connected;
    ResetEvent(connected);
    bool isConnected = ConnectNamedPipe(pipe, &ov) != 0;
    if (!isConnected) {
      const DWORD e = GetLastError();
      if (e == ERROR_PIPE_CONNECTED) {
        isConnected = true;
      } else if (e == ERROR_IO_PENDING) {
        while (!stop_ && !restarting_) {
          if (WaitForSingleObject(connected, 50) == WAIT_OBJECT_0) {
            DWORD ignored = 0;
            isConnected = GetOverlappedResult(pipe, &ov, &ignored, FALSE) != 0;
            break;
          }
        }
        if (!isConnected) {
          CancelIo(pipe);
          DWORD ignored = 0;
          GetOverlappedResult(pipe, &ov, &ignored, TRUE);
        }
      }
    }
    if (!isConnected) {
      CloseHandle(pipe);
      continue;
    }
    Offer(MakePipeLink(pipe));
  }
  CloseHandle(connected);
}

void CEmulator::SerialLoop() {
  const std::wstring device = L"\\\\.\\" + config_.comDevice;
  while (!stop_) {
    HANDLE h = CreateFileW(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      Sleep(500);
      continue;
    }
    if (!PrepareSerialLine(h, config_.comLine)) {
      CloseHandle(h);
      Sleep(500);
      continue;
    }
    std::shared_ptr<CLink> line(MakeSerialLink(h, config_.comLine).release());
    ULONGLONG lastHeard = 0;
    uint8_t buffer[512];
    while (!stop_) {
      const int n = line->Read(buffer, sizeof(buffer), 100);
      if (n < 0) break;
      const ULONGLONG now = GetTickCount64();
      {
        std::scoped_lock guard(lock_);
        // A serial line has no connect: it holds the printer while it talks.
        if (n > 0 && !client_ && !restarting_) {
          client_ = line;
          engine_.DiscardInput();
        }
        if (n == 0 && client_ == line && now - lastHeard > 5000) client_.reset();
      }
      if (n > 0) lastHeard = now;
      if (n > 0) {
        emu::Bytes bytes(buffer, buffer + n);
        emu::Bytes out;
        bool restart = false, save = false;
        {
          std::scoped_lock guard(lock_);
          if (client_ != line || restarting_) continue;
          Record(bytes.data(), bytes.size());
          out = engine_.Feed(bytes);
          restart = engine_.RestartRequested();
          save = engine_.TakeSettingsChanged();
        }
        if (save) SaveState();
        if (!out.empty() && !noAnswer_) Send(line, out, true);
        if (restart) {
          BeginRestart();
          std::scoped_lock guard(lock_);
          client_.reset();
        }
      }
    }
    std::scoped_lock guard(lock_);
    if (client_ == line) client_.reset();
  }
}

void CEmulator::BeginRestart() {
  // Restarting before counted: whoever sees the count go up and then waits
  // for the printer to be ready finds it restarting, not yet untouched.
  restartUntil_ = GetTickCount64() + restartMs_;
  restarting_ = true;
  restarts_++;
}

void CEmulator::SetRestartTime(uint32_t ms) {
  restartMs_ = ms;
  const ULONGLONG latest = GetTickCount64() + ms;
  ULONGLONG until = restartUntil_;
  while (until > latest && !restartUntil_.compare_exchange_weak(until, latest)) {
  }
}

void CEmulator::RestartLoop() {
  while (!stop_) {
    Sleep(10);
    if (restarting_ && GetTickCount64() >= restartUntil_) {
      std::scoped_lock guard(lock_);
      engine_.PowerOn();  // nobody is connected to hear a power-on notice
      restarting_ = false;
    }
  }
}

void CEmulator::Offer(std::unique_ptr<CLink> link) {
  std::shared_ptr<CLink> shared(link.release());
  {
    std::scoped_lock guard(lock_);
    // A client that has just hung up is not in the way: its session notices
    // only at its next read, up to 100 ms later.
    if (client_ && client_->PeerGone()) {
      client_->Abort();
      client_.reset();
    }
    if (!client_ && !restarting_ && !stop_) {
      client_ = shared;
      engine_.DiscardInput();
      // Sessions that ended are joined here, so the list does not grow for
      // the emulator's whole life.
      for (auto it = sessions_.begin(); it != sessions_.end();) {
        if (*it->ended) {
          it->thread.join();
          it = sessions_.erase(it);
        } else {
          ++it;
        }
      }
      auto ended = std::make_shared<std::atomic<bool>>(false);
      sessions_.push_back({std::thread([this, shared, ended] {
                             Serve(shared);
                             *ended = true;
                           }),
                           ended});
      return;
    }
  }
  shared->Abort();  // one client at a time: the second hears the door shut
}

void CEmulator::Serve(std::shared_ptr<CLink> link) {
  uint8_t buffer[512];
  while (!stop_) {
    const int n = link->Read(buffer, sizeof(buffer), 100);
    if (n < 0) break;
    if (n == 0) continue;
    emu::Bytes out;
    bool restart = false, save = false;
    {
      std::scoped_lock guard(lock_);
      if (client_ != link) break;
      Record(buffer, static_cast<std::size_t>(n));
      out = engine_.Feed(buffer, static_cast<std::size_t>(n));
      restart = engine_.RestartRequested();
      save = engine_.TakeSettingsChanged();
    }
    if (save) SaveState();
    if (!out.empty() && !noAnswer_) Send(link, out, true);
    if (restart) {
      // Leaving user-setting mode: the printer resets and drops the line.
      BeginRestart();
      break;
    }
  }
  link->Abort();
  std::scoped_lock guard(lock_);
  if (client_ == link) client_.reset();
}

void CEmulator::Send(const std::shared_ptr<CLink>& link, const emu::Bytes& bytes, bool reply) {
  if (reply) {
    for (uint32_t waited = 0, latency = latencyMs_; waited < latency && !stop_; waited += 10) Sleep(10);
  }
  std::scoped_lock guard(sendLock_);
  if (reply && dropMidReply_.exchange(false)) {
    link->Write(bytes.data(), (bytes.size() + 1) / 2, 1000);
    Sleep(20);  // let the half reach the client before the line goes dead
    link->Abort();
    return;
  }
  link->Write(bytes.data(), bytes.size(), 2000);
  if (reply) ++replies_;
}

void CEmulator::SaveState() {
  if (config_.statePath.empty()) return;
  std::string text;
  {
    std::scoped_lock guard(lock_);
    text = emu::SettingsToText(engine_.CurrentSettings());
  }
  const std::wstring temp = config_.statePath + L".tmp";
  {
    std::ofstream out(std::filesystem::path(temp), std::ios::binary | std::ios::trunc);
    out << text;
    if (!out) return;
  }
  MoveFileExW(temp.c_str(), config_.statePath.c_str(), MOVEFILE_REPLACE_EXISTING);
}

void CEmulator::SetCondition(const std::string& name, bool on) {
  emu::Bytes out;
  std::shared_ptr<CLink> link;
  {
    std::scoped_lock guard(lock_);
    emu::Conditions c = engine_.CurrentConditions();
    if (!emu::ApplyCondition(c, name, on)) return;
    out = engine_.SetConditions(c);
    link = client_;
  }
  if (link && !out.empty() && !noAnswer_ && !restarting_) Send(link, out, false);
}

void CEmulator::SetSilentCommand(emu::Bytes prefix) {
  std::scoped_lock guard(lock_);
  engine_.SetSilentCommand(std::move(prefix));
}

void CEmulator::SetMisreport(bool on) {
  std::scoped_lock guard(lock_);
  engine_.SetMisreport(on);
}

void CEmulator::SetInfoItem(int item, std::optional<std::string> text) {
  std::scoped_lock guard(lock_);
  engine_.SetInfoItem(item, std::move(text));
}

void CEmulator::SetIdentity(emu::Identity identity) {
  {
    std::scoped_lock guard(lock_);
    engine_.SetIdentity(identity);
  }
  SaveState();
}

void CEmulator::DropConnection() {
  std::shared_ptr<CLink> link;
  {
    std::scoped_lock guard(lock_);
    link = std::move(client_);
  }
  if (link) link->Abort();
}

void CEmulator::Record(const uint8_t* data, std::size_t size) {
  const std::size_t room = kMaxReceivedBytes - std::min(received_.size(), kMaxReceivedBytes);
  const std::size_t kept = std::min(room, size);
  received_.insert(received_.end(), data, data + kept);
  receivedDropped_ += size - kept;
}

emu::Bytes CEmulator::Received() const {
  std::scoped_lock guard(lock_);
  return received_;
}

std::size_t CEmulator::ReceivedBeyondRecord() const {
  std::scoped_lock guard(lock_);
  return receivedDropped_;
}

std::size_t CEmulator::SessionCount() const {
  std::scoped_lock guard(lock_);
  return sessions_.size();
}

void CEmulator::ClearReceived() {
  std::scoped_lock guard(lock_);
  received_.clear();
  receivedDropped_ = 0;
  engine_.ResetUserSettingEntries();
}

uint16_t CEmulator::CustomizedValue(int number) const {
  std::scoped_lock guard(lock_);
  const auto& values = engine_.CurrentSettings().customized;
  auto it = values.find(number);
  return it == values.end() ? 0 : it->second;
}

bool CEmulator::HasClient() const {
  std::scoped_lock guard(lock_);
  return client_ != nullptr;
}

bool CEmulator::WaitUntilReady(DWORD timeoutMs) const {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  while (restarting_) {
    if (GetTickCount64() >= end) return false;
    Sleep(10);
  }
  return true;
}

std::string CEmulator::Execute(const emu::ControlRequest& r) {
  using emu::ControlOp;
  switch (r.op) {
    case ControlOp::Condition: SetCondition(r.name, r.on); return "OK";
    case ControlOp::NoAnswer: SetNoAnswer(r.on); return "OK";
    case ControlOp::Latency: SetLatency(r.number); return "OK";
    case ControlOp::RestartTime: SetRestartTime(r.number); return "OK";
    case ControlOp::Identity: SetIdentity(r.identity); return "OK";
    case ControlOp::Silent: SetSilentCommand(r.bytes); return "OK";
    case ControlOp::Misreport: SetMisreport(r.on); return "OK";
    case ControlOp::Item: SetInfoItem(static_cast<int>(r.number), r.on ? std::optional<std::string>(r.name) : std::nullopt);
      return "OK";
    case ControlOp::Drop: DropConnection(); return "OK";
    case ControlOp::DropMidReply: DropMidReply(); return "OK";
    case ControlOp::Restart:
      BeginRestart();
      DropConnection();
      return "OK";
    case ControlOp::Received: {
      // A reply line of bounded length: the first bytes, and how many more.
      const emu::Bytes heard = Received();
      const std::size_t shown = std::min(heard.size(), kMaxReceivedShown);
      const std::size_t more = heard.size() - shown + ReceivedBeyondRecord();
      return "OK " + emu::ToHex(heard.data(), shown) + (more ? " +" + std::to_string(more) + " more" : "");
    }
    case ControlOp::Clear: ClearReceived(); return "OK";
    case ControlOp::Customized: {
      if (r.on) {
        bool put = false;
        {
          std::scoped_lock guard(lock_);
          put = engine_.PutCustomizedValue(static_cast<int>(r.number), static_cast<uint16_t>(r.value));
          (void)engine_.TakeSettingsChanged();
        }
        if (!put) return "ERR unknown customized value or beyond its limits";
        SaveState();  // takes the lock itself
      }
      std::scoped_lock guard(lock_);
      const auto& values = engine_.CurrentSettings().customized;
      auto it = values.find(static_cast<int>(r.number));
      return it == values.end() ? "ERR unknown customized value" : "OK " + std::to_string(it->second);
    }
    case ControlOp::MemorySwitch: {
      std::scoped_lock guard(lock_);
      const uint8_t bits = engine_.CurrentSettings().memorySwitch[r.number];
      std::string text = "OK ";
      for (int b = 7; b >= 0; --b) text += (bits >> b) & 1 ? '1' : '0';
      return text;
    }
    case ControlOp::UserSetting: {
      std::scoped_lock guard(lock_);
      return std::string("OK ") + (engine_.InUserSettingMode() ? "in" : "out") + " entries " +
             std::to_string(engine_.UserSettingEntries());
    }
    case ControlOp::Status: {
      std::scoped_lock guard(lock_);
      const auto asb = engine_.AutomaticStatus();
      std::string s = "OK asb " + emu::ToHex(asb.data(), asb.size());
      s += " identity " + std::string(emu::IdentityName(engine_.CurrentSettings().identity));
      s += " client " + std::string(client_ ? "1" : "0");
      s += " restarting " + std::string(restarting_ ? "1" : "0");
      s += " tcp " + std::to_string(tcpPort_.load());
      return s;
    }
    case ControlOp::Quit: quit_ = true; return "OK";
  }
  return "ERR unknown request";
}

std::string CEmulator::ExecuteLine(const std::string& line) {
  std::string error;
  auto request = emu::ParseControlLine(line, &error);
  if (!request) return "ERR " + error;
  return Execute(*request);
}

void CEmulator::ControlLoop() {
  const std::wstring name = ControlPipeName();
  while (!stop_) {
    HANDLE pipe = CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                   PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0, nullptr);
    if (pipe == INVALID_HANDLE_VALUE) {
      Sleep(100);
      continue;
    }
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    OVERLAPPED ov{};
    ov.hEvent = event;
    bool isConnected = ConnectNamedPipe(pipe, &ov) != 0 || GetLastError() == ERROR_PIPE_CONNECTED;
    if (!isConnected && GetLastError() == ERROR_IO_PENDING) {
      HANDLE waits[] = {event, stopEvent_};
      if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0) {
        DWORD ignored = 0;
        isConnected = GetOverlappedResult(pipe, &ov, &ignored, FALSE) != 0;
      } else {
        CancelIo(pipe);
        DWORD ignored = 0;
        GetOverlappedResult(pipe, &ov, &ignored, TRUE);
      }
    }
    CloseHandle(event);
    if (!isConnected) {
      CloseHandle(pipe);
      continue;
    }
    auto link = MakePipeLink(pipe);
    std::string pending;
    uint8_t buffer[256];
    while (!stop_) {
      const int n = link->Read(buffer, sizeof(buffer), 100);
      if (n < 0) break;
      pending.append(reinterpret_cast<char*>(buffer), static_cast<std::size_t>(n));
      std::size_t eol;
      while ((eol = pending.find('\n')) != std::string::npos) {
        std::string line = pending.substr(0, eol);
        pending.erase(0, eol + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::string reply = ExecuteLine(line) + "\n";
        link->Write(reinterpret_cast<const uint8_t*>(reply.data()), reply.size(), 2000);
      }
      if (pending.size() > emu::kMaxControlLine) {
        const std::string reply = "ERR line too long\n";
        link->Write(reinterpret_cast<const uint8_t*>(reply.data()), reply.size(), 2000);
        pending.clear();
      }
    }
  }
}
