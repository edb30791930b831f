// The port setup and language selection dialogs as real windows, with the
// real communication library and an emulated printer in this process.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>
#include <string>

#include "app/resource.h"
#include "connection/CommunicationSettingDlg.h"
#include "connection/PortTools.h"
#include "connection/SelectLangDlg.h"
#include "emulator/Emulator.h"
#include "tests/support/GuiDriver.h"

namespace {

HWND FindDialogWith(int controlId) {
  return gui::WaitForWindow(
      GetCurrentProcessId(),
      [controlId](const gui::WindowInfo& w) { return IsWindowVisible(w.hwnd) && GetDlgItem(w.hwnd, controlId); }, 0);
}

RECT ClientRectOf(HWND dialog, int id) {
  RECT rc = {};
  GetWindowRect(GetDlgItem(dialog, id), &rc);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rc), 2);
  return rc;
}

// Presses a button and answers the message box it brings; its text.
std::wstring PressAndReadMessage(HWND dialog, int id) {
  gui::PressButton(dialog, id);
  HWND box = gui::WaitForMessageBox(GetCurrentProcessId(), 30000);
  if (!box) return L"(no message)";
  const std::wstring text = gui::MessageBoxText(box);
  gui::PressButton(box, IDOK);
  gui::WaitUntil([&] { return !IsWindow(box); }, 5000);
  return text;
}

// The user's part may still be winding down when the dialog has ended.
bool Finished(const gui::CDelayedAction& user) {
  return gui::WaitUntil([&] { return user.Done(); }, 10000);
}

class PortSetup : public testing::Test {
protected:
  void SetUp() override {
    registry_ = folder_.Path() + L"\\ports.txt";
    SetEnvironmentVariableW(L"VX_PORT_REGISTRY", registry_.c_str());
    EmulatorConfig config;
    config.name = L"portsetup" + std::to_wstring(GetCurrentProcessId());
    // An address of its own: other tests' printers announce 127.0.0.1.
    config.tcpHost = "127.0.0.3";
    config.tcpPort = 0;
    config.usbName = L"VXUSBSETUP" + std::to_wstring(GetCurrentProcessId());
    config.restartMs = 300;
    emulator_ = std::make_unique<CEmulator>(config);
    ASSERT_TRUE(emulator_->Start());
    // The maker's libraries as the program folder holds them.
    SetDllDirectoryW(gui::BuildProgramDir().c_str());
    comm_ = std::make_unique<VXC>((gui::BuildProgramDir() + L"\\VXComm.dll").c_str());
    ASSERT_TRUE(comm_->IsLoaded());
    ASSERT_GE(texts_.FindLanguageFile(gui::BuildProgramDir() + L"\\LANG", 0x409, 0x409), 0);
    ASSERT_EQ(texts_.LoadSection(L"PORT_ADD_DLG"), 0);
    const int32_t all[kInterfaceSlots] = {0, 1, 2, 3, 4};
    std::copy(std::begin(all), std::end(all), settings_.supportedInterfaceKinds);
    settings_.defaultInterfaceKind = 2;
  }
  void TearDown() override {
    comm_.reset();
    emulator_.reset();
    SetEnvironmentVariableW(L"VX_PORT_REGISTRY", nullptr);
    SetDllDirectoryW(nullptr);
  }
  std::string RegistryText() const {
    const auto bytes = gui::ReadFileBytes(registry_);
    if (!bytes) return {};
    std::string narrow;
    for (std::size_t i = 0; i + 1 < bytes->size(); i += 2) narrow += (*bytes)[i];
    return narrow;
  }

  gui::CTempFolder folder_;
  std::wstring registry_;
  std::unique_ptr<CEmulator> emulator_;
  std::unique_ptr<VXC> comm_;
  CLangResourceTable texts_;
  UtilitySettings settings_ = {};
};

