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
#include "framework/SettingsBlocks.h"
#include "printerinfo/PrinterInfoBlock.h"
#include "shell/MainFrame.h"
#include "tests/doubles/PluginLog.h"
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
    info_ = std::make_unique<gui::CDoubleLibrary>(L"PrnInfoBroker.dll", "PrnInfoDouble");
    comm_ = std::make_unique<VXC>();
    ASSERT_TRUE(comm_->IsLoaded() && info_->Loaded());
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
    info_.reset();
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

  // The printer-information block as the read left it.
  struct InfoBlock {
    bool present = false;
    uint8_t bytes[kPrinterInfoBlockSize] = {};
    std::wstring Text(std::size_t offset) const {
      const std::u16string text = ReadPrinterInfoText(bytes, offset);
      return std::wstring(text.begin(), text.end());
    }
    uint32_t Value(std::size_t offset) const { return ReadLe32(bytes + offset); }
  };
  InfoBlock Block() const {
    InfoBlock block;
    block.present = list_.ReadBlock(kPrinterInfoBlockId, block.bytes, kPrinterInfoBlockSize) == 0;
    return block;
  }
  // Counts a call in the printer-information library's log.
  std::size_t Calls(const std::string& call) {
    const std::string log = info_->Log();
    std::size_t n = 0;
    for (std::size_t at = log.find(call + ";"); at != std::string::npos; at = log.find(call + ";", at + 1)) ++n;
    return n;
  }

  gui::CProgramFolder program_;
  std::unique_ptr<gui::CDoubleLibrary> double_;
  std::unique_ptr<gui::CDoubleLibrary> info_;
  std::unique_ptr<VXC> comm_;
  UtilitySettings settings_ = {};
  CPrinterSettingsList list_;
  uint32_t connectState_ = 0;
  CDocArrangement arrangement_{GetModuleHandleW(nullptr)};
};

TEST_F(StatusPane, AttachedToAnAnsweringPrinter) {
  // catches: a pane that draws nothing, loses the network port's TCP port,
  // or never listens to the library
  CUtilStatusView& pane = Open();
  EXPECT_TRUE(gui::WaitUntil([&] {
    Pump();
    return pane.NameLine() == L"Printer Name: VX-R500";
  }, 5000)) << "the printer's information was read at attach";
  EXPECT_EQ(pane.PortLine(), L"Port: 127.0.0.1 (127.0.0.1:9100)");
  EXPECT_EQ(pane.StatusLine(), L"Status: Online");
  EXPECT_NE(double_->Log().find("RegisterStatusProc"), std::string::npos);

  // catches: the identity asked in another order, a block missing a text
  // or its defaults, or a complete read that does not let the settings be saved
  EXPECT_EQ(info_->Log(), "Initialize(comm);GetPrinterName;GetDeviceID;GetPrinterInfo(117);GetPrinterInformation;");
  using namespace printer_info;
  const InfoBlock block = Block();
  ASSERT_TRUE(block.present);
  EXPECT_EQ(block.Text(kText1), L"VX-R200");
  EXPECT_EQ(block.Text(kModelName), L"VX-R500");
  EXPECT_EQ(block.Text(kText3), L"1.02 VXR");
  EXPECT_EQ(block.Text(kText4), L"D4X0012345");
  EXPECT_EQ(block.Text(kText5), L"ORVIK");
  EXPECT_EQ(block.Value(kReadFlag), 1u);
  EXPECT_EQ(block.Value(kValue984), 80u);
  EXPECT_EQ(block.Value(kValue988), 180u);
  EXPECT_EQ(ReadLe32(block.bytes + 4), static_cast<uint32_t>(kPrinterInfoBlockId));
  EXPECT_EQ(list_.writeFlag, 1);

  // The binding is held as long as the window: finalised when it goes.
  DestroyWindow(arrangement_.Frame()->Hwnd());
  Pump();
  EXPECT_EQ(Calls("Finalize"), 1u);
  EXPECT_EQ(Calls("Initialize(comm)"), 1u);
}

