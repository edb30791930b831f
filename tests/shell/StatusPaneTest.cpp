// The status pane in the real main frame: reports reach it through the
// callback it registers, called from the communication library's own thread
// (the library is the test double).

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/resource.h"
#include "connection/VXC.h"
#include "framework/FrameMessages.h"
#include "framework/PrinterSettingsList.h"
#include "shell/MainFrame.h"
#include "tests/support/DoubleLibrary.h"
#include "tests/support/GuiDriver.h"
#include "win/Text.h"

namespace {

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

class StatusPane : public testing::Test {
protected:
  void SetUp() override {
    SetDllDirectoryW((gui::TestBinDir() + L"vxcomm_complete").c_str());
    double_ = std::make_unique<gui::CDoubleLibrary>(L"VXComm.dll", "VXCDouble");
    comm_ = std::make_unique<VXC>();
    ASSERT_TRUE(comm_->IsLoaded());
    program_.WriteText(L"MENUITEM.DAT", "");
    CopyText(settings_.exeDir, (program_.Path() + L"\\").c_str());
    CopyText(settings_.langDir, (program_.Path() + L"\\LANG").c_str());
    settings_.langId = 0x409;
    settings_.comm = comm_.get();
    settings_.printerSettingsList = &list_;
    settings_.interfaceKind = 4;
    CopyText(settings_.selectedPrinter.interfaceKindText, L"NET");
    CopyText(settings_.selectedPrinter.portName, L"127.0.0.1");
    CopyText(settings_.selectedPrinter.portPath, L"tcp://127.0.0.1:9100");
  }
  void TearDown() override {
    if (arrangement_.Frame() && IsWindow(arrangement_.Frame()->Hwnd())) DestroyWindow(arrangement_.Frame()->Hwnd());
    Pump();
    comm_.reset();
    double_.reset();
    SetDllDirectoryW(nullptr);
  }
  CUtilStatusView& Open() {
    EXPECT_TRUE(arrangement_.Register());
    CMainFrame* frame = arrangement_.CreateMainWindow(settings_, &list_, connectState_);
    EXPECT_NE(frame, nullptr);
    ShowWindow(frame->Hwnd(), SW_SHOWNORMAL);
    Pump();
    return frame->StatusView();
  }
  // A report from the library's thread; false when no callback was registered.
  bool Report(int32_t status) {
    const bool reported = GetProc<bool (*)(int32_t)>(GetModuleHandleW(L"VXComm.dll"), "VXCDouble_Report")(status);
    Pump();
    return reported;
  }

  gui::CProgramFolder program_;
  std::unique_ptr<gui::CDoubleLibrary> double_;
  std::unique_ptr<VXC> comm_;
  UtilitySettings settings_ = {};
  CPrinterSettingsList list_;
  uint32_t connectState_ = 0;
  CDocArrangement arrangement_{GetModuleHandleW(nullptr)};
};

TEST_F(StatusPane, AttachedToAnAnsweringPrinter) {
  // catches: a pane that draws nothing, names the port by its library
  // address, or never listens to the library
  CUtilStatusView& pane = Open();
  EXPECT_EQ(pane.NameLine(), L"Printer Name: Unknown");  // nothing read from the printer yet
  EXPECT_EQ(pane.PortLine(), L"Port: 127.0.0.1");
  EXPECT_EQ(pane.StatusLine(), L"Status: Online");
  EXPECT_NE(double_->Log().find("RegisterStatusProc"), std::string::npos);
}

TEST_F(StatusPane, ReportsThroughTheCallbackShowThePrecedence) {
  const struct {
    const char* fault;
    std::vector<int32_t> reports;
    std::vector<const wchar_t*> lines;
  } cases[] = {
      {"consumable conditions mixed up with the others", {12, 6, 0, 100},
       {L"Status: Out of ink 1", L"Status: Cover is open", L"Status: Out of ink 1", L"Status: Online"}},
      {"a code outside the table", {23}, {L"Status: Unknown"}},
      {"offline back to online", {16, 0}, {L"Status: Offline", L"Status: Online"}},
  };
  for (const auto& c : cases) {
    CUtilStatusView& pane = Open();
    for (std::size_t i = 0; i < c.reports.size(); ++i) {
      ASSERT_TRUE(Report(c.reports[i])) << c.fault;
      EXPECT_EQ(pane.StatusLine(), c.lines[i]) << c.fault << ", report " << i;
    }
    int32_t status = -2;
    SendMessageW(arrangement_.Frame()->Hwnd(), WM_VX_STATUS_QUERY, reinterpret_cast<WPARAM>(&status), 0);
    EXPECT_EQ(status, pane.Status()) << c.fault;
    DestroyWindow(arrangement_.Frame()->Hwnd());
    Pump();
  }
}

TEST_F(StatusPane, FatalErrorOpensTheGuidance) {
  // catches: the guidance never shown, or shown for the wrong status
  CUtilStatusView& pane = Open();
  std::wstring title;
  gui::CDelayedAction reader(
      [&] {
        HWND dialog = gui::WaitForWindow(
            GetCurrentProcessId(), [](const gui::WindowInfo& w) { return GetDlgItem(w.hwnd, IDC_ERRGUIDE_TEXT); }, 0);
        if (!dialog) return false;
        title = gui::WindowText(dialog);
        gui::PressButton(dialog, IDOK);
        return true;
      },
      10000);
  ASSERT_TRUE(Report(3));
  EXPECT_TRUE(reader.Done());
  EXPECT_EQ(title, L"Fatal Error");
  EXPECT_EQ(pane.StatusLine(), L"Status: Fatal Error");
}

TEST_F(StatusPane, NoReportsDuringARunNorAfterThePaneIsGone) {
  // catches: the callback left registered while a page talks to the
  // printer, never registered again, or reaching a pane that is gone
  CUtilStatusView& pane = Open();
  pane.PauseReports();
  EXPECT_FALSE(Report(6));
  EXPECT_EQ(pane.StatusLine(), L"Status: Online");
  pane.ResumeReports();
  EXPECT_TRUE(Report(6));
  EXPECT_EQ(pane.StatusLine(), L"Status: Cover is open");
  DestroyWindow(arrangement_.Frame()->Hwnd());
  Pump();
  EXPECT_FALSE(Report(0));
}

TEST_F(StatusPane, PortLineOfAPortMonitorPortAndFileMode) {
  // catches: a USB port without its prefix or spooler port, or a status
  // text in file mode where there is no printer
  settings_.interfaceKind = 3;
  CopyText(settings_.selectedPrinter.portName, L"USB001");
  CopyText(settings_.selectedPrinter.portPath, L"pipe://vx/VXPORT2");
  EXPECT_EQ(Open().PortLine(), L"Port: USB-USB001 (VXPORT2)");
  DestroyWindow(arrangement_.Frame()->Hwnd());
  Pump();

  settings_.startMode = static_cast<int32_t>(StartMode::SaveFile);
  settings_.comm = nullptr;
  connectState_ = kVxcFileMode;
  CUtilStatusView& pane = Open();
  EXPECT_EQ(pane.NameLine(), L"Printer Name: VX-R500");
  EXPECT_EQ(pane.StatusLine(), L"Status:");
}

}  // namespace
