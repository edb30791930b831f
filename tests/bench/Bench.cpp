// Benchmarks that run under Wine on the build machine (tools/bench.sh):
//   startup   time from starting VXR500UTL.exe to its printer selection dialog,
//             beside a bare Win32 window started the same way (startup-once:
//             one start alone)
//   langtable time to find and load the largest window's language table
//   datafile  time to save and load a settings data file of 50 blocks
//   printer   against an in-process emulator, through the real libraries:
//             status change to callback, communication test, customized-value get
//   statusline the utility as its own process against an in-process emulator:
//             from the printer's condition change to the new text in the
//             status line of the main window, beside the library's callback
//   refresh   the status pane's refresh (a printer read run) of the utility
//             under this bench as its debugger, beside the printer's round
//             trips in it and the waits the utility announced
//   memory    the utility's private memory after start-up and after 100 page
//             changes, beside a bare window's
//   cutset    "Set" on the cut-position page of the utility (as its own
//             process, under this bench as its debugger) against an
//             in-process emulator: the run beside the waits it announced
// Each prints one line per figure; nothing here is a pass/fail test.

#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "framework/LangResourceTable.h"
#include "connection/VXC.h"
#include "emulator/Emulator.h"
#include "framework/FrameMessages.h"
#include "framework/PrinterSettingsList.h"
#include "makerlibs/include/CustomParamEngineApi.h"
#include "tests/support/GuiDriver.h"
#include "win/SlimLock.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// The visible top-level window of a process that carries the property, asked
// with as few questions to the window system as it takes: the property
// first, which only the window looked for carries.
HWND WindowWithProperty(DWORD processId, const wchar_t* property) {
  struct Search {
    DWORD processId;
    const wchar_t* property;
    HWND found;
  } search{processId, property, nullptr};
  EnumWindows(
      [](HWND hwnd, LPARAM lp) -> BOOL {
        auto* s = reinterpret_cast<Search*>(lp);
        if (!GetPropW(hwnd, s->property)) return TRUE;
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        if (pid != s->processId || !IsWindowVisible(hwnd)) return TRUE;
        s->found = hwnd;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Starts a program and waits for its visible top-level window that carries
// the property; the time to it in ms, or a negative number when it did not
// come. The windows are looked at every 2 ms: the driver's usual interval
// would round both programs' times up to its steps.
double TimeToWindow(const std::wstring& exe, const std::wstring& folder, const wchar_t* property, int closeId,
                    const std::wstring& arguments = L"") {
  const auto start = Clock::now();
  auto p = gui::CProcess::Start(exe, arguments, folder);
  if (!p) return -1;
  HWND window = nullptr;
  const auto deadline = start + std::chrono::seconds(60);
  while (!(window = WindowWithProperty(p->Id(), property)) && Clock::now() < deadline) Sleep(2);
  const auto visible = Clock::now();
  if (!window) return -1;
  if (closeId) gui::PressButton(window, closeId);
  else PostMessageW(window, WM_CLOSE, 0, 0);
  p->WaitForExit(30000);
  return Ms(visible - start);
}

// A yardstick program, beside this bench.
std::wstring YardstickPath(const wchar_t* name) {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring path = self;
  return path.substr(0, path.find_last_of(L'\\') + 1) + name;
}

// One start of the utility to its printer selection (the cold start).
int StartupOnce() {
  gui::CProgramFolder program;
  const double u = TimeToWindow(program.File(L"VXR500UTL.exe"), program.Path(), L"VX-R500_UTILITY_VX-R500", IDCANCEL);
  if (u < 0) return 1;
  std::printf("startup: printer selection visible after %.0f ms\n", u);
  return 0;
}

// The utility to its printer selection, beside a bare Win32 window started
// the same way, and beside its selection dialog shown by a program that does
// nothing else; taken in turns so that all three meet the same machine.
int Startup() {
  gui::CProgramFolder program;
  const std::wstring utilityExe = program.File(L"VXR500UTL.exe");
  const std::wstring bare = YardstickPath(L"vx_bench_bare.exe");
  const std::wstring dialogAlone = YardstickPath(L"vx_bench_dialog.exe");
  std::vector<double> utility, yardstick, template_;
  for (int i = 0; i < 7; ++i) {
    const double u = TimeToWindow(utilityExe, program.Path(), L"VX-R500_UTILITY_VX-R500", IDCANCEL);
    const double b = TimeToWindow(bare, program.Path(), L"VX_BENCH_BARE", 0);
    const double d = TimeToWindow(dialogAlone, program.Path(), L"VX_BENCH_BARE", 0, L"\"" + utilityExe + L"\"");
    if (u < 0 || b < 0 || d < 0) return 1;
    utility.push_back(u);
    yardstick.push_back(b);
    template_.push_back(d);
  }
  const double u = Median(utility), b = Median(yardstick), d = Median(template_);
  std::printf("startup: printer selection visible after %.0f ms, a bare window after %.0f ms: %.2fx (medians of 7)\n",
              u, b, u / b);
  std::printf("startup: the selection dialog alone (no files, library or texts) after %.0f ms: %.2fx the bare "
              "window; the utility %.2fx the dialog alone\n",
              d, d / b, u / d);
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

// The library's communication test against the printer, 20 times (the
// median time of one test and the printer's replies in it), and 20 requests on
// an open link, the yardstick of one round trip.
struct RoundTrip {
  double testMs = 0;
  double repliesPerTest = 0;
  double requestMs = 0;  // one request and its reply on an open link
  double Ms() const { return requestMs; }
};

bool MeasureRoundTrip(CEmulator& emulator, VXC& comm, const PrinterEntry& entry, RoundTrip* out) {
  std::vector<double> tests, asks;
  const int repliesBefore = emulator.Replies();
  for (int i = 0; i < 20; ++i) {
    PrinterEntry e = entry;
    const auto start = Clock::now();
    if (comm.VXC_CommunicationTest(&e) != kVxcOk) return false;
    tests.push_back(Ms(Clock::now() - start));
  }
  out->testMs = Median(tests);
  out->repliesPerTest = (emulator.Replies() - repliesBefore) / 20.0;
  // One request and its reply on an open link: the paper-sensor status.
  PrinterEntry e = entry;
  if (comm.VXC_SetPort(&e) != kVxcOk || comm.Open(1) != kVxcOk) return false;
  const uint8_t ask[] = {0x1D, 0x72, 0x01};
  for (int i = 0; i < 20; ++i) {
    uint32_t done = 0;
    uint8_t reply = 0;
    const auto start = Clock::now();
    if (comm.Write(ask, sizeof(ask), &done, 1000) != kVxcOk || done != sizeof(ask)) return false;
    done = 0;
    if (comm.Read(&reply, 1, &done, 1000) != kVxcOk || done != 1) return false;
    asks.push_back(Ms(Clock::now() - start));
  }
  comm.Close();
  out->requestMs = Median(asks);
  return true;
}

// From a condition change at the printer to the library's status callback,
// 20 changes; the times in ms.
bool MeasureCallbacks(CEmulator& emulator, VXC& comm, const PrinterEntry& entry, std::vector<double>* callbacks) {
  PrinterEntry e = entry;
  if (comm.VXC_SetPort(&e) != kVxcOk || comm.Open(1) != kVxcOk) return false;
  Delivery delivery;
  comm.VXC_RegisterStatusProc(&Delivery::Proc, static_cast<void*>(&delivery));
  bool ok = true;
  for (int i = 0; i < 20 && ok; ++i) {
    const int32_t want = i % 2 == 0 ? 6 : 0;
    const auto start = Clock::now();
    emulator.SetCondition("cover", want == 6);
    while (delivery.last != want && Clock::now() - start < std::chrono::seconds(2)) Sleep(0);
    ok = delivery.last == want;
    if (ok) callbacks->push_back(Ms(Clock::duration(delivery.at.load()) - start.time_since_epoch()));
  }
  comm.VXC_UnregisterStatusProc();
  comm.Close();
  return ok;
}

PrinterEntry NetworkEntry(const CEmulator& emulator) {
  PrinterEntry entry = {};
  CopyText(entry.interfaceKindText, L"NET");
  CopyText(entry.portPath, (L"tcp://127.0.0.1:" + std::to_wstring(emulator.TcpPort())).c_str());
  return entry;
}

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
  const PrinterEntry entry = NetworkEntry(emulator);

  RoundTrip trip;
  std::vector<double> callbacks;
  if (!MeasureRoundTrip(emulator, comm, entry, &trip) || !MeasureCallbacks(emulator, comm, entry, &callbacks)) {
    return 1;
  }

  PrinterEntry e = entry;
  if (comm.VXC_SetPort(&e) != kVxcOk || comm.Open(1) != kVxcOk) return 1;
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
  std::printf("printer: CommunicationTest, median of 20 %.1f ms (%.0f replies each); one request on an open "
              "link %.2f ms\n",
              trip.testMs, trip.repliesPerTest, trip.requestMs);
  std::printf("printer: customized-value get (enter, two reads, leave), median of 5 %.1f ms\n", Median(gets));
  return 0;
}

// An emulated printer in this process on a TCP port of its own, and the
// library's port registry naming it for the utility this bench starts.
class CBenchPrinter {
public:
  explicit CBenchPrinter(const wchar_t* name, uint32_t restartMs = 0) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    registry_ = std::wstring(temp) + L"vx_bench_" + name + L"_ports.txt";
    EmulatorConfig config;
    config.name = name;
    config.tcpPort = 0;
    config.announce = false;
    if (restartMs != 0) config.restartMs = restartMs;
    this->restartMs = config.restartMs;
    emulator_ = std::make_unique<CEmulator>(config);
  }
  ~CBenchPrinter() { DeleteFileW(registry_.c_str()); }

  bool Start() {
    if (!emulator_->Start()) return false;
    const std::wstring ports = L"\xFEFF" L"NET\t127.0.0.1\ttcp://127.0.0.1:" +
                               std::to_wstring(emulator_->TcpPort()) + L"\tVX-R200\n";
    if (!gui::WriteFileBytes(registry_, std::string(reinterpret_cast<const char*>(ports.data()),
                                                    ports.size() * sizeof(wchar_t)))) {
      return false;
    }
    return SetEnvironmentVariableW(L"VX_PORT_REGISTRY", registry_.c_str()) != FALSE;
  }
  CEmulator& Emulator() { return *emulator_; }
  uint32_t restartMs = 0;

private:
  std::wstring registry_;
  std::unique_ptr<CEmulator> emulator_;
};

bool IsSelection(const gui::WindowInfo& w) { return GetPropW(w.hwnd, L"VX-R500_UTILITY_VX-R500") != nullptr; }
bool IsMainFrame(const gui::WindowInfo& w) { return w.className == L"VXUtilMainFrame"; }

// Picks the printer in the utility's selection; its main window showing
// "Status: Online" (nothing when a step fails).
HWND PickThePrinter(DWORD processId) {
  HWND dialog = gui::WaitForWindow(processId, IsSelection, 60000);
  if (!dialog) return nullptr;
  gui::PressButton(dialog, IDOK);
  HWND frame = gui::WaitForWindow(processId, IsMainFrame, 60000);
  HWND line = frame ? gui::FindVisibleChild(frame, 1025) : nullptr;
  if (!line || !gui::WaitUntil([&] { return gui::WindowText(line) == L"Status: Online"; }, 30000)) return nullptr;
  return frame;
}

int StatusLine() {
  CBenchPrinter printer(L"benchstatus");
  if (!printer.Start()) return 1;
  // The library alone first, against the same printer, then the utility.
  std::vector<double> callbacks;
  {
    VXC comm((gui::BuildProgramDir() + L"\\VXComm.dll").c_str());
    if (!comm.IsLoaded() || !MeasureCallbacks(printer.Emulator(), comm, NetworkEntry(printer.Emulator()), &callbacks)) {
      return 1;
    }
    comm.VXC_Terminate();
  }
  gui::CProgramFolder program;
  auto utility = gui::CProcess::Start(program.File(L"VXR500UTL.exe"), L"", program.Path());
  HWND frame = utility ? PickThePrinter(utility->Id()) : nullptr;
  if (!frame) return 1;
  HWND line = gui::FindVisibleChild(frame, 1025);

  std::vector<double> changes;
  for (int i = 0; i < 20; ++i) {
    const bool open = i % 2 == 0;
    const std::wstring want = open ? L"Status: Cover is open" : L"Status: Online";
    const auto start = Clock::now();
    printer.Emulator().SetCondition("cover", open);
    while (gui::WindowText(line) != want && Clock::now() - start < std::chrono::seconds(5)) Sleep(0);
    if (gui::WindowText(line) != want) return 1;
    changes.push_back(Ms(Clock::now() - start));
    Sleep(100);
  }
  // Ended without saving: the bench leaves no settings behind.
  utility->Kill();
  const double line50 = Median(changes), callback50 = Median(callbacks);
  std::printf("statusline: condition change to the new status text in the main window, median of 20 %.1f ms "
              "(max %.1f, target under 100); to the library's callback %.1f ms: %.2fx\n",
              line50, *std::max_element(changes.begin(), changes.end()), callback50,
              callback50 > 0 ? line50 / callback50 : 0.0);
  return 0;
}

// The utility run under this program as its debugger, which hears the waits
// the utility names before it sleeps ("VX-R500 wait: <what> <ms>").
class CDebuggedUtility {
public:
  struct Wait {
    Clock::time_point at;
    std::string what;
    int ms;
  };

  ~CDebuggedUtility() {
    if (process_) TerminateProcess(process_, 1);
    if (loop_.joinable()) loop_.join();
    if (process_) CloseHandle(process_);
  }

  bool Start(const std::wstring& exe, const std::wstring& folder) {
    HANDLE started = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    // The thread that creates a debugged process is the one that must wait
    // for its events.
    loop_ = std::thread([this, exe, folder, started] {
      std::wstring commandLine = L"\"" + exe + L"\"";
      STARTUPINFOW startup = {sizeof(startup)};
      PROCESS_INFORMATION info = {};
      const BOOL created = CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                                          DEBUG_ONLY_THIS_PROCESS, nullptr, folder.c_str(), &startup, &info);
      if (created) {
        CloseHandle(info.hThread);
        process_ = info.hProcess;
        id_ = info.dwProcessId;
      }
      SetEvent(started);
      if (created) Loop();
    });
    WaitForSingleObject(started, INFINITE);
    CloseHandle(started);
    return process_ != nullptr;
  }
  DWORD Id() const { return id_; }
  HANDLE Handle() const { return process_; }

  // The ms of the waits announced between the two times, and their names
  // and lengths (" restart 500 ...") in *parts.
  double WaitedBetween(Clock::time_point from, Clock::time_point to, std::string* parts) {
    std::scoped_lock hold(lock_);
    double waited = 0;
    for (const Wait& w : waits_) {
      if (w.at < from || w.at > to) continue;
      waited += w.ms;
      *parts += " " + w.what + " " + std::to_string(w.ms);
    }
    return waited;
  }

private:
  void Loop() {
    for (;;) {
      DEBUG_EVENT event = {};
      if (!WaitForDebugEvent(&event, INFINITE)) return;
      DWORD answer = DBG_CONTINUE;
      switch (event.dwDebugEventCode) {
        case CREATE_PROCESS_DEBUG_EVENT:
          if (event.u.CreateProcessInfo.hFile) CloseHandle(event.u.CreateProcessInfo.hFile);
          break;
        case LOAD_DLL_DEBUG_EVENT:
          if (event.u.LoadDll.hFile) CloseHandle(event.u.LoadDll.hFile);
          break;
        case OUTPUT_DEBUG_STRING_EVENT:
          Heard(event.u.DebugString);
          break;
        case EXCEPTION_DEBUG_EVENT:
          // The utility's own exceptions stay its own.
          if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT) {
            answer = DBG_EXCEPTION_NOT_HANDLED;
          }
          break;
        default:
          break;
      }
      const bool ended = event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT;
      ContinueDebugEvent(event.dwProcessId, event.dwThreadId, answer);
      if (ended) return;
    }
  }

  void Heard(const OUTPUT_DEBUG_STRING_INFO& info) {
    const auto at = Clock::now();
    std::string text;
    const std::size_t units = std::min<std::size_t>(info.nDebugStringLength, 512);
    SIZE_T got = 0;
    if (info.fUnicode) {
      std::wstring wide(units, L'\0');
      if (!ReadProcessMemory(process_, info.lpDebugStringData, wide.data(), units * sizeof(wchar_t), &got)) return;
      for (wchar_t c : wide) text += c < 128 ? static_cast<char>(c) : '?';
    } else {
      text.assign(units, '\0');
      if (!ReadProcessMemory(process_, info.lpDebugStringData, text.data(), units, &got)) return;
    }
    constexpr char kPrefix[] = "VX-R500 wait: ";
    if (text.rfind(kPrefix, 0) != 0) return;
    text = text.substr(sizeof(kPrefix) - 1);
    const std::size_t space = text.rfind(' ');
    if (space == std::string::npos) return;
    Wait wait{at, text.substr(0, space), std::atoi(text.c_str() + space + 1)};
    std::scoped_lock hold(lock_);
    waits_.push_back(std::move(wait));
  }

  std::thread loop_;
  HANDLE process_ = nullptr;
  DWORD id_ = 0;
  CSlimLock lock_;
  std::vector<Wait> waits_;
};

