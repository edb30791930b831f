// VXR500Emu.exe: one emulated VX-R500 on this machine, or a fleet of them,
// until it is told to quit (control request "quit" to any printer) or its
// console closes.
//
//   VXR500Emu [--name N] [--tcp HOST:PORT | --no-tcp] [--usb NAME] [--lpt NAME] [--monitor VXPORTn]...
//             [--com COMx --com-peer COMy [--com-settings B,P,D] [--bluetooth]] [--state FILE] [--restart-ms MS]
//             [--identity served|sister|foreign|mute] [--no-announce] [--no-control] [--quiet]
//   VXR500Emu --fleet N [--name N] [--state FILE] [--restart-ms MS] [--identity ...] [--no-announce] [--no-control] [--quiet]
//   VXR500Emu --ask NAME REQUEST...     one control request to a running printer; its reply printed
//
// A fleet is N independent printers in this process: printer k (1..N) on TCP
// 127.0.0.(k+1):9100, named <name>-k, with a control pipe, settings, state
// file (FILE with "-k" before its extension) and serial number of its own.

#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "emulator/Emulator.h"

namespace {

HANDLE g_quit = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD) {
  SetEvent(g_quit);
  return TRUE;
}

std::string Narrow(const std::wstring& w) {
  std::string s;
  for (wchar_t c : w) s.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return s;
}

std::wstring DefaultStatePath() {
  wchar_t folder[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, folder))) return L"";
  std::wstring path = std::wstring(folder) + L"\\VXR500Emu";
  CreateDirectoryW(path.c_str(), nullptr);
  return path + L"\\state.txt";
}

// Printer k's state file: "-k" before the extension of the fleet's.
std::wstring FleetStatePath(const std::wstring& path, int k) {
  if (path.empty()) return path;
  const std::size_t slash = path.find_last_of(L"\\/");
  const std::size_t dot = path.rfind(L'.');
  const std::size_t at = dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash) ? dot : path.size();
  return path.substr(0, at) + L"-" + std::to_wstring(k) + path.substr(at);
}

// The fleet's printers: only TCP, each on a loopback address of its own.
std::vector<EmulatorConfig> FleetConfigs(const EmulatorConfig& base, int count) {
  std::vector<EmulatorConfig> configs;
  for (int k = 1; k <= count; ++k) {
    EmulatorConfig c = base;
    c.name = base.name + L"-" + std::to_wstring(k);
    c.tcpHost = "127.0.0." + std::to_string(k + 1);
    c.tcpPort = 9100;
    c.usbName.clear();
    c.monitorPorts.clear();
    c.lptName.clear();
    c.comDevice.clear();
    c.comPeer.clear();
    c.statePath = FleetStatePath(base.statePath, k);
    char serial[16];
    std::snprintf(serial, sizeof(serial), "VXE%07d", k);
    c.serialNumber = serial;
    configs.push_back(std::move(c));
  }
  return configs;
}

// One request on a running printer's control pipe; 0 when it answers OK.
int Ask(const std::wstring& name, const std::string& request) {
  const std::wstring pipe = L"\\\\.\\pipe\\VXR500Emu." + name + L".control";
  HANDLE h = INVALID_HANDLE_VALUE;
  // The pipe serves one client at a time: a busy one is waited for.
  for (int i = 0; i < 100 && h == INVALID_HANDLE_VALUE; ++i) {
    h = CreateFileW(pipe.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      if (GetLastError() != ERROR_PIPE_BUSY) break;
      WaitNamedPipeW(pipe.c_str(), 100);
    }
  }
  if (h == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "VXR500Emu: no printer named %s answers\n", Narrow(name).c_str());
    return 1;
  }
  const std::string line = request + "\n";
  DWORD done = 0;
  WriteFile(h, line.data(), static_cast<DWORD>(line.size()), &done, nullptr);
  std::string answer;
  char c = 0;
  while (ReadFile(h, &c, 1, &done, nullptr) && done == 1 && c != '\n') answer += c;
  CloseHandle(h);
  std::printf("%s\n", answer.c_str());
  return answer.rfind("OK", 0) == 0 ? 0 : 1;
}