TEST_F(PortSetup, InterfaceButtonsFollowTheSettings) {
  // catches: buttons left at their template places, or the default ignored
  const int32_t two[kInterfaceSlots] = {2, 3, -1, -1, -1};
  std::copy(std::begin(two), std::end(two), settings_.supportedInterfaceKinds);
  settings_.defaultInterfaceKind = 3;
  struct {
    bool usbAtFirst = false, ethernetAtSecond = false, othersHidden = false, ethernetChecked = false;
    std::wstring title, header;
  } seen;
  gui::CDelayedAction reader(
      [&] {
        HWND d = FindDialogWith(IDC_PORT_HEADER);
        if (!d) return false;
        const RECT first = ClientRectOf(d, IDC_PORT_SERIAL), second = ClientRectOf(d, IDC_PORT_PARALLEL);
        const RECT usb = ClientRectOf(d, IDC_PORT_USB), ethernet = ClientRectOf(d, IDC_PORT_ETHERNET);
        seen.usbAtFirst = EqualRect(&first, &usb) && IsWindowVisible(GetDlgItem(d, IDC_PORT_USB));
        seen.ethernetAtSecond = EqualRect(&second, &ethernet) && IsWindowVisible(GetDlgItem(d, IDC_PORT_ETHERNET));
        seen.othersHidden = !IsWindowVisible(GetDlgItem(d, IDC_PORT_SERIAL)) &&
                            !IsWindowVisible(GetDlgItem(d, IDC_PORT_PARALLEL)) &&
                            !IsWindowVisible(GetDlgItem(d, IDC_PORT_BLUETOOTH));
        seen.ethernetChecked = SendDlgItemMessageW(d, IDC_PORT_ETHERNET, BM_GETCHECK, 0, 0) == BST_CHECKED;
        seen.title = gui::WindowText(d);
        seen.header = gui::WindowText(GetDlgItem(d, IDC_PORT_HEADER));
        gui::PressButton(d, IDCANCEL);
        return true;
      },
      20000);
  CCommunicationSettingDlg dialog(GetModuleHandleW(nullptr), settings_, comm_.get(), &texts_);
  EXPECT_EQ(dialog.Run(nullptr), IDCANCEL);
  ASSERT_TRUE(Finished(reader));
  EXPECT_TRUE(seen.usbAtFirst);
  EXPECT_TRUE(seen.ethernetAtSecond);
  EXPECT_TRUE(seen.othersHidden);
  EXPECT_TRUE(seen.ethernetChecked) << "the default interface";
  EXPECT_EQ(seen.title, L"Add Port");
  EXPECT_EQ(seen.header, L"Select the communication interface to VX-R500.");
}

TEST_F(PortSetup, SerialLayoutAndItsDefaults) {
  // catches: serial lists not filled from the language file or not at their
  // defaults, the network controls left over the serial ones
  settings_.defaultInterfaceKind = 0;
  struct {
    std::wstring baud, parity, bits, flow, portLabel, baudLabel;
    bool addressHidden = false, resultsHidden = false;
  } seen;
  gui::CDelayedAction user(
      [&] {
        HWND d = FindDialogWith(IDC_PORT_HEADER);
        if (!d) return false;
        const auto selected = [d](int id) {
          HWND combo = GetDlgItem(d, id);
          wchar_t text[64] = {};
          const LRESULT at = SendMessageW(combo, CB_GETCURSEL, 0, 0);
          if (at != CB_ERR && SendMessageW(combo, CB_GETLBTEXTLEN, at, 0) < 60) {
            SendMessageW(combo, CB_GETLBTEXT, at, reinterpret_cast<LPARAM>(text));
          }
          return std::wstring(text);
        };
        seen.baud = selected(IDC_PORT_BAUD);
        seen.parity = selected(IDC_PORT_PARITY);
        seen.bits = selected(IDC_PORT_BITS);
        seen.flow = selected(IDC_PORT_FLOW);
        seen.portLabel = gui::WindowText(GetDlgItem(d, IDC_PORT_LABEL));
        seen.baudLabel = gui::WindowText(GetDlgItem(d, IDC_PORT_BAUD_LABEL));
        seen.addressHidden = !IsWindowVisible(GetDlgItem(d, IDC_PORT_ADDRESS));
        seen.resultsHidden = !IsWindowVisible(GetDlgItem(d, IDC_PORT_NET_RESULTS));
        gui::SaveWindowPicture(d, gui::TestBinDir() + L"port-setup-serial.bmp");
        gui::PressButton(d, IDCANCEL);
        return true;
      },
      20000);
  CCommunicationSettingDlg dialog(GetModuleHandleW(nullptr), settings_, comm_.get(), &texts_);
  EXPECT_EQ(dialog.Run(nullptr), IDCANCEL);
  ASSERT_TRUE(Finished(user));
  EXPECT_EQ(seen.baud, L"115200");
  EXPECT_EQ(seen.parity, L"None");
  EXPECT_EQ(seen.bits, L"8 bit");
  EXPECT_EQ(seen.flow, L"DTR/DSR");
  EXPECT_EQ(seen.portLabel, L"Port:");
  EXPECT_EQ(seen.baudLabel, L"Baud rate:");
  EXPECT_TRUE(seen.addressHidden);
  EXPECT_TRUE(seen.resultsHidden);
}