// "Set" on the cut-position page, from the click to the progress dialog's
// end, beside the waits the utility announced in that time; the median of
// the time beyond them. A printer that takes longer to restart than the
// utility's first wait keeps the run waiting on top of its waits.
// The enter commands the printer heard since the count was last cleared.
int EntriesHeard(CEmulator& emulator) {
  const std::string line = emulator.ExecuteLine("usersetting");
  const std::size_t at = line.rfind(' ');
  return at == std::string::npos ? -1 : std::atoi(line.c_str() + at + 1);
}

bool CutSetRuns(uint32_t restartMs, int runs, double* overMedian, double* afterBackMedian, double* ratioMedian,
                double* readyMedian) {
  CBenchPrinter printer(L"benchcut", restartMs);
  if (!printer.Start()) return false;
  CEmulator& emulator = printer.Emulator();
  gui::CProgramFolder program;
  CDebuggedUtility utility;
  if (!utility.Start(program.File(L"VXR500UTL.exe"), program.Path())) return false;
  HWND frame = PickThePrinter(utility.Id());
  HWND range = nullptr;
  if (!frame || !gui::WaitUntil([&] { return (range = gui::FindVisibleChild(frame, 1006)) != nullptr; }, 10000)) {
    return false;
  }
  HWND page = GetParent(range);
  HWND edit = GetDlgItem(page, 1001);
  HWND line = gui::FindVisibleChild(frame, 1025);

  std::vector<double> overs, afterBack, ratios, ready;
  for (int run = 0; run < runs; ++run) {
    // Each read of the values restarts the printer: start from a quiet one.
    if (!gui::WaitUntil([&] { return !emulator.Restarting() && gui::WindowText(line) == L"Status: Online"; },
                        30000)) {
      return false;
    }
    const std::wstring value = run % 2 == 0 ? L"12.5" : L"-3.0";
    SendMessageW(edit, EM_SETSEL, 0, -1);
    for (wchar_t c : value) PostMessageW(edit, WM_CHAR, c, 1);
    if (!gui::WaitUntil([&] { return gui::WindowText(edit) == value; }, 5000)) return false;

    const int restartsBefore = emulator.Restarts();
    emulator.ExecuteLine("clear");
    Clock::time_point restartFrom{}, restartTo{};
    const auto click = Clock::now();
    gui::PressButton(page, 1005);
    bool disabled = false;
    while (Clock::now() - click < std::chrono::seconds(120)) {
      const bool restarting = emulator.Restarting();
      if (restarting && restartFrom == Clock::time_point{} && emulator.Restarts() > restartsBefore) {
        restartFrom = Clock::now();
      }
      if (!restarting && restartFrom != Clock::time_point{} && restartTo == Clock::time_point{}) {
        restartTo = Clock::now();
      }
      const bool enabled = IsWindowEnabled(frame) != FALSE;
      if (!enabled) disabled = true;
      if (disabled && enabled) break;
      Sleep(1);
    }
    const auto end = Clock::now();
    if (!disabled || IsWindowEnabled(frame) == FALSE) return false;
    const double took = Ms(end - click);
    std::string parts;
    const double waited = utility.WaitedBetween(click, end, &parts);
    overs.push_back(took - waited);
    if (waited > 0) ratios.push_back(took / waited);
    if (restartTo > click) afterBack.push_back(Ms(end - restartTo));
    std::printf("cutset: restart %u ms, run %d (%ls mm): %.0f ms from the click to the progress dialog's end, "
                "waits %.0f ms (%s), beyond them %.0f ms; the printer restarted in %.0f ms\n",
                restartMs, run + 1, value.c_str(), took, waited, parts.empty() ? "none" : parts.substr(1).c_str(),
                took - waited, restartTo > restartFrom ? Ms(restartTo - restartFrom) : 0.0);
    if (HWND box = gui::WaitForMessageBox(utility.Id(), 300)) {
      std::printf("cutset: run %d ended in a message: %ls\n", run + 1, gui::MessageBoxText(box).c_str());
      return false;
    }
    // Set to ready: from the click to a printer that is online and is not
    // entered again (a read after the Set's own restart would restart it
    // once more).
    const int entries = EntriesHeard(emulator);
    if (!gui::WaitUntil([&] { return !emulator.Restarting() && gui::WindowText(line) == L"Status: Online"; }, 60000)) {
      return false;
    }
    const double readyMs = Ms(Clock::now() - click);
    Sleep(restartMs + 3000);
    const int later = EntriesHeard(emulator) - entries;
    std::printf("cutset: restart %u ms, run %d: Set to ready %.0f ms (%d enter commands in the Set, %d after it)\n",
                restartMs, run + 1, readyMs, entries, later);
    ready.push_back(later == 0 ? readyMs : 1e9);
  }
  *overMedian = Median(overs);
  *afterBackMedian = afterBack.empty() ? 0.0 : Median(afterBack);
  *ratioMedian = ratios.empty() ? 0.0 : Median(ratios);
  *readyMedian = Median(ready);
  return true;
}

