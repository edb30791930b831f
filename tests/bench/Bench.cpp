// Benchmarks that run under Wine on the build machine (tools/bench.sh):
//   startup   time from starting VXR500UTL.exe to its printer selection dialog
//   langtable time to find and load the largest window's language table
//   datafile  time to save and load a settings data file of 50 blocks
// Each prints one line per figure; nothing here is a pass/fail test.

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "framework/LangResourceTable.h"
#include "framework/PrinterSettingsList.h"
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

}  // namespace

int main(int argc, char** argv) {
  const std::string what = argc > 1 ? argv[1] : "";
  if (what == "startup") return Startup();
  if (what == "langtable") return LangTable();
  if (what == "datafile") return DataFile();
  std::printf("usage: vx_bench startup|langtable|datafile\n");
  return 2;
}