int Usage() {
  std::fprintf(stderr,
               "usage: VXR500Emu [--name N] [--tcp HOST:PORT | --no-tcp] [--usb NAME] [--lpt NAME] [--monitor VXPORTn]...\n"
               "                 [--com COMx --com-peer COMy [--com-settings B,P,D] [--bluetooth]] [--state FILE] [--restart-ms MS]\n"
               "                 [--identity served|sister|foreign|mute] [--no-announce] [--no-control] [--quiet]\n"
               "       VXR500Emu --fleet N (1-64) [--name N] [--state FILE] [--restart-ms MS] [--identity ...]\n"
               "                 [--no-announce] [--no-control] [--quiet]\n"
               "       VXR500Emu --ask NAME REQUEST...\n");
  return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  EmulatorConfig config;
  config.controlPipe = true;
  config.usbName = L"VXUSB001";
  config.monitorPorts = {L"VXPORT1"};
  config.statePath = DefaultStatePath();
  bool quiet = false;
  int fleet = 0;
  bool endpointsGiven = false;  // a fleet's printers have TCP only, on their own addresses
  if (argc >= 4 && std::wstring(argv[1]) == L"--ask") {
    std::string request;
    for (int i = 3; i < argc; ++i) request += (i > 3 ? " " : "") + Narrow(argv[i]);
    return Ask(argv[2], request);
  }
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    auto next = [&]() -> const wchar_t* { return i + 1 < argc ? argv[++i] : nullptr; };
    if (arg == L"--name") {
      const wchar_t* v = next();
      if (!v) return Usage();
      config.name = v;
    } else if (arg == L"--tcp") {
      endpointsGiven = true;
      const wchar_t* v = next();
      if (!v) return Usage();
      const std::wstring text = v;
      const std::size_t colon = text.rfind(L':');
      if (colon == std::wstring::npos) return Usage();
      config.tcpHost = Narrow(text.substr(0, colon));
      config.tcpPort = _wtoi(text.substr(colon + 1).c_str());
      if (config.tcpPort < 0 || config.tcpPort > 65535) return Usage();
    } else if (arg == L"--no-tcp") {
      endpointsGiven = true;
      config.tcpPort = -1;
    } else if (arg == L"--usb") {
      endpointsGiven = true;
      const wchar_t* v = next();
      if (!v) return Usage();
      config.usbName = v;
    } else if (arg == L"--lpt") {
      endpointsGiven = true;
      const wchar_t* v = next();
      if (!v) return Usage();
      config.lptName = v;
    } else if (arg == L"--monitor") {
      endpointsGiven = true;
      const wchar_t* v = next();
      if (!v) return Usage();
      if (config.monitorPorts == std::vector<std::wstring>{L"VXPORT1"}) config.monitorPorts.clear();
      config.monitorPorts.push_back(v);
    } else if (arg == L"--com") {
      endpointsGiven = true;
      const wchar_t* v = next();
      if (!v) return Usage();
      config.comDevice = v;
    } else if (arg == L"--com-peer") {
      const wchar_t* v = next();
      if (!v) return Usage();
      config.comPeer = v;
    } else if (arg == L"--state") {
      const wchar_t* v = next();
      if (!v) return Usage();
      config.statePath = v;
    } else if (arg == L"--restart-ms") {
      const wchar_t* v = next();
      if (!v) return Usage();
      config.restartMs = static_cast<uint32_t>(_wtoi(v));
    } else if (arg == L"--identity") {
      const wchar_t* v = next();
      auto identity = v ? emu::IdentityFromName(Narrow(v)) : std::nullopt;
      if (!identity) return Usage();
      config.identityOverride = static_cast<int>(*identity);
    } else if (arg == L"--com-settings") {
      const wchar_t* v = next();
      const auto line = v ? vxproto::ParseLineSettings(v) : std::nullopt;
      if (!line) return Usage();
      config.comLine = *line;
    } else if (arg == L"--bluetooth") {
      config.comIsBluetooth = true;
    } else if (arg == L"--fleet") {
      const wchar_t* v = next();
      fleet = v ? _wtoi(v) : 0;
      if (fleet < 1 || fleet > 64) return Usage();
    } else if (arg == L"--no-announce") {
      config.announce = false;
    } else if (arg == L"--no-control") {
      config.controlPipe = false;
    } else if (arg == L"--quiet") {
      quiet = true;
    } else {
      return Usage();
    }
  }

  if (fleet > 0 && endpointsGiven) return Usage();
  g_quit = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
  const std::vector<EmulatorConfig> configs = fleet > 0 ? FleetConfigs(config, fleet) : std::vector{config};
  std::vector<std::unique_ptr<CEmulator>> printers;
  for (const EmulatorConfig& c : configs) {
    printers.push_back(std::make_unique<CEmulator>(c));
    std::string error;
    if (!printers.back()->Start(&error)) {
      std::fprintf(stderr, "VXR500Emu %s: %s\n", Narrow(c.name).c_str(), error.c_str());
      for (auto& p : printers) p->Stop();
      return 1;
    }
    if (!quiet) {
      std::printf("VXR500Emu %s: tcp %s:%u, usb %s, control %s\n", Narrow(c.name).c_str(), c.tcpHost.c_str(),
                  printers.back()->TcpPort(), c.usbName.empty() ? "-" : Narrow(c.usbName).c_str(),
                  Narrow(printers.back()->ControlPipeName()).c_str());
      std::fflush(stdout);
    }
  }
  const auto quitAsked = [&printers] {
    for (const auto& p : printers) {
      if (p->QuitRequested()) return true;
    }
    return false;
  };
  while (!quitAsked() && WaitForSingleObject(g_quit, 100) == WAIT_TIMEOUT) {
  }
  for (auto& p : printers) p->Stop();
  CloseHandle(g_quit);
  return 0;
}