int CutSet() {
  // The emulator's own restart time (longer than the first wait), and one
  // shorter than it, where only the utility's waits and work remain.
  double slow = 0, slowAfterBack = 0, slowRatio = 0, quick = 0, quickAfterBack = 0, quickRatio = 0;
  double slowReady = 0, quickReady = 0;
  if (!CutSetRuns(3000, 3, &slow, &slowAfterBack, &slowRatio, &slowReady) ||
      !CutSetRuns(1500, 3, &quick, &quickAfterBack, &quickRatio, &quickReady)) {
    return 1;
  }
  for (const auto& [restartMs, readyMs] : {std::pair{3000, slowReady}, std::pair{1500, quickReady}}) {
    std::printf("Set to ready: median of 3: %.0f ms with the emulator's restart time %d ms (goal %d ms or less)\n",
                readyMs, restartMs, restartMs + 1500);
  }
  std::printf("cutset: beyond the waits, median of 3: %.0f ms with a 1500 ms restart (target 300), %.2fx its "
              "waits; %.0f ms with a 3000 ms restart, %.2fx its waits, of which the printer was back for the last "
              "%.0f ms\n",
              quick, quickRatio, slow, slowRatio, slowAfterBack);
  return 0;
}

// The status pane's refresh, a printer read run, 10 times: its time beside
// the printer's replies in it (at the round trip the library's own test
// takes) and the waits the utility announced.
int Refresh() {
  CBenchPrinter printer(L"benchrefresh");
  if (!printer.Start()) return 1;
  CEmulator& emulator = printer.Emulator();
  RoundTrip trip;
  {
    VXC comm((gui::BuildProgramDir() + L"\\VXComm.dll").c_str());
    if (!comm.IsLoaded() || !MeasureRoundTrip(emulator, comm, NetworkEntry(emulator), &trip)) return 1;
    comm.VXC_Terminate();
  }
  gui::CProgramFolder program;
  CDebuggedUtility utility;
  if (!utility.Start(program.File(L"VXR500UTL.exe"), program.Path())) return 1;
  HWND frame = PickThePrinter(utility.Id());
  if (!frame) return 1;
  HWND line = gui::FindVisibleChild(frame, 1025);

  std::vector<double> runs, yardsticks;
  double repliesSeen = 0, waitsSeen = 0;
  for (int run = 0; run < 10; ++run) {
    if (!gui::WaitUntil([&] { return !emulator.Restarting() && gui::WindowText(line) == L"Status: Online"; },
                        30000)) {
      return 1;
    }
    Sleep(200);
    const int repliesBefore = emulator.Replies();
    const auto start = Clock::now();
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(frame, WM_VX_STATUS_REFRESH, 0, 0, SMTO_NORMAL, 120000, &result)) return 1;
    const auto end = Clock::now();
    const int replies = emulator.Replies() - repliesBefore;
    std::string parts;
    const double waited = utility.WaitedBetween(start, end, &parts);
    if (run == 0) std::printf("refresh: the waits of a run:%s\n", parts.empty() ? " none" : parts.c_str());
    runs.push_back(Ms(end - start));
    yardsticks.push_back(replies * trip.Ms() + waited);
    repliesSeen += replies;
    waitsSeen += waited;
  }
  const double took = Median(runs), yardstick = Median(yardsticks);
  std::printf("refresh: the status pane's read run, median of 10 %.0f ms; %.0f replies at %.1f ms and %.0f ms of "
              "waits: %.0f ms: %.2fx\n",
              took, repliesSeen / 10, trip.Ms(), waitsSeen / 10, yardstick, yardstick > 0 ? took / yardstick : 0.0);
  return 0;
}

