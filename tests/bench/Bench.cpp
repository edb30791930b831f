// Benchmarks that run under Wine on the build machine (tools/bench.sh):
//   startup   time from starting VXR500UTL.exe to its printer selection dialog
//   langtable time to find and load the largest window's language table
//   datafile  time to save and load a settings data file of 50 blocks
//   printer   against an in-process emulator, through the real libraries:
//             status change to callback, communication test, customized-value get
//   statusline the utility as its own process against an in-process emulator:
//             from the printer's condition change to the new text in the
//             status line of the main window
// Each prints one line per figure; nothing here is a pass/fail test.

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "framework/LangResourceTable.h"
#include "connection/VXC.h"
#include "emulator/Emulator.h"
#include "framework/PrinterSettingsList.h"
#include "makerlibs/include/CustomParamEngineApi.h"
#include "tests/support/GuiDriver.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

int Startup() {
  gui::CProgramFolder program;
  const auto start = Clock::now();
  auto p = gui::CProcess::Start(program.File(L"VXR500UTL.exe"), L"", program.Path());
  if (!p) return 1;
  HWND dialog = gui::WaitForWindow(
      p->Id(), [](const gui::WindowInfo& w) { return GetPropW(w.hwnd, L"VX-R500_UTILITY_VX-R500") != nullptr; },
      60000);
  const double visible = Ms(Clock::now() - start);
  if (!dialog) return 1;
  gui::PressButton(dialog, IDCANCEL);
  p->WaitForExit(30000);
  std::printf("startup: printer selection visible after %.0f ms\n", visible);
  return 0;
}

int LangTable() {
  const std::wstring langDir = gui::BuildProgramDir() + L"\\LANG";
  for (const wchar_t* base : {L"PORT_ADD_DLG", L"PRT_STATUS", L"PRT_SELECT_DLG"}) {
    std::vector<double> times;
    for (int i = 0; i < 50; ++i) {
      const auto start = Clock::now();
      CLangResourceTable table;
      if (table.FindLanguageFile(langDir, 0x411, kEnglishLangId) < 0 || table.LoadSection(base) != 0) return 1;
      times.push_back(Ms(Clock::now() - start));
    }
    std::printf("langtable: %ls (Japanese file), median of 50 loads %.2f ms\n", base, Median(times));
  }
  return 0;
}

int DataFile() {
  gui::CTempFolder folder;
  const std::wstring path = folder.Path() + L"\\VX-R500_Setting.DAT";
  CPrinterSettingsList list;
  for (int i = 0; i < 50; ++i) {
    const uint32_t size = 512;
    if (list.RegisterBlock(0x10000 + i, 1, size) != 0) return 1;
    std::vector<uint8_t> data(size, static_cast<uint8_t>(i));
    std::memcpy(data.data(), "PND", 4);
    WriteLe32(&data[4], 0x10000 + i);
    if (list.WriteBlock(0x10000 + i, size, data.data()) != 0) return 1;
  }
  list.writeFlag = 1;
  std::vector<double> saves, loads;
  for (int i = 0; i < 50; ++i) {
    auto start = Clock::now();
    if (list.SaveDataFile(L"VX-R500", path, 0x10000, 0x10000) != 1) return 1;
    saves.push_back(Ms(Clock::now() - start));
    start = Clock::now();
    CPrinterSettingsList loaded;
    if (loaded.LoadDataFile(path) != 0 || loaded.Blocks().Blocks().size() != 50) return 1;
    loads.push_back(Ms(Clock::now() - start));
  }
  std::printf("datafile: 50 blocks of 512 bytes, median save %.2f ms, median load %.2f ms\n", Median(saves),
              Median(loads));
  return 0;
}

struct Delivery {
  std::atomic<int32_t> last{-1};
  std::atomic<long long> at{0};
  static void Proc(int32_t status, void* c) {
    auto* d = static_cast<Delivery*>(c);
    d->at = Clock::now().time_since_epoch().count();
    d->last = status;
  }
};