TEST_F(PortSetup, EthernetFoundTestedAndTaken) {
  // catches: the search line not taken into the field, an address-only entry
  // that misses the printer on its own port, a failed test reported as success
  settings_.defaultInterfaceKind = 3;
  struct {
    std::wstring line, testMessage;
    DWORD address = 0;
    bool okEnabled = false;
  } seen;
  gui::CDelayedAction user(
      [&] {
        HWND d = FindDialogWith(IDC_PORT_HEADER);
        if (!d) return false;
        HWND results = GetDlgItem(d, IDC_PORT_NET_RESULTS);
        int line = -1;
        gui::WaitUntil(
            [&] {
              const auto count = static_cast<int>(SendMessageW(results, LB_GETCOUNT, 0, 0));
              for (int i = 0; i < count; ++i) {
                wchar_t text[64] = {};
                if (SendMessageW(results, LB_GETTEXTLEN, i, 0) < 60) SendMessageW(results, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
                if (std::wstring(text) == L"127.0.0.3") line = i;
              }
              return line >= 0;
            },
            10000);
        if (line < 0) {
          gui::PressButton(d, IDCANCEL);
          return true;
        }
        wchar_t text[64] = {};
        SendMessageW(results, LB_GETTEXT, line, reinterpret_cast<LPARAM>(text));
        seen.line = text;
        SendMessageW(results, LB_SETCURSEL, line, 0);
        SendMessageW(d, WM_COMMAND, MAKEWPARAM(IDC_PORT_NET_RESULTS, LBN_SELCHANGE), reinterpret_cast<LPARAM>(results));
        SendDlgItemMessageW(d, IDC_PORT_ADDRESS, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&seen.address));
        RedrawWindow(d, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        gui::SaveWindowPicture(d, gui::TestBinDir() + L"port-setup-ethernet.bmp");
        seen.okEnabled = IsWindowEnabled(GetDlgItem(d, IDOK)) != FALSE;
        seen.testMessage = PressAndReadMessage(d, IDC_PORT_TEST);
        gui::PressButton(d, IDOK);
        // A failed OK stays with a message: answer it and leave.
        HWND box = nullptr;
        gui::WaitUntil([&] { return !IsWindow(d) || (box = gui::WaitForMessageBox(GetCurrentProcessId(), 0)); }, 30000);
        if (box) {
          gui::PressButton(box, IDOK);
          gui::PressButton(d, IDCANCEL);
        }
        return true;
      },
      60000);
  CCommunicationSettingDlg dialog(GetModuleHandleW(nullptr), settings_, comm_.get(), &texts_);
  EXPECT_EQ(dialog.Run(nullptr), IDOK);
  ASSERT_TRUE(Finished(user));
  EXPECT_EQ(seen.line, L"127.0.0.3") << "the announced printer in the search list";
  EXPECT_EQ(seen.address, 0x7F000003u);
  EXPECT_TRUE(seen.okEnabled);
  EXPECT_EQ(seen.testMessage, L"Communication test completed successfully.");
  EXPECT_STREQ(dialog.Result().interfaceKindText, L"NET");
  EXPECT_STREQ(dialog.Result().portName, L"127.0.0.3");
  EXPECT_STREQ(dialog.Result().deviceName, L"VX-R200") << "the name the printer reported";
  EXPECT_EQ(dialog.Result().portSetupValue1, -1);
}

TEST_F(PortSetup, UsbPortOfTheWrongModelIsRemoved) {
  // catches: a sister-model printer accepted, or its port left registered
  emulator_->SetIdentity(emu::Identity::Sister);
  struct {
    std::wstring line, message;
    int ports = 0;
  } seen;
  gui::CDelayedAction user(
      [&] {
        HWND d = FindDialogWith(IDC_PORT_HEADER);
        if (!d) return false;
        HWND list = GetDlgItem(d, IDC_PORT_LIST);
        seen.ports = static_cast<int>(SendMessageW(list, CB_GETCOUNT, 0, 0));
        const std::wstring want = L"USB-VXUSBSETUP" + std::to_wstring(GetCurrentProcessId());
        const LRESULT at = SendMessageW(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                        reinterpret_cast<LPARAM>(want.c_str()));
        if (at != CB_ERR) {
          SendMessageW(list, CB_SETCURSEL, at, 0);
          seen.line = want;
        }
        seen.message = PressAndReadMessage(d, IDOK);
        if (IsWindow(d)) gui::PressButton(d, IDCANCEL);
        return true;
      },
      60000);
  CCommunicationSettingDlg dialog(GetModuleHandleW(nullptr), settings_, comm_.get(), &texts_);
  EXPECT_EQ(dialog.Run(nullptr), IDCANCEL) << "a wrong model never ends with OK";
  ASSERT_TRUE(Finished(user));
  EXPECT_GE(seen.ports, 1);
  EXPECT_FALSE(seen.line.empty()) << "the emulator's USB port in the list";
  EXPECT_EQ(seen.message, L"The device ID does not match the connected printer.");
  EXPECT_EQ(RegistryText().find("VXUSBSETUP"), std::string::npos) << "the port was unregistered";
}

TEST_F(PortSetup, NetworkToolRunsInItsWaitingDialog) {
  // catches: the tool not started, the dialog usable while it runs, or left
  // disabled after it ended
  gui::CInstalledTool tool(L"ORVIK\\OrvikNet Config V4\\NetConfigurator.exe");
  ASSERT_TRUE(tool.Installed());
  settings_.defaultInterfaceKind = 3;
  struct {
    bool enabledBefore = false, disabledWhileRunning = false, closed = false, enabledAfter = false;
    std::wstring title, text;
  } seen;
  gui::CDelayedAction user(
      [&] {
        HWND d = FindDialogWith(IDC_PORT_HEADER);
        if (!d) return false;
        HWND button = GetDlgItem(d, IDC_PORT_NET_TOOL);
        seen.enabledBefore = gui::WaitUntil([&] { return IsWindowEnabled(button) != FALSE; }, 5000);
        gui::PressButton(d, IDC_PORT_NET_TOOL);
        HWND waiting = nullptr;
        gui::WaitUntil([&] { return (waiting = FindDialogWith(IDC_NET_TOOL_TEXT)) != nullptr; }, 20000);
        if (waiting) {
          gui::WaitUntil([&] { return gui::WindowText(waiting) == L"Run OrvikNet Config"; }, 5000);
          seen.title = gui::WindowText(waiting);
          seen.text = gui::WindowText(GetDlgItem(waiting, IDC_NET_TOOL_TEXT));
          seen.disabledWhileRunning = !IsWindowEnabled(button) && !IsWindowEnabled(d);
        }
        seen.closed = gui::CloseTheTool() && gui::WaitUntil([&] { return !IsWindow(waiting); }, 10000);
        seen.enabledAfter = gui::WaitUntil([&] { return IsWindowEnabled(button) != FALSE; }, 5000);
        gui::PressButton(d, IDCANCEL);
        return true;
      },
      60000);
  CCommunicationSettingDlg dialog(GetModuleHandleW(nullptr), settings_, comm_.get(), &texts_);
  EXPECT_EQ(dialog.Run(nullptr), IDCANCEL);
  ASSERT_TRUE(Finished(user));
  EXPECT_TRUE(seen.enabledBefore) << "the installed tool's button";
  EXPECT_EQ(seen.title, L"Run OrvikNet Config");
  EXPECT_EQ(seen.text, L"OrvikNet Config Running...");
  EXPECT_TRUE(seen.disabledWhileRunning);
  EXPECT_TRUE(seen.closed) << "the waiting dialog ends with the tool";
  EXPECT_TRUE(seen.enabledAfter);
}

TEST_F(PortSetup, PortAssignmentToolIsOpened) {
  // catches: the tool's button left disabled although the tool is there, or
  // pressing it starting nothing
  gui::CInstalledTool tool(L"ORVIK\\VXCOMUSB\\ComAssign.exe");
  ASSERT_TRUE(tool.Installed());
  settings_.defaultInterfaceKind = 0;
  struct {
    bool enabled = false, opened = false;
  } seen;
  gui::CDelayedAction user(
      [&] {
        HWND d = FindDialogWith(IDC_PORT_HEADER);
        if (!d) return false;
        seen.enabled = IsWindowEnabled(GetDlgItem(d, IDC_PORT_PORT_TOOL)) != FALSE;
        gui::PressButton(d, IDC_PORT_PORT_TOOL);
        seen.opened = gui::CloseTheTool();
        gui::PressButton(d, IDCANCEL);
        return true;
      },
      60000);
  CCommunicationSettingDlg dialog(GetModuleHandleW(nullptr), settings_, comm_.get(), &texts_);
  EXPECT_EQ(dialog.Run(nullptr), IDCANCEL);
  ASSERT_TRUE(Finished(user));
  EXPECT_TRUE(seen.enabled);
  EXPECT_TRUE(seen.opened) << "the tool's window";
}

TEST_F(PortSetup, BluetoothConnectorSelectsItsPort) {
  // catches: the connector's port not selected after it ended, the controls
  // left disabled, the connector's button enabled without the connector
  gui::CInstalledTool tool(L"ORVIK\\VX Bluetooth Connector\\VXBluetoothConnector.exe");
  ASSERT_TRUE(tool.Installed());
  // Two Bluetooth serial lines; the connector says it paired the second.
  EmulatorConfig first, second;
  first.name = L"btfirst" + std::to_wstring(GetCurrentProcessId());
  second.name = L"btsecond" + std::to_wstring(GetCurrentProcessId());
  first.tcpPort = second.tcpPort = -1;
  first.comPeer = L"COM41";
  second.comPeer = L"COM42";
  first.comIsBluetooth = second.comIsBluetooth = true;
  CEmulator a(first), b(second);
  ASSERT_TRUE(a.Start() && b.Start());
  SetEnvironmentVariableW(L"VX_STANDIN_BT_PORT", L"COM42");
  settings_.defaultInterfaceKind = 4;
  struct {
    int lines = 0;
    std::wstring title, selected;
    bool disabledWhileRunning = false, enabledAfter = false;
  } seen;
  gui::CDelayedAction user(
      [&] {
        HWND d = FindDialogWith(IDC_PORT_HEADER);
        if (!d) return false;
        HWND list = GetDlgItem(d, IDC_PORT_LIST);
        seen.lines = static_cast<int>(SendMessageW(list, CB_GETCOUNT, 0, 0));
        gui::PressButton(d, IDC_PORT_BT_TOOL);
        HWND waiting = nullptr;
        gui::WaitUntil([&] { return (waiting = FindDialogWith(IDC_BT_TOOL_TEXT)) != nullptr; }, 20000);
        if (waiting) {
          gui::WaitUntil([&] { return gui::WindowText(waiting) == L"Run Paring"; }, 5000);
          seen.title = gui::WindowText(waiting);
          seen.disabledWhileRunning = !IsWindowEnabled(GetDlgItem(d, IDOK)) &&
                                      !IsWindowEnabled(GetDlgItem(d, IDC_PORT_BLUETOOTH)) &&
                                      !IsWindowEnabled(list);
        }
        if (gui::CloseTheTool()) gui::WaitUntil([&] { return !IsWindow(waiting); }, 10000);
        seen.enabledAfter = gui::WaitUntil([&] { return IsWindowEnabled(GetDlgItem(d, IDOK)) != FALSE; }, 5000);
        wchar_t text[64] = {};
        const LRESULT at = SendMessageW(list, CB_GETCURSEL, 0, 0);
        if (at != CB_ERR && SendMessageW(list, CB_GETLBTEXTLEN, at, 0) < 60) {
          SendMessageW(list, CB_GETLBTEXT, at, reinterpret_cast<LPARAM>(text));
        }
        seen.selected = text;
        gui::PressButton(d, IDCANCEL);
        return true;
      },
      60000);
  CCommunicationSettingDlg dialog(GetModuleHandleW(nullptr), settings_, comm_.get(), &texts_);
  EXPECT_EQ(dialog.Run(nullptr), IDCANCEL);
  ASSERT_TRUE(Finished(user));
  SetEnvironmentVariableW(L"VX_STANDIN_BT_PORT", nullptr);
  DeleteFileW(BluetoothToolSettingFile().c_str());
  EXPECT_EQ(seen.lines, 2);
  EXPECT_EQ(seen.title, L"Run Paring");
  EXPECT_TRUE(seen.disabledWhileRunning);
  EXPECT_TRUE(seen.enabledAfter);
  EXPECT_EQ(seen.selected, L"COM42") << "the connector's port";
}

TEST(SelectLanguage, PreselectionChoiceAndEmptyChoice) {
  // catches: the current language not preselected, the id text not "%04X",
  // Cancel changing the record, an empty choice not giving -1
  const struct {
    const char* name;
    int32_t current;
    int pick;  // index chosen, -1 none; -2 Cancel after choosing index 0
    int expectedPreselection;
    int32_t langId;
    const wchar_t* text;
    const wchar_t* title;  // in the language the dialog opened in
  } cases[] = {
      {"pick English", 0x411, 0, 1, 0x409, L"0409", L"\u8A00\u8A9E\u9078\u629E"},
      {"pick German", 0x409, 2, 0, 0x407, L"0407", L"Select Language"},
      {"cancel after a change", 0x411, -2, 1, 0x411, L"0411", L"\u8A00\u8A9E\u9078\u629E"},
      // no file and no entry for the current language: English, nothing preselected
      {"nothing chosen", 0x416, -1, -1, -1, L"FFFFFFFF", L"Select Language"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CSelectLangDlg dialog;
    CopyText(dialog.settings.langDir, (gui::BuildProgramDir() + L"\\LANG").c_str());
    dialog.settings.langId = c.current;
    CopyText(dialog.settings.langIdText, LanguageIdText(c.current).c_str());
    dialog.LoadTexts();
    int preselected = -99;
    std::wstring title;
    gui::CDelayedAction user(
        [&] {
          HWND d = FindDialogWith(IDC_SELLANG_LIST);
          if (!d) return false;
          HWND list = GetDlgItem(d, IDC_SELLANG_LIST);
          preselected = static_cast<int>(SendMessageW(list, CB_GETCURSEL, 0, 0));
          title = gui::WindowText(d);
          if (c.current == 0x409) gui::SaveWindowPicture(d, gui::TestBinDir() + L"select-language.bmp");
          SendMessageW(list, CB_SETCURSEL, c.pick == -2 ? 0 : static_cast<WPARAM>(c.pick), 0);
          gui::PressButton(d, c.pick == -2 ? IDCANCEL : IDOK);
          return true;
        },
        20000);
    const INT_PTR result = dialog.Run(GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(Finished(user));
    EXPECT_EQ(result, c.pick == -2 ? IDCANCEL : IDOK);
    EXPECT_EQ(preselected, c.expectedPreselection);
    EXPECT_EQ(title, c.title);
    EXPECT_EQ(dialog.settings.langId, c.langId);
    EXPECT_STREQ(dialog.settings.langIdText, c.text);
  }
}

}  // namespace
