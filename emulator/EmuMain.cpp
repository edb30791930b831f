// VXR500Emu.exe: one emulated VX-R500 on this machine until it is told to quit
// (control request "quit") or its console closes.
//
//   VXR500Emu [--name N] [--tcp HOST:PORT | --no-tcp] [--usb NAME] [--lpt NAME] [--monitor VXPORTn]...
//             [--com COMx --com-peer COMy [--com-settings B,P,D] [--bluetooth]] [--state FILE] [--restart-ms MS]
//             [--identity served|sister|foreign|mute] [--no-control] [--quiet]

#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <string>

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

int Usage() {
  std::fprintf(stderr,
               "usage: VXR500Emu [--name N] [--tcp HOST:PORT | --no-tcp] [--usb NAME] [--lpt NAME] [--monitor VXPORTn]...\n"
               "                 [--com COMx --com-peer COMy [--com-settings B,P,D] [--bluetooth]] [--state FILE] [--restart-ms MS]\n"
               "                 [--identity served|sister|foreign|mute] [--no-control] [--quiet]\n");
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
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    auto next = [&]() -> const wchar_t* { return i + 1 < argc ? argv[++i] : nullptr; };
    if (arg == L"--name") {
      const wchar_t* v = next();
      if (!v) return Usage();
      config.name = v;
    } else if (arg == L"--tcp") {
      const wchar_t* v = next();
      if (!v) return Usage();
      const std::wstring text = v;
      const std::size_t colon = text.rfind(L':');
      if (colon == std::wstring::npos) return Usage();
      config.tcpHost = Narrow(text.substr(0, colon));
      config.tcpPort = _wtoi(text.substr(colon + 1).c_str());
      if (config.tcpPort < 0 || config.tcpPort > 65535) return Usage();
    } else if (arg == L"--no-tcp") {
      config.tcpPort = -1;
    } else if (arg == L"--usb") {
      const wchar_t* v = next();
      if (!v) return Usage();
      config.usbName = v;
    } else if (arg == L"--lpt") {
      const wchar_t* v = next();
      if (!v) return Usage();
      config.lptName = v;
    } else if (arg == L"--monitor") {
      const wchar_t* v = next();
      if (!v) return Usage();
      if (config.monitorPorts == std::vector<std::wstring>{L"VXPORT1"}) config.monitorPorts.clear();
      config.monitorPorts.push_back(v);
    } else if (arg == L"--com") {
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
    } else if (arg == L"--no-control") {
      config.controlPipe = false;
    } else if (arg == L"--quiet") {
      quiet = true;
    } else {
      return Usage();
    }
  }

  g_quit = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
  CEmulator emulator(config);
  std::string error;
  if (!emulator.Start(&error)) {
    std::fprintf(stderr, "VXR500Emu: %s\n", error.c_str());
    return 1;
  }
  if (!quiet) {
    std::printf("VXR500Emu %s: tcp %s:%u, usb %s, control %s\n", Narrow(config.name).c_str(), config.tcpHost.c_str(),
                emulator.TcpPort(), Narrow(config.usbName).c_str(), Narrow(emulator.ControlPipeName()).c_str());
    std::fflush(stdout);
  }
  while (!emulator.QuitRequested() && WaitForSingleObject(g_quit, 100) == WAIT_TIMEOUT) {
  }
  emulator.Stop();
  CloseHandle(g_quit);
  return 0;
}