TEST_F(StatusPane, ReadThatStopsOrIsPartialLeavesTheBlock) {
  const struct {
    const char* fault;
    std::vector<std::pair<const char*, int64_t>> answers;
    const wchar_t* message;
    bool modelAsked;
    uint32_t flag;
  } cases[] = {
      {"the sister model taken for the served one", {{"item117", 0}},
       L"The device ID does not match the connected printer.", true, 0},
      {"a foreign printer's name not checked", {{"name", 2}}, L"The device ID does not match the connected printer.",
       false, 0},
      {"a family member's name taken outside the driver installers", {{"name", 3}},
       L"The device ID does not match the connected printer.", false, 0},
      {"a failed information read taken as complete", {{"GetPrinterInformation", -3}},
       L"Could not get some settings from the printer.", true, 0},
  };
  for (const auto& c : cases) {
    info_->Reset();
    for (const auto& [key, value] : c.answers) info_->Set(key, value);
    list_.RemoveAllBlocks();
    list_.writeFlag = 0;
    std::vector<gui::MessageBoxRecord> seen;
    {
      gui::CMessageBoxWatcher boxes;
      CUtilStatusView& pane = Open();
      EXPECT_TRUE(gui::WaitUntil([&] { return !boxes.Seen().empty(); }, 5000)) << c.fault;
      Pump();
      seen = boxes.Seen();
      EXPECT_EQ(pane.NameLine(), L"Printer Name: Unknown") << c.fault;
      EXPECT_EQ(pane.StatusLine(), L"Status: Online") << c.fault;
    }
    ASSERT_EQ(seen.size(), 1u) << c.fault;
    EXPECT_EQ(seen[0].text, c.message) << c.fault;
    EXPECT_EQ(seen[0].title, L"VX-R500 Utility") << c.fault;
    EXPECT_EQ(Calls("GetPrinterInfo(117)"), c.modelAsked ? 1u : 0u) << c.fault;
    const InfoBlock block = Block();
    ASSERT_TRUE(block.present) << c.fault << ": registered with its defaults at opening";
    EXPECT_EQ(block.Text(printer_info::kModelName), L"") << c.fault;
    EXPECT_EQ(block.Value(printer_info::kReadFlag), c.flag) << c.fault;
    EXPECT_EQ(block.Value(printer_info::kValue984), 80u) << c.fault;
    EXPECT_EQ(list_.writeFlag, 0) << c.fault;
    DestroyWindow(arrangement_.Frame()->Hwnd());
    Pump();
  }
}

TEST_F(StatusPane, OfflineThenOnlineReadsThePrinterAgain) {
  // catches: information never read again after the printer was away, or
  // read again on every report
  CUtilStatusView& pane = Open();
  ASSERT_EQ(Calls("GetPrinterName"), 1u);
  ASSERT_TRUE(Report(6));
  ASSERT_TRUE(Report(0));
  EXPECT_EQ(Calls("GetPrinterName"), 1u) << "a closed cover needs no new read";
  ASSERT_TRUE(Report(1));
  EXPECT_EQ(pane.StatusLine(), L"Status: Offline");
  ASSERT_TRUE(Report(0));
  EXPECT_EQ(Calls("GetPrinterName"), 2u);
  EXPECT_EQ(Calls("GetPrinterInformation"), 2u);
  EXPECT_EQ(pane.StatusLine(), L"Status: Online");
  EXPECT_NE(double_->Log().find("RegisterStatusProc"), std::string::npos) << "listening again after the read";
  ASSERT_TRUE(Report(6)) << "the callback is registered again after the read's progress dialog";
  EXPECT_EQ(pane.StatusLine(), L"Status: Cover is open");
}

