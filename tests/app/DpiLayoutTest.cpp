// Every window of the utility at 96, 120 and 144 dots per inch against the
// emulated printer: nothing cut, nothing reaching out of its dialog or pane,
// nothing drawn over something else, and a picture of each window.
//
// A program reads the resolution once, when it starts. So the test sets it
// in the registry (this runs in a Wine prefix of its own) and starts a copy
// of itself for each resolution, which starts the utility and checks it with
// texts measured at the same resolution.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/app/EndToEnd.h"
#include "tests/support/LayoutCheck.h"
#include "win/Dpi.h"

namespace e2e {
namespace {

constexpr wchar_t kDpiVariable[] = L"VX_LAYOUT_DPI";

std::wstring FindingsPath(int dpi) { return gui::TestBinDir() + L"layout-" + std::to_wstring(dpi) + L"dpi.txt"; }

// The resolution new programs start with, for the life of the object.
class CLogPixels {
public:
  explicit CLogPixels(DWORD dpi) { Set(dpi); }
  ~CLogPixels() { Set(96); }
  CLogPixels(const CLogPixels&) = delete;
  CLogPixels& operator=(const CLogPixels&) = delete;
  static bool Set(DWORD dpi) {
    return RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &dpi,
                           sizeof(dpi)) == ERROR_SUCCESS;
  }
};

TEST(DpiLayoutAll, NothingIsCutOrCoveredAt96And120And144Dpi) {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  for (const DWORD dpi : {96u, 120u, 144u}) {
    ASSERT_TRUE(CLogPixels::Set(dpi));
    CLogPixels restore(dpi);
    DeleteFileW(FindingsPath(static_cast<int>(dpi)).c_str());
    SetEnvironmentVariableW(kDpiVariable, std::to_wstring(dpi).c_str());
    auto child = gui::CProcess::Start(
        self, L"--gtest_also_run_disabled_tests --gtest_filter=DpiLayout.DISABLED_EveryWindowAtTheResolution",
        gui::TestBinDir());
    SetEnvironmentVariableW(kDpiVariable, nullptr);
    ASSERT_NE(child, nullptr);
    DWORD code = 1;
    ASSERT_TRUE(child->WaitForExit(300000, &code)) << dpi << " dpi: the check did not end";
    std::ifstream findings(std::filesystem::path(FindingsPath(static_cast<int>(dpi))));
    std::stringstream text;
    text << findings.rdbuf();
    EXPECT_EQ(code, 0u) << dpi << " dpi:\n" << text.str();
    EXPECT_NE(text.str().find("checked"), std::string::npos) << dpi << " dpi: the check did not run to its end";
  }
}

class DpiLayout : public EndToEnd {
protected:
  // The window's faults, noted for the report, and its picture.
  void Look(HWND window, const std::string& name) {
    ASSERT_NE(window, nullptr) << name;
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(300);
    for (const std::string& fault : gui::LayoutFaults(window)) faults_.push_back(name + ": " + fault);
    const std::wstring picture = gui::TestBinDir() + std::wstring(name.begin(), name.end()) + L"-" +
                                 std::to_wstring(dpi_) + L"dpi.bmp";
    EXPECT_TRUE(gui::SaveWindowPicture(window, picture)) << name;
    looked_.push_back(name);
  }
  // What was found, for the program that started this one; "checked" only
  // when every window was looked at.
  void TearDown() override {
    if (dpi_ != 0) {
      std::ofstream out(std::filesystem::path(FindingsPath(dpi_)));
      for (const std::string& fault : faults_) out << fault << "\n";
      out << (finished_ ? "checked" : "stopped after") << " at " << dpi_ << " dpi:";
      for (const std::string& name : looked_) out << " " << name;
      out << "\n";
    }
    EndToEnd::TearDown();
  }
  void Close(HWND dialog, int button = IDCANCEL) {
    gui::PressButton(dialog, button);
    EXPECT_TRUE(gui::WaitUntil([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, kStartMs));
  }

  int dpi_ = 0;
  bool finished_ = false;
  std::vector<std::string> faults_;
  std::vector<std::string> looked_;
};

TEST_F(DpiLayout, DISABLED_EveryWindowAtTheResolution) {
  const wchar_t* wanted = _wgetenv(kDpiVariable);
  if (!wanted) GTEST_SKIP() << "started by DpiLayoutAll only";
  dpi_ = _wtoi(wanted);
  // Measured as the utility draws: at the real resolution.
  using SetContextFn = BOOL(WINAPI*)(HANDLE);
  const auto setContext = reinterpret_cast<SetContextFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext")));
  ASSERT_NE(setContext, nullptr);
  setContext(reinterpret_cast<HANDLE>(-4));  // per monitor, second version
  ASSERT_EQ(WindowDpi(nullptr), dpi_);

  // The tools whose waiting windows port setup shows, as stand-ins.
  gui::CInstalledTool networkTool(L"ORVIK\\OrvikNet Config V4\\NetConfigurator.exe");
  gui::CInstalledTool bluetoothTool(L"ORVIK\\VX Bluetooth Connector\\VXBluetoothConnector.exe");
  ASSERT_TRUE(networkTool.Installed() && bluetoothTool.Installed());

  // The printer selection in the other languages first: German has the
  // longest texts.
  const std::wstring ini = program_.File(L"SETTING.INI");
  for (const auto& [langId, name] : {std::pair{L"0407", "printer-selection-de"}, std::pair{L"0411", "printer-selection-ja"}}) {
    ASSERT_TRUE(WritePrivateProfileStringW(L"LANGUAGE", L"LANGID", langId, ini.c_str()));
    HWND dialog = StartAndWaitForSelection();
    Look(dialog, name);
    Close(dialog);
    EXPECT_TRUE(utility_->WaitForExit(kStartMs)) << name;
  }
  ASSERT_TRUE(WritePrivateProfileStringW(L"LANGUAGE", L"LANGID", L"0409", ini.c_str()));

  HWND selection = StartAndWaitForSelection();
  ASSERT_NE(selection, nullptr);
  const DWORD id = utility_->Id();
  Look(selection, "printer-selection");

  // The port setup with each interface it offers.
  gui::PressButton(selection, 1003);
  HWND setup = WaitForDialogWith(id, 1030);
  ASSERT_NE(setup, nullptr);
  // Ethernet and Bluetooth have a tool, whose waiting window shows while it
  // runs (its button, the waiting window's text and picture).
  const struct {
    int button;
    const char* name;
    int toolButton, toolText;
    const char* waitingName;
  } interfaces[] = {{2000, "serial", 0, 0, nullptr},
                    {2001, "parallel", 0, 0, nullptr},
                    {2002, "usb", 0, 0, nullptr},
                    {2003, "ethernet", 1015, 5020, "network-tool-waiting"},
                    {2004, "bluetooth", 1034, 5018, "bluetooth-tool-waiting"}};
  for (const auto& kind : interfaces) {
    HWND button = GetDlgItem(setup, kind.button);
    if (!button || !IsWindowVisible(button)) continue;
    // Clicked, not only commanded: the interface's button shows pressed.
    PostMessageW(button, BM_CLICK, 0, 0);
    EXPECT_TRUE(gui::WaitUntil([&] { return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }, 5000))
        << kind.name;
    Sleep(500);
    Look(setup, std::string("port-setup-") + kind.name);
    if (!kind.toolButton) continue;
    const std::string waitingName = kind.waitingName;
    ASSERT_TRUE(gui::WaitUntil([&] { return IsWindowEnabled(GetDlgItem(setup, kind.toolButton)) != FALSE; }, 5000))
        << waitingName;
    gui::PressButton(setup, kind.toolButton);
    HWND waiting = WaitForDialogWith(id, kind.toolText);
    Look(waiting, waitingName);
    EXPECT_TRUE(gui::CloseTheTool()) << waitingName;
    if (kind.toolButton == 1034) {
      // The connector paired nothing here: the search after it finds no port.
      HWND box = gui::WaitForMessageBox(id, kStartMs);
      ASSERT_NE(box, nullptr) << waitingName;
      EXPECT_EQ(gui::MessageBoxText(box), L"Cannot find the printer.");
      gui::PressButton(box, IDOK);
    }
    EXPECT_TRUE(gui::WaitUntil([&] { return !IsWindow(waiting); }, kStartMs)) << waitingName;
    EXPECT_TRUE(gui::WaitUntil([&] { return IsWindowEnabled(GetDlgItem(setup, kind.button)) != FALSE; }, kStartMs))
        << waitingName << ": the port setup comes back";
  }
  Close(setup);

  gui::PressButton(selection, 1026);
  HWND language = WaitForDialogWith(id, 1000, selection);
  Look(language, "select-language");
  Close(language);

  // The main window and each page.
  gui::PressButton(selection, IDOK);
  HWND frame = WaitForMainWindow();
  ASSERT_NE(frame, nullptr);
  ASSERT_TRUE(gui::WaitUntil([&] { return gui::WindowText(FindVisibleChild(frame, 1025)) == L"Status: Online"; },
                             kStartMs));
  Look(frame, "main-window");
  const struct {
    const wchar_t* row;
    int control;
    const char* name;
  } pages[] = {{L"Memory Switches", 1101, "memory-switch-page"},
               {L"Customized Values", 1200, "customized-value-page"},
               {L"Adjust Cut Position", 1006, "cut-position-page"}};
  for (const auto& page : pages) {
    ASSERT_TRUE(gui::WaitUntil([&] { return IsWindowEnabled(frame) != FALSE; }, 60000)) << page.name;
    ASSERT_TRUE(SelectMenuRow(frame, page.row)) << page.name;
    ASSERT_TRUE(gui::WaitUntil([&] { return FindVisibleChild(frame, page.control) != nullptr; }, 10000)) << page.name;
    ASSERT_TRUE(gui::WaitUntil([&] { return IsWindowEnabled(frame) != FALSE; }, 60000)) << page.name;
    Look(frame, page.name);
  }

  // The progress dialog of a Set.
  ASSERT_TRUE(WaitForStatus("restarting 0"));
  ASSERT_TRUE(gui::WaitUntil([&] { return gui::WindowText(FindVisibleChild(frame, 1025)) == L"Status: Online"; },
                             kStartMs));
  HWND cut = GetParent(FindVisibleChild(frame, 1006));
  Type(GetDlgItem(cut, 1001), L"12.5");
  ASSERT_TRUE(gui::WaitUntil([&] { return gui::WindowText(GetDlgItem(cut, 1001)) == L"12.5"; }, 5000));
  gui::PressButton(cut, 1005);
  HWND progress = WaitForDialogWith(id, 1029);
  Look(progress, "progress");
  ASSERT_TRUE(gui::WaitUntil([&] { return IsWindowEnabled(frame) != FALSE; }, 60000)) << "the progress dialog ends";

  // About, from the system menu.
  PostMessageW(frame, WM_SYSCOMMAND, 0xE140, 0);
  HWND about = WaitForDialogWith(id, 1041);
  Look(about, "about");
  Close(about, IDOK);

  // The error guidance of a printer error.
  Control("condition cutter on");
  HWND guidance = WaitForDialogWith(id, 1036);
  Look(guidance, "error-guidance");
  Close(guidance, IDOK);
  Control("condition cutter off");

  // File mode's main window.
  ASSERT_TRUE(WaitForStatus("restarting 0"));
  PostMessageW(frame, WM_CLOSE, 0, 0);
  ASSERT_TRUE(utility_->WaitForExit(kStartMs));
  utility_ = gui::CProcess::Start(program_.File(L"VXR500UTL.exe"), L"\"/mF" + temp_.Path() + L"\\shop.vxc\"",
                                  program_.Path());
  ASSERT_TRUE(utility_);
  HWND fileFrame = WaitForMainWindow();
  ASSERT_NE(fileFrame, nullptr);
  ASSERT_TRUE(gui::WaitUntil([&] { return FindVisibleChild(fileFrame, 1006) != nullptr; }, 10000));
  Look(fileFrame, "main-window-file-mode");
  utility_->Kill();

  finished_ = true;
  std::string all;
  for (const std::string& fault : faults_) all += fault + "\n";
  EXPECT_TRUE(faults_.empty()) << all;
}

}  // namespace
}  // namespace e2e