// The process's private (committed) bytes; 0 when they cannot be read.
SIZE_T PrivateBytes(HANDLE process) {
  PROCESS_MEMORY_COUNTERS_EX counters = {};
  counters.cb = sizeof(counters);
  if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof(counters))) {
    std::printf("memory: GetProcessMemoryInfo failed (%lu)\n", GetLastError());
    return 0;
  }
  return counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage;
}

// The dialogs showing among a window's descendants: the status pane and the
// pages.
std::vector<HWND> VisibleDialogs(HWND frame) {
  std::vector<HWND> dialogs;
  EnumChildWindows(
      frame,
      [](HWND child, LPARAM lp) -> BOOL {
        if (IsWindowVisible(child) && gui::ClassOf(child) == L"#32770") {
          reinterpret_cast<std::vector<HWND>*>(lp)->push_back(child);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&dialogs));
  return dialogs;
}

double MiB(SIZE_T bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

// The utility's private memory once its main window shows, and after 100
// changes between the rows of its menu pane, beside a bare window's.
int Memory() {
  gui::CProgramFolder program;
  SIZE_T bare = 0;
  {
    auto p = gui::CProcess::Start(YardstickPath(L"vx_bench_bare.exe"), L"", program.Path());
    HWND window = p ? gui::WaitForWindow(
                          p->Id(), [](const gui::WindowInfo& w) { return GetPropW(w.hwnd, L"VX_BENCH_BARE") != nullptr; },
                          30000)
                    : nullptr;
    if (!window) return 1;
    Sleep(500);
    bare = PrivateBytes(p->Handle());
    PostMessageW(window, WM_CLOSE, 0, 0);
    p->WaitForExit(10000);
  }

  CBenchPrinter printer(L"benchmemory");
  if (!printer.Start()) return 1;
  CEmulator& emulator = printer.Emulator();
  auto utility = gui::CProcess::Start(program.File(L"VXR500UTL.exe"), L"", program.Path());
  HWND frame = utility ? PickThePrinter(utility->Id()) : nullptr;
  if (!frame) return 1;
  HWND line = gui::FindVisibleChild(frame, 1025);
  HWND list = gui::FindChildOfClass(frame, L"SysListView32");
  const int rows = list ? static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)) : 0;
  if (rows < 2) {
    std::printf("memory: the menu pane has %d rows\n", rows);
    return 1;
  }
  const auto settled = [&] {
    return gui::WaitUntil(
        [&] {
          return IsWindowEnabled(frame) && !emulator.Restarting() && gui::WindowText(line) == L"Status: Online";
        },
        60000);
  };
  if (!settled()) {
    std::printf("memory: the main window did not settle\n");
    return 1;
  }
  Sleep(500);
  const SIZE_T started = PrivateBytes(utility->Handle());
  const auto from = Clock::now();
  for (int change = 1; change <= 100; ++change) {
    // The first row heads the pages; the utility opens on the second.
    const int row = 1 + change % (rows - 1);
    const std::vector<HWND> before = VisibleDialogs(frame);
    const auto chosen = [&] { return gui::WaitUntil([&] { return VisibleDialogs(frame) != before; }, 10000); };
    if (!gui::ClickListViewRow(list, row) || !chosen() || !settled()) {
      std::printf("memory: page change %d to row %d did not settle (status \"%ls\")\n", change, row,
                  gui::WindowText(line).c_str());
      return 1;
    }
    if (HWND box = gui::WaitForMessageBox(utility->Id(), 0)) {
      std::printf("memory: page change %d ended in a message: %ls\n", change, gui::MessageBoxText(box).c_str());
      return 1;
    }
  }
  const double took = Ms(Clock::now() - from);
  Sleep(500);
  const SIZE_T after = PrivateBytes(utility->Handle());
  utility->Kill();
  if (started == 0 || after == 0 || bare == 0) {
    std::printf("memory: no private memory figure (%zu, %zu, %zu)\n", started, after, bare);
    return 1;
  }
  std::printf("memory: private memory after start-up %.1f MiB, a bare window %.1f MiB: %.2fx\n", MiB(started),
              MiB(bare), MiB(started) / MiB(bare));
  std::printf("memory: after 100 page changes among %d pages (%.0f s) %.1f MiB: %.2fx of after start-up\n", rows - 1,
              took / 1000, MiB(after), MiB(after) / MiB(started));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string what = argc > 1 ? argv[1] : "";
  if (what == "startup") return Startup();
  if (what == "startup-once") return StartupOnce();
  if (what == "langtable") return LangTable();
  if (what == "datafile") return DataFile();
  if (what == "printer") return Printer();
  if (what == "statusline") return StatusLine();
  if (what == "cutset") return CutSet();
  if (what == "refresh") return Refresh();
  if (what == "memory") return Memory();
  std::printf("usage: vx_bench startup|startup-once|langtable|datafile|printer|statusline|cutset|refresh|memory\n");
  return 2;
}