TEST_F(StatusPane, AnotherPrinterAtTheRefreshKeepsTheOldStatus) {
  // catches: the status of a printer the pane no longer knows shown as if
  // it were the connected one
  CUtilStatusView& pane = Open();
  ASSERT_TRUE(Report(16));
  EXPECT_EQ(pane.StatusLine(), L"Status: Offline");
  info_->Set("item117", 0);
  gui::CMessageBoxWatcher boxes;
  ASSERT_TRUE(Report(0));
  ASSERT_EQ(boxes.Seen().size(), 1u);
  EXPECT_EQ(boxes.Seen()[0].text, L"The device ID does not match the connected printer.");
  EXPECT_EQ(pane.StatusLine(), L"Status: Offline");
  EXPECT_EQ(pane.Status(), 16);
}

TEST_F(StatusPane, ReopenFlagReopensThePortAroundTheRead) {
  const struct {
    const char* fault;
    int32_t reopenFlag;
    int64_t open;  // what Open answers
    const char* log;
  } cases[] = {
      {"a port of the driver's queue read through the old connection", 1, 0,
       "Initialize;Close;Open(1);Close;Open(0);RegisterStatusProc;"},
      {"a failed reopen not tried again", 1, 1, "Initialize;Close;Open(1);Open(1);Close;Open(0);RegisterStatusProc;"},
      {"a port reopened without the flag", 0, 0, "Initialize;RegisterStatusProc;"},
  };
  for (const auto& c : cases) {
    settings_.selectedPrinter.reopenFlag = c.reopenFlag;
    double_->Reset();
    double_->Set("Open", c.open);
    Open();
    EXPECT_EQ(double_->Log(), c.log) << c.fault;
    DestroyWindow(arrangement_.Frame()->Hwnd());
    Pump();
    info_->Reset();
  }
}

TEST_F(StatusPane, EveryLoadedPluginIsAskedForItsSettings) {
  // catches: plug-ins left out of the read, or one whose library is not
  // there asked anyway
  program_.WriteText(L"MENUITEM.DAT",
                     "[MENUITEM_A]\r\nITEMID=1\r\nSELECTING=1\r\nUSE_DLL_NAME=PluginFull.dll\r\nSTRING=A\r\n"
                     "[MENUITEM_B]\r\nITEMID=2\r\nSELECTING=1\r\nUSE_DLL_NAME=Missing.dll\r\nSTRING=B\r\n"
                     "[MENUITEM_C]\r\nITEMID=3\r\nSELECTING=1\r\nUSE_DLL_NAME=PluginNoMenuName.dll\r\nSTRING=C\r\n");
  SetDllDirectoryW((gui::TestBinDir() + L"plugins").c_str());
  for (const wchar_t* name : {L"PluginFull.dll", L"PluginNoMenuName.dll"}) {
    if (HMODULE loaded = GetModuleHandleW(name)) GetProc<void (*)()>(loaded, "TestPlugin_Reset")();
  }
  doubles::CPluginLog log;
  log.Clear();
  Open();
  const std::string text = log.Text();
  const std::size_t first = text.find("PluginFull.ReadPrinterSettings;");
  const std::size_t second = text.find("PluginNoMenuName.ReadPrinterSettings;");
  ASSERT_NE(first, std::string::npos) << text;
  ASSERT_NE(second, std::string::npos) << text;
  EXPECT_LT(first, second) << "in menu order";
  EXPECT_EQ(list_.writeFlag, 1);
}

TEST_F(StatusPane, LibraryWithoutItsModelQueryRefusesThePrinter) {
  // catches: a printer taken as the served model when nothing said so
  info_.reset();
  info_ = std::make_unique<gui::CDoubleLibrary>((gui::TestBinDir() + L"prninfo_incomplete\\PrnInfoBroker.dll").c_str(),
                                                "PrnInfoDouble");
  ASSERT_TRUE(info_->Loaded());
  gui::CMessageBoxWatcher boxes;
  CUtilStatusView& pane = Open();
  EXPECT_TRUE(gui::WaitUntil([&] { return !boxes.Seen().empty(); }, 5000));
  ASSERT_EQ(boxes.Seen().size(), 1u);
  EXPECT_EQ(boxes.Seen()[0].text, L"The device ID does not match the connected printer.");
  EXPECT_EQ(pane.NameLine(), L"Printer Name: Unknown");
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