int Printer() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring registry = std::wstring(temp) + L"vx_bench_ports.txt";
  SetEnvironmentVariableW(L"VX_PORT_REGISTRY", registry.c_str());
  EmulatorConfig config;
  config.name = L"bench";
  config.tcpPort = 0;
  config.restartMs = 200;
  config.announce = false;
  CEmulator emulator(config);
  if (!emulator.Start()) return 1;
  VXC comm((gui::BuildProgramDir() + L"\\VXComm.dll").c_str());
  if (!comm.IsLoaded()) return 1;
  PrinterEntry entry = {};
  CopyText(entry.interfaceKindText, L"NET");
  CopyText(entry.portPath, (L"tcp://127.0.0.1:" + std::to_wstring(emulator.TcpPort())).c_str());

  std::vector<double> tests;
  for (int i = 0; i < 20; ++i) {
    PrinterEntry e = entry;
    const auto start = Clock::now();
    if (comm.VXC_CommunicationTest(&e) != kVxcOk) return 1;
    tests.push_back(Ms(Clock::now() - start));
  }

  if (comm.VXC_SetPort(&entry) != kVxcOk || comm.Open(1) != kVxcOk) return 1;
  Delivery delivery;
  comm.VXC_RegisterStatusProc(&Delivery::Proc, static_cast<void*>(&delivery));
  std::vector<double> callbacks;
  for (int i = 0; i < 20; ++i) {
    const int32_t want = i % 2 == 0 ? 6 : 0;
    const auto start = Clock::now();
    emulator.SetCondition("cover", want == 6);
    while (delivery.last != want && Clock::now() - start < std::chrono::seconds(2)) Sleep(0);
    if (delivery.last != want) return 1;
    callbacks.push_back(Ms(Clock::duration(delivery.at.load()) - start.time_since_epoch()));
  }
  comm.VXC_UnregisterStatusProc();

  HMODULE engineLib = LoadLibraryW((gui::BuildProgramDir() + L"\\CustomParamEngine.dll").c_str());
  using OpenFn = int32_t (*)(IVXComm*);
  using GetFn = int32_t (*)(int32_t, CustomParamRecord*);
  auto open = reinterpret_cast<OpenFn>(reinterpret_cast<void*>(GetProcAddress(engineLib, MAKEINTRESOURCEA(2))));
  auto get = reinterpret_cast<GetFn>(reinterpret_cast<void*>(GetProcAddress(engineLib, MAKEINTRESOURCEA(6))));
  if (!open || !get) return 1;
  const int32_t engine = open(&comm);
  std::vector<double> gets;
  for (int i = 0; i < 5; ++i) {
    // Each get leaves user-setting mode, so the printer restarts in between.
    emulator.WaitUntilReady(2000);
    comm.Close();
    if (comm.Open(1) != kVxcOk) return 1;
    CustomParamRecord r = {};
    r.selector = kCutPositionSelector;
    const auto start = Clock::now();
    if (get(engine, &r) != kCpeOk) return 1;
    gets.push_back(Ms(Clock::now() - start));
    Sleep(300);
  }
  comm.Close();
  comm.VXC_Terminate();
  DeleteFileW(registry.c_str());
  std::printf("printer: status change to callback, median of 20 %.1f ms (max %.1f)\n", Median(callbacks),
              *std::max_element(callbacks.begin(), callbacks.end()));
  std::printf("printer: CommunicationTest round trip, median of 20 %.1f ms\n", Median(tests));
  std::printf("printer: customized-value get (enter, two reads, leave), median of 5 %.1f ms\n", Median(gets));
  return 0;
}

// The status line (1025) of the utility's main window.
HWND StatusLineOf(HWND frame) {
  struct Find {
    HWND found = nullptr;
  } find;
  EnumChildWindows(
      frame,
      [](HWND child, LPARAM lp) -> BOOL {
        if (GetDlgCtrlID(child) != 1025) return TRUE;
        reinterpret_cast<Find*>(lp)->found = child;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&find));
  return find.found;
}

int StatusLine() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring registry = std::wstring(temp) + L"vx_bench_status_ports.txt";
  EmulatorConfig config;
  config.name = L"benchstatus";
  config.tcpPort = 0;
  config.announce = false;
  CEmulator emulator(config);
  if (!emulator.Start()) return 1;
  const std::wstring ports = L"\xFEFF" L"NET\t127.0.0.1\ttcp://127.0.0.1:" + std::to_wstring(emulator.TcpPort()) +
                             L"\tVX-R200\n";
  if (!gui::WriteFileBytes(registry, std::string(reinterpret_cast<const char*>(ports.data()),
                                                 ports.size() * sizeof(wchar_t)))) {
    return 1;
  }
  SetEnvironmentVariableW(L"VX_PORT_REGISTRY", registry.c_str());

  gui::CProgramFolder program;
  auto utility = gui::CProcess::Start(program.File(L"VXR500UTL.exe"), L"", program.Path());
  if (!utility) return 1;
  HWND dialog = gui::WaitForWindow(
      utility->Id(), [](const gui::WindowInfo& w) { return GetPropW(w.hwnd, L"VX-R500_UTILITY_VX-R500") != nullptr; },
      60000);
  if (!dialog) return 1;
  gui::PressButton(dialog, IDOK);
  HWND frame = gui::WaitForWindow(
      utility->Id(), [](const gui::WindowInfo& w) { return w.className == L"VXUtilMainFrame"; }, 60000);
  HWND line = frame ? StatusLineOf(frame) : nullptr;
  if (!line || !gui::WaitUntil([&] { return gui::WindowText(line) == L"Status: Online"; }, 30000)) return 1;

  std::vector<double> changes;
  for (int i = 0; i < 20; ++i) {
    const bool open = i % 2 == 0;
    const std::wstring want = open ? L"Status: Cover is open" : L"Status: Online";
    const auto start = Clock::now();
    emulator.SetCondition("cover", open);
    while (gui::WindowText(line) != want && Clock::now() - start < std::chrono::seconds(5)) Sleep(0);
    if (gui::WindowText(line) != want) return 1;
    changes.push_back(Ms(Clock::now() - start));
    Sleep(100);
  }
  // Ended without saving: the bench leaves no settings behind.
  utility->Kill();
  DeleteFileW(registry.c_str());
  std::printf("statusline: condition change to the new status text in the main window, median of 20 %.1f ms "
              "(max %.1f)\n",
              Median(changes), *std::max_element(changes.begin(), changes.end()));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string what = argc > 1 ? argv[1] : "";
  if (what == "startup") return Startup();
  if (what == "langtable") return LangTable();
  if (what == "datafile") return DataFile();
  if (what == "printer") return Printer();
  if (what == "statusline") return StatusLine();
  std::printf("usage: vx_bench startup|langtable|datafile|printer|statusline\n");
  return 2;
}
