// The printer selection's own buttons end to end: Add Port through the port
// setup dialog against the emulated printer as its own process, Delete Port,
// and Select Language.

#include "tests/app/EndToEnd.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

namespace e2e {
namespace {

constexpr int kAddPort = 1003, kDeletePort = 1004, kSelectLanguage = 1026, kList = 1020;

// Presses a button; the text of the message box that answers, closed with `answer`.
std::wstring PressAndAnswer(DWORD processId, HWND dialog, int id, int answer = IDOK) {
  gui::PressButton(dialog, id);
  HWND box = gui::WaitForMessageBox(processId, kStartMs);
  if (!box) return L"(no message)";
  const std::wstring text = gui::MessageBoxText(box);
  gui::PressButton(box, answer);
  gui::WaitUntil([&] { return !IsWindow(box); }, 5000);
  return text;
}

int SelectedRow(HWND dialog) {
  return static_cast<int>(SendMessageW(GetDlgItem(dialog, kList), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

class PrinterSelection : public EndToEnd {
protected:
  // The library's port registry with the emulator's USB port only, or empty.
  void WriteUsbOnlyRegistry(bool empty = false) const {
    const std::wstring text =
        std::wstring(L"\xFEFF") + (empty ? L"" : L"USB\t" + usb_ + L"\tusb://" + usb_ + L"\tVX-R200\n");
    ASSERT_TRUE(gui::WriteFileBytes(PortRegistryPath(), std::string(reinterpret_cast<const char*>(text.data()),
                                                                     text.size() * sizeof(wchar_t))));
  }
  std::string RegistryText() const {
    const auto bytes = gui::ReadFileBytes(PortRegistryPath());
    std::string narrow;
    if (bytes) {
      for (std::size_t i = 0; i + 1 < bytes->size(); i += 2) narrow += (*bytes)[i];
    }
    return narrow;
  }
  void CancelAndWait(HWND dialog) {
    gui::PressButton(dialog, IDCANCEL);
    ASSERT_TRUE(utility_->WaitForExit(kStartMs));
  }
};

TEST_F(PrinterSelection, AddPortIsTestedListedAndKept) {
  // catches: Add Port doing nothing, an entry made from an address or port
  // name alone missing the printer, the new row not selected, the port
  // forgotten at the next start
  const struct {
    const char* name;
    int button;
    const wchar_t* listedPort;  // column 2 of the new row
  } cases[] = {
      // By address alone. Every emulator on this machine listens on a
      // loopback address, and test programs running beside this one have
      // theirs on 127.0.0.1 or 127.0.0.3: this printer gets one of its own,
      // as a printer on a network would.
      {"Ethernet", 2003, L"127.0.0.4"},
      {"USB", 2002, nullptr},       // the emulator's USB port
      {"parallel", 2001, nullptr},  // the emulator's stand-in parallel port
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring port = c.listedPort ? c.listedPort : c.button == 2002 ? usb_ : lpt_;
    if (c.button == 2003) {
      ASSERT_TRUE(StopEmulator());
      ASSERT_TRUE(StartEmulator(L"--tcp 127.0.0.4:0"));
    }
    WriteUsbOnlyRegistry(true);
    HWND dialog = StartAndWaitForSelection();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(ListColumn(dialog, 2).empty());
    gui::PressButton(dialog, kAddPort);
    HWND setup = WaitForDialogWith(utility_->Id(), 1030);
    ASSERT_NE(setup, nullptr) << "the port setup dialog";
    EXPECT_EQ(gui::WindowText(setup), L"Add Port");
    gui::PressButton(setup, c.button);
    if (c.button == 2003) {
      ASSERT_TRUE(gui::WaitUntil([&] { return IsWindowVisible(GetDlgItem(setup, 1012)) != FALSE; }, 10000));
      // The network search lists the emulator; the address is typed.
      ASSERT_TRUE(gui::WaitUntil([&] { return SendDlgItemMessageW(setup, 1018, LB_GETCOUNT, 0, 0) > 0; }, 10000));
      SendDlgItemMessageW(setup, 1012, IPM_SETADDRESS, 0, MAKEIPADDRESS(127, 0, 0, 4));
    } else {
      HWND ports = GetDlgItem(setup, 1016);
      const std::wstring want = c.button == 2002 ? L"USB-" + port : port;
      int line = -1;
      ASSERT_TRUE(gui::WaitUntil(
          [&] {
            const std::vector<std::wstring> lines = gui::ComboBoxItems(ports);
            const auto at = std::find(lines.begin(), lines.end(), want);
            line = at == lines.end() ? -1 : static_cast<int>(at - lines.begin());
            return line >= 0;
          },
          10000))
          << "the emulator's port in the port list";
      SendMessageW(ports, CB_SETCURSEL, static_cast<WPARAM>(line), 0);
    }
    EXPECT_EQ(PressAndAnswer(utility_->Id(), setup, 1026), L"Communication test completed successfully.");
    gui::PressButton(setup, IDOK);
    ASSERT_TRUE(gui::WaitUntil([&] { return !IsWindow(setup); }, kStartMs)) << "OK ends the dialog";

    const std::vector<std::wstring> listed = ListColumn(dialog, 2);
    const auto row = std::find(listed.begin(), listed.end(), port);
    ASSERT_NE(row, listed.end()) << "the new port is listed";
    EXPECT_EQ(SelectedRow(dialog), static_cast<int>(row - listed.begin())) << "and selected";
    EXPECT_EQ(ListColumn(dialog, 0)[static_cast<std::size_t>(row - listed.begin())], L"VX-R500");
    CancelAndWait(dialog);

    dialog = StartAndWaitForSelection();
    ASSERT_NE(dialog, nullptr);
    const std::vector<std::wstring> again = ListColumn(dialog, 2);
    EXPECT_NE(std::find(again.begin(), again.end(), port), again.end()) << "still listed after a restart";
    CancelAndWait(dialog);
  }
}

TEST_F(PrinterSelection, AddPortOverTheSerialPairAtThePrintersSpeedOnly) {
  // catches: the serial values chosen not reaching the line, a serial port
  // at the wrong speed taken, the port forgotten at the next start
  ASSERT_TRUE(StopEmulator());
  ASSERT_TRUE(StartEmulator(L"--com COM6 --com-peer COM5"));
  WriteUsbOnlyRegistry(true);
  HWND dialog = StartAndWaitForSelection();
  ASSERT_NE(dialog, nullptr);
  const struct {
    const char* name;
    int baudLine;  // of list 1017: 2 is 9600, 6 is 115200 (the printer's)
    const wchar_t* message;
  } tries[] = {
      {"wrong speed", 2, L"A communication error occurred."},
      {"the printer's speed", 6, L"Communication test completed successfully."},
  };
  for (const auto& t : tries) {
    SCOPED_TRACE(t.name);
    gui::PressButton(dialog, kAddPort);
    HWND setup = WaitForDialogWith(utility_->Id(), 1030);
    ASSERT_NE(setup, nullptr);
    gui::PressButton(setup, 2000);  // Serial
    HWND ports = GetDlgItem(setup, 1016);
    int line = -1;
    ASSERT_TRUE(gui::WaitUntil(
        [&] {
          const std::vector<std::wstring> lines = gui::ComboBoxItems(ports);
          const auto at = std::find(lines.begin(), lines.end(), L"COM5");
          line = at == lines.end() ? -1 : static_cast<int>(at - lines.begin());
          return line >= 0;
        },
        10000))
        << "the emulator's serial line in the port list";
    SendMessageW(ports, CB_SETCURSEL, static_cast<WPARAM>(line), 0);
    SendDlgItemMessageW(setup, 1017, CB_SETCURSEL, static_cast<WPARAM>(t.baudLine), 0);
    EXPECT_EQ(PressAndAnswer(utility_->Id(), setup, 1026), t.message);
    gui::PressButton(setup, t.baudLine == 6 ? IDOK : IDCANCEL);
    ASSERT_TRUE(gui::WaitUntil([&] { return !IsWindow(setup); }, kStartMs));
  }
  const std::vector<std::wstring> listed = ListColumn(dialog, 2);
  ASSERT_EQ(listed, std::vector<std::wstring>{L"COM5"}) << "only the port that answered";
  EXPECT_NE(RegistryText().find("115200,0,8"), std::string::npos) << "the line's settings are kept with the port";
  CancelAndWait(dialog);

  dialog = StartAndWaitForSelection();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(ListColumn(dialog, 2), std::vector<std::wstring>{L"COM5"}) << "still listed after a restart";
  CancelAndWait(dialog);
}

TEST_F(PrinterSelection, AddPortOverBluetooth) {
  // catches: a Bluetooth serial line missing from the Bluetooth search, or
  // its port listed under another interface
  ASSERT_TRUE(StopEmulator());
  ASSERT_TRUE(StartEmulator(L"--com COM6 --com-peer COM5 --bluetooth"));
  WriteUsbOnlyRegistry(true);
  HWND dialog = StartAndWaitForSelection();
  ASSERT_NE(dialog, nullptr);
  gui::PressButton(dialog, kAddPort);
  HWND setup = WaitForDialogWith(utility_->Id(), 1030);
  ASSERT_NE(setup, nullptr);
  gui::PressButton(setup, 2004);  // Bluetooth
  HWND ports = GetDlgItem(setup, 1016);
  ASSERT_TRUE(gui::WaitUntil([&] { return gui::ComboBoxItems(ports) == std::vector<std::wstring>{L"COM5"}; }, 10000))
      << "the emulator's Bluetooth line, and only it";
  SendMessageW(ports, CB_SETCURSEL, 0, 0);
  EXPECT_EQ(PressAndAnswer(utility_->Id(), setup, 1026), L"Communication test completed successfully.");
  gui::PressButton(setup, IDOK);
  ASSERT_TRUE(gui::WaitUntil([&] { return !IsWindow(setup); }, kStartMs));
  EXPECT_EQ(ListColumn(dialog, 2), std::vector<std::wstring>{L"COM5"});
  EXPECT_EQ(ListColumn(dialog, 1), std::vector<std::wstring>{L"Bluetooth"});
  EXPECT_EQ(ListColumn(dialog, 0), std::vector<std::wstring>{L"VX-R500"});
  CancelAndWait(dialog);
}

TEST_F(PrinterSelection, AddPortOfTheWrongModelIsRefusedAndRemoved) {
  // catches: a sister-model printer added, or its port left in the registry
  WriteUsbOnlyRegistry(true);
  ASSERT_EQ(Control("identity sister").substr(0, 2), "OK");
  HWND dialog = StartAndWaitForSelection();
  ASSERT_NE(dialog, nullptr);
  gui::PressButton(dialog, kAddPort);
  HWND setup = WaitForDialogWith(utility_->Id(), 1030);
  ASSERT_NE(setup, nullptr);
  gui::PressButton(setup, 2002);  // USB: the emulator's port is found
  HWND ports = GetDlgItem(setup, 1016);
  int line = -1;
  ASSERT_TRUE(gui::WaitUntil(
      [&] {
        const std::vector<std::wstring> lines = gui::ComboBoxItems(ports);
        const auto at = std::find(lines.begin(), lines.end(), L"USB-" + usb_);
        line = at == lines.end() ? -1 : static_cast<int>(at - lines.begin());
        return line >= 0;
      },
      10000))
      << "the emulator's USB port in the port list";
  SendMessageW(ports, CB_SETCURSEL, static_cast<WPARAM>(line), 0);
  EXPECT_EQ(PressAndAnswer(utility_->Id(), setup, IDOK), L"The device ID does not match the connected printer.");
  EXPECT_TRUE(IsWindow(setup)) << "the dialog stays";
  gui::PressButton(setup, IDCANCEL);
  ASSERT_TRUE(gui::WaitUntil([&] { return !IsWindow(setup); }, kStartMs));
  EXPECT_EQ(RegistryText().find(std::string(usb_.begin(), usb_.end())), std::string::npos)
      << "the wrong model's port is unregistered";
  EXPECT_TRUE(ListColumn(dialog, 2).empty());
  CancelAndWait(dialog);
}

TEST_F(PrinterSelection, DeletePortAsksFirst) {
  // catches: a port deleted without the question, or on No
  HWND dialog = StartAndWaitForSelection();
  ASSERT_NE(dialog, nullptr);
  // The port monitor's port of the emulator, listed under its port name.
  std::vector<std::wstring> ports = ListColumn(dialog, 2);
  const auto usb = std::find(ports.begin(), ports.end(), L"USB001");
  ASSERT_NE(usb, ports.end());
  ASSERT_TRUE(gui::SelectListViewRow(GetDlgItem(dialog, kList), static_cast<int>(usb - ports.begin())));
  // The utility's Yes/No box: nothing else to press.
  gui::PressButton(dialog, kDeletePort);
  HWND box = gui::WaitForMessageBox(utility_->Id(), kStartMs);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(gui::MessageBoxText(box), L"Do you really want to delete the selected port?");
  EXPECT_TRUE(GetDlgItem(box, IDYES) && GetDlgItem(box, IDNO) && !GetDlgItem(box, IDCANCEL)) << "Yes and No only";
  gui::PressButton(box, IDNO);
  ASSERT_TRUE(gui::WaitUntil([&] { return !IsWindow(box); }, 5000));
  EXPECT_EQ(ListColumn(dialog, 2), ports) << "No keeps the row";
  EXPECT_NE(RegistryText().find(std::string(monitor_.begin(), monitor_.end())), std::string::npos);
  EXPECT_EQ(PressAndAnswer(utility_->Id(), dialog, kDeletePort, IDYES), L"Do you really want to delete the selected port?");
  ASSERT_TRUE(gui::WaitUntil([&] { return ListColumn(dialog, 2).size() == ports.size() - 1; }, 5000));
  ports = ListColumn(dialog, 2);
  EXPECT_EQ(std::find(ports.begin(), ports.end(), L"USB001"), ports.end()) << "Yes removes the row";
  EXPECT_EQ(RegistryText().find(std::string(monitor_.begin(), monitor_.end())), std::string::npos) << "and the port";
  CancelAndWait(dialog);
}

TEST_F(PrinterSelection, OkWithAFatalOrCutterErrorShowsTheGuidanceAndStays) {
  // catches: a printer with an error the user must clear taken as chosen, or
  // the guidance not shown
  for (const char* condition : {"fatal", "cutter"}) {
    SCOPED_TRACE(condition);
    HWND dialog = StartAndWaitForSelection();
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(Control(std::string("condition ") + condition + " on").substr(0, 2), "OK");
    gui::PressButton(dialog, IDOK);
    HWND guidance = WaitForDialogWith(utility_->Id(), 1036);
    ASSERT_NE(guidance, nullptr) << "the error guidance";
    EXPECT_TRUE(IsWindow(dialog));
    gui::PressButton(guidance, IDOK);
    ASSERT_TRUE(gui::WaitUntil([&] { return !IsWindow(guidance); }, 5000));
    Sleep(500);
    EXPECT_TRUE(IsWindow(dialog) && IsWindowVisible(dialog)) << "the selection stays";
    for (const auto& w : gui::TopLevelWindows(utility_->Id())) {
      EXPECT_NE(w.className, L"VXUtilMainFrame") << "no main window for a printer in error";
    }
    ASSERT_EQ(Control(std::string("condition ") + condition + " off").substr(0, 2), "OK");
    CancelAndWait(dialog);
  }
}

TEST_F(PrinterSelection, SelectLanguageRedrawsAndIsKept) {
  // catches: the dialog not redrawn in the chosen language, SETTING.INI not
  // written, Cancel changing the language
  const std::wstring japaneseAddPort = L"\x30DD\x30FC\x30C8\x8FFD\x52A0(&A)";  // the Japanese file's "&Add Port"
  HWND dialog = StartAndWaitForSelection();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(gui::WindowText(GetDlgItem(dialog, kAddPort)), L"&Add Port");

  const auto choose = [&](int32_t langId, int button) {
    gui::PressButton(dialog, kSelectLanguage);
    HWND language = WaitForDialogWith(utility_->Id(), 1000, dialog);
    if (!language) return false;
    HWND list = GetDlgItem(language, 1000);
    const auto count = static_cast<int>(SendMessageW(list, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      if (static_cast<int32_t>(SendMessageW(list, CB_GETITEMDATA, i, 0)) == langId) SendMessageW(list, CB_SETCURSEL, i, 0);
    }
    gui::PressButton(language, button);
    return gui::WaitUntil([&] { return !IsWindow(language); }, kStartMs);
  };
  ASSERT_TRUE(choose(0x411, IDOK));
  EXPECT_TRUE(gui::WaitUntil([&] { return gui::WindowText(GetDlgItem(dialog, kAddPort)) == japaneseAddPort; }, 5000))
      << "redrawn in Japanese";
  ASSERT_TRUE(choose(0x409, IDCANCEL));
  EXPECT_EQ(gui::WindowText(GetDlgItem(dialog, kAddPort)), japaneseAddPort) << "Cancel changes nothing";
  CancelAndWait(dialog);
  wchar_t id[16] = {};
  GetPrivateProfileStringW(L"LANGUAGE", L"LANGID", L"", id, 16, program_.File(L"SETTING.INI").c_str());
  EXPECT_STREQ(id, L"0411");

  dialog = StartAndWaitForSelection();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(gui::WindowText(GetDlgItem(dialog, kAddPort)), japaneseAddPort) << "the next start is in Japanese";
  CancelAndWait(dialog);
}

TEST_F(PrinterSelection, PortOnTheCommandLineShowsTheSplashUntilTheMainWindow) {
  // catches: no busy window while the printer named on the command line is
  // opened, or one left standing over the main window
  utility_ = gui::CProcess::Start(program_.File(L"VXR500UTL.exe"), L"/p" + monitor_, program_.Path());
  ASSERT_NE(utility_, nullptr);
  HWND splash = gui::WaitForWindow(
      utility_->Id(), [](const gui::WindowInfo& w) { return w.className == L"VXUtilSplash"; }, kStartMs);
  ASSERT_NE(splash, nullptr) << "the splash";
  RECT rc = {};
  GetWindowRect(splash, &rc);
  EXPECT_EQ(rc.right - rc.left, 796);
  EXPECT_EQ(rc.bottom - rc.top, 523);
  HWND frame = WaitForMainWindow();
  ASSERT_NE(frame, nullptr);
  EXPECT_TRUE(gui::WaitUntil([&] { return !IsWindow(splash); }, 15000)) << "the splash goes with the main window";
  ASSERT_TRUE(WaitForStatus("restarting 0"));
  PostMessageW(frame, WM_CLOSE, 0, 0);
  EXPECT_TRUE(utility_->WaitForExit(kStartMs));
}

}  // namespace
}  // namespace e2e
