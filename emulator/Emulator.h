#pragma once
// A VX-R500 on the transports of this machine: TCP on a loopback address,
// a named pipe for its USB port and for each port-monitor port, a serial
// device of a pty pair. One client at a time: a second is accepted and
// dropped at once. A test hosts it in-process; VXR500Emu.exe hosts it as a
// program with a control pipe that takes the same requests.

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "emulator/ControlProtocol.h"
#include "emulator/PrinterEngine.h"
#include "makerlibs/protocol/PortRegistry.h"

class CLink;

struct EmulatorConfig {
  std::wstring name = L"VXR500";        // names the control pipe and the announcement
  std::string tcpHost = "127.0.0.1";
  int tcpPort = 9100;                   // 0: any free port (see TcpPort), -1: none
  std::wstring usbName;                 // \\.\pipe\vxusb\<name>; empty: none
  std::vector<std::wstring> monitorPorts;  // \\.\pipe\vx\<VXPORTn> each
  std::wstring lptName;                 // \\.\pipe\vxlpt\<name>, its parallel port; empty: none
  std::wstring comDevice;               // the emulator's end of a serial pair, e.g. COM6
  std::wstring comPeer;                 // the client's end, announced for the device search
  bool comIsBluetooth = false;          // the serial line announced as a Bluetooth port ("BT")
  vxproto::LineSettings comLine;        // its line settings; a client at others is heard as noise
  std::wstring statePath;               // settings survive here; empty: in memory only
  bool controlPipe = false;             // \\.\pipe\VXR500Emu.<name>.control
  bool announce = true;                 // for the communication library's device search
  uint32_t restartMs = 3000;
  std::string serialNumber = "VXE0000001";
  int identityOverride = -1;            // an emu::Identity, else the state file's
};

// What the emulator keeps of what it heard, and shows in one control reply.
constexpr std::size_t kMaxReceivedBytes = 64 * 1024;
constexpr std::size_t kMaxReceivedShown = 4096;

class CEmulator {
public:
  explicit CEmulator(EmulatorConfig config);
  ~CEmulator();
  CEmulator(const CEmulator&) = delete;
  CEmulator& operator=(const CEmulator&) = delete;

  bool Start(std::string* error = nullptr);
  void Stop();
  uint16_t TcpPort() const { return tcpPort_; }
  std::wstring ControlPipeName() const;

  // The in-process control interface: the same requests as the control pipe.
  std::string Execute(const emu::ControlRequest& request);
  std::string ExecuteLine(const std::string& line);
  void SetCondition(const std::string& name, bool on);
  void SetIdentity(emu::Identity identity);
  // Silent to the commands that begin with prefix (empty: to none).
  void SetSilentCommand(emu::Bytes prefix);
  // Customized values read back one more than the value in force.
  void SetMisreport(bool on);
  // An information item apart from the identity (nothing: the identity's again).
  void SetInfoItem(int item, std::optional<std::string> text);
  void SetLatency(uint32_t ms) { latencyMs_ = ms; }
  void SetNoAnswer(bool on) { noAnswer_ = on; }
  // A restart under way ends no later than the new time from now.
  void SetRestartTime(uint32_t ms);
  void DropConnection();
  void DropMidReply() { dropMidReply_ = true; }
  emu::Bytes Received() const;
  // Heard beyond the record's size since the last clear.
  std::size_t ReceivedBeyondRecord() const;
  void ClearReceived();
  // Client sessions not yet joined (for tests).
  std::size_t SessionCount() const;
  uint16_t CustomizedValue(int number) const;
  bool Restarting() const { return restarting_; }
  bool HasClient() const;
  int Restarts() const { return restarts_; }
  // Replies sent to requests (automatic status reports not counted).
  int Replies() const { return replies_; }
  bool QuitRequested() const { return quit_; }
  // Waits until the printer is back after a restart (true) or the time is up.
  bool WaitUntilReady(DWORD timeoutMs) const;

private:
  // Listens on the configured address at the port (0: any free one).
  bool Listen(uint16_t port, std::string* error);
  void TcpLoop();
  void PipeLoop(std::wstring pipeName);
  void SerialLoop();
  void ControlLoop();
  void RestartLoop();
  void BeginRestart();
  void Record(const uint8_t* data, std::size_t size);  // lock_ held
  // Takes a fresh client, or drops it when one is already served.
  void Offer(std::unique_ptr<CLink> link);
  void Serve(std::shared_ptr<CLink> link);
  void Send(const std::shared_ptr<CLink>& link, const emu::Bytes& bytes, bool reply);
  void SaveState();
  void Announce(bool on);

  EmulatorConfig config_;
  mutable std::mutex lock_;  // the engine, the client and what was heard
  emu::CPrinterEngine engine_;
  std::shared_ptr<CLink> client_;
  emu::Bytes received_;  // the first kMaxReceivedBytes heard since the last clear
  std::mutex sendLock_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> restarting_{false};
  std::atomic<bool> noAnswer_{false};
  std::atomic<bool> dropMidReply_{false};
  std::atomic<bool> quit_{false};
  std::atomic<uint32_t> latencyMs_{0};
  std::atomic<uint32_t> restartMs_;
  std::atomic<int> restarts_{0};
  std::atomic<int> replies_{0};
  std::atomic<ULONGLONG> restartUntil_{0};
  std::atomic<uint16_t> tcpPort_{0};  // read by the control thread, taken again by the TCP thread
  uintptr_t listenSocket_ = ~uintptr_t{0};  // owned by the TCP thread while it runs
  HANDLE stopEvent_ = nullptr;
  std::vector<std::thread> threads_;
  // One per client served; ended ones are joined as the next client comes.
  struct Session {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> ended;
  };
  std::vector<Session> sessions_;
  std::size_t receivedDropped_ = 0;  // heard beyond what the record keeps
};
