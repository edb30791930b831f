// The utility's main job end to end: the program folder as installed, the
// emulated VX-R500 as its own process, the utility started as a user or
// another program would start it, driven through its windows.

#include "tests/app/EndToEnd.h"

#include <commctrl.h>

#include <algorithm>
#include <iostream>
#include <optional>
#include <string>

namespace e2e {
namespace {

std::wstring IniValue(const std::wstring& ini, const wchar_t* section, const wchar_t* key) {
  wchar_t value[260] = {};
  GetPrivateProfileStringW(section, key, L"<none>", value, static_cast<DWORD>(std::size(value)), ini.c_str());
  return value;
}

void PutLittleEndian(std::string& bytes, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}


std::string Field(const std::string& text, std::size_t size) {
  std::string field = text;
  field.resize(size, '\0');
  return field;
}

// A settings data file as the utility writes it, with one block of the
// printer-setting page whose payload is the given bytes.
std::string DataFile(const std::string& payload) {
  std::string bytes("PSD\0", 4);
  PutLittleEndian(bytes, 0x10000);
  PutLittleEndian(bytes, 0x10000);
  PutLittleEndian(bytes, 1);
  bytes += Field("VX-R500 Utility", 32) + Field("ORVIK", 32) + Field("VX-R500", 56);
  bytes += std::string("PND\0", 4);
  PutLittleEndian(bytes, 0x10001);
  PutLittleEndian(bytes, 1);
  PutLittleEndian(bytes, static_cast<uint32_t>(32 + payload.size()));
  bytes += std::string(16, '\0') + payload;
  return bytes;
}

// Settings kept from an earlier run: the list with one printer and its data file.
void SaveSettingsOfAnEarlierRun(const CSharedDataFolder& shared, const std::wstring& device, const std::wstring& port,
                                const std::string& data) {
  const std::wstring ini = shared.File(L"PrinterSetting.INI");
  WritePrivateProfileStringW(L"INFO", L"COUNT", L"1", ini.c_str());
  WritePrivateProfileStringW(L"PORT_0", L"DeviceName", device.c_str(), ini.c_str());
  WritePrivateProfileStringW(L"PORT_0", L"PortName", port.c_str(), ini.c_str());
  WritePrivateProfileStringW(L"PORT_0", L"Dir", L"PORT_0", ini.c_str());
  CreateDirectoryW(shared.File(L"PORT_0").c_str(), nullptr);
  if (!data.empty()) {
    ASSERT_TRUE(gui::WriteFileBytes(shared.File(L"PORT_0\\" + device + L"_Setting.DAT"), data));
  }
}

bool IsSelectionDialog(const gui::WindowInfo& w) { return GetPropW(w.hwnd, kProperty) != nullptr; }

// A line of the status pane: 1021 name, 1022 port, 1025 status.
std::wstring PaneLine(HWND frame, int id) {
  HWND line = FindVisibleChild(frame, id);
  return line ? gui::WindowText(line) : std::wstring(L"<no line>");
}

// How often a command was heard, in the emulator's "received" answer.
std::size_t TimesHeard(const std::string& received, const std::string& command) {
  std::size_t n = 0;
  for (std::size_t at = received.find(command); at != std::string::npos; at = received.find(command, at + 1)) ++n;
  return n;
}

std::string Utf16(const std::string& ascii) {
  std::string bytes;
  for (char c : ascii) bytes += std::string{c, '\0'};
  return bytes;
}

TEST_F(EndToEnd, UserPicksTheEmulatedPrinterAndTheMainWindowOpens) {
  HWND dialog = StartAndWaitForSelection();
  ASSERT_NE(dialog, nullptr);
  HWND list = GetDlgItem(dialog, 1020);
  // Both ports report the sister model's name: listed as the served model.
  EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 2);
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDOK)));

  gui::PressButton(dialog, IDOK);  // row 0: the network port
  HWND frame = WaitForMainWindow();
  ASSERT_NE(frame, nullptr) << "the printer answered, is the served model and opened";
  EXPECT_EQ(gui::WindowText(frame), L"VX-R500 Utility Ver.1.10");

  // The status pane follows the printer: who it is, its port, and the cover
  // opened and closed at the printer.
  const auto shows = [&](int id, const std::wstring& text) {
    return gui::WaitUntil([&] { return PaneLine(frame, id) == text; }, 10000);
  };
  EXPECT_TRUE(shows(1021, L"Printer Name: VX-R500")) << Narrow(PaneLine(frame, 1021));
  EXPECT_EQ(PaneLine(frame, 1022), L"Port: 127.0.0.1 (127.0.0.1:" + std::to_wstring(port_) + L")");
  EXPECT_TRUE(shows(1025, L"Status: Online")) << Narrow(PaneLine(frame, 1025));
  ASSERT_EQ(Control("condition cover on").substr(0, 2), "OK");
  EXPECT_TRUE(shows(1025, L"Status: Cover is open")) << Narrow(PaneLine(frame, 1025));
  gui::SaveWindowPicture(frame, gui::TestBinDir() + L"main-window-live.bmp");
  ASSERT_EQ(Control("condition cover off").substr(0, 2), "OK");
  EXPECT_TRUE(shows(1025, L"Status: Online")) << Narrow(PaneLine(frame, 1025));

  // A fatal error opens the guidance for it.
  ASSERT_EQ(Control("condition fatal on").substr(0, 2), "OK");
  HWND guidance = gui::WaitForWindow(
      utility_->Id(), [](const gui::WindowInfo& w) { return GetDlgItem(w.hwnd, 1036) != nullptr; }, 10000);
  ASSERT_NE(guidance, nullptr) << "the error guidance";
  EXPECT_EQ(gui::WindowText(guidance), L"Fatal Error");
  EXPECT_GT(gui::WindowText(GetDlgItem(guidance, 1036)).size(), 20u) << "its guidance text";
  EXPECT_EQ(PaneLine(frame, 1025), L"Status: Fatal Error");
  gui::PressButton(guidance, IDOK);
  ASSERT_EQ(Control("condition fatal off").substr(0, 2), "OK");
  EXPECT_TRUE(shows(1025, L"Status: Online")) << Narrow(PaneLine(frame, 1025));

  // Away and back: the printer's information is read again.
  ASSERT_EQ(Control("condition offline on").substr(0, 2), "OK");
  EXPECT_TRUE(shows(1025, L"Status: Offline")) << Narrow(PaneLine(frame, 1025));
  ASSERT_EQ(Control("clear").substr(0, 2), "OK");
  ASSERT_EQ(Control("condition offline off").substr(0, 2), "OK");
  EXPECT_TRUE(shows(1025, L"Status: Online")) << Narrow(PaneLine(frame, 1025));
  EXPECT_TRUE(gui::WaitUntil([&] { return TimesHeard(Control("received"), "1D 49 44") > 0; }, 10000))
      << "the serial number, the last of the information, asked again";

  PostMessageW(frame, WM_CLOSE, 0, 0);
  DWORD code = 0;
  ASSERT_TRUE(utility_->WaitForExit(kStartMs, &code));
  EXPECT_EQ(code, 1u);

  // The read let the settings be saved: the information block is in the
  // printer's data file.
  const std::wstring ini = shared_.File(L"PrinterSetting.INI");
  const std::wstring folder = IniValue(ini, L"PORT_0", L"Dir");
  const std::wstring device = IniValue(ini, L"PORT_0", L"DeviceName");
  const auto data = gui::ReadFileBytes(shared_.File(folder + L"\\" + device + L"_Setting.DAT"));
  ASSERT_TRUE(data) << "the printer's data file";
  const auto block = DataFileBlock(*data, 0x10001);
  ASSERT_TRUE(block) << "the printer-information block";
  ASSERT_EQ(block->size(), 992u);
  EXPECT_EQ(block->substr(212, 16), Utf16("VX-R500") + std::string(2, '\0'));
  EXPECT_EQ(Le32At(*block, 976), 1u);
}

// A read that cannot learn who the printer is: the pane says so, keeps the
// status it showed, and the window answers all the while.
TEST_F(EndToEnd, PrinterThatDoesNotSayWhoItIsIsRefusedWithoutHangingTheWindow) {
  const struct {
    const char* name;
    const char* silence;
    const char* asked;  // the command asked at every attempt
    const wchar_t* message;
  } cases[] = {
      // catches: a missing device ID taken as a communication error, or
      // asked without limit
      {"the name but never the device ID", "silent 1D 49 01", "1D 49 01",
       L"The device ID does not match the connected printer."},
      // catches: a printer that says nothing taken for another printer
      {"nothing at all", "silent 1D 49", "1D 49 43", L"A communication error occurred."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    HWND dialog = StartAndWaitForSelection();
    ASSERT_NE(dialog, nullptr);
    gui::PressButton(dialog, IDOK);
    HWND frame = WaitForMainWindow();
    ASSERT_NE(frame, nullptr);
    ASSERT_TRUE(gui::WaitUntil([&] { return PaneLine(frame, 1021) == L"Printer Name: VX-R500"; }, 10000));

    ASSERT_EQ(Control(c.silence).substr(0, 2), "OK");
    ASSERT_EQ(Control("condition offline on").substr(0, 2), "OK");
    ASSERT_TRUE(gui::WaitUntil([&] { return PaneLine(frame, 1025) == L"Status: Offline"; }, 10000));
    ASSERT_EQ(Control("clear").substr(0, 2), "OK");
    ASSERT_EQ(Control("condition offline off").substr(0, 2), "OK");

    // The read retries for up to 45 seconds; the window thread answers
    // throughout.
    HWND box = nullptr;
    DWORD slowest = 0;
    const ULONGLONG started = GetTickCount64();
    {
      CAnswerProbe probe(utility_->Id());
      while (!box && GetTickCount64() - started < 90000) {
        box = gui::WaitForMessageBox(utility_->Id(), 500);
        // A box is counted once its text is there.
        if (box && gui::MessageBoxText(box).empty()) box = nullptr;
      }
      slowest = probe.LongestMs();
    }
    const auto seconds = (GetTickCount64() - started) / 1000;
    ASSERT_NE(box, nullptr) << "the read ends with a message";
    EXPECT_EQ(gui::MessageBoxText(box), c.message);
    EXPECT_LE(seconds, 60u);
    EXPECT_LT(slowest, 1000u) << "the window thread was blocked";
    const std::size_t attempts = TimesHeard(Control("received"), c.asked);
    EXPECT_GE(attempts, 2u) << "it tried again";
    EXPECT_LE(attempts, 20u) << "at most 20 attempts";
    std::cout << "figure: " << c.name << ": message after " << seconds << " s, " << attempts
              << " attempts, slowest window answer " << slowest << " ms\n";
    gui::PressButton(box, IDOK);
    EXPECT_TRUE(gui::WaitUntil([&] { return PaneLine(frame, 1025) == L"Status: Offline"; }, 10000))
        << "the status shown before stays: " << Narrow(PaneLine(frame, 1025));
    EXPECT_EQ(PaneLine(frame, 1021), L"Printer Name: VX-R500");

    PostMessageW(frame, WM_CLOSE, 0, 0);
    ASSERT_TRUE(utility_->WaitForExit(kStartMs));
    ASSERT_EQ(Control("silent off").substr(0, 2), "OK");
  }
}

TEST_F(EndToEnd, CommandLinePortOpensTheMainWindowDirectly) {
  utility_ = gui::CProcess::Start(program_.File(L"VXR500UTL.exe"), L"/p" + monitor_, program_.Path());
  ASSERT_TRUE(utility_);
  HWND frame = WaitForMainWindow();
  ASSERT_NE(frame, nullptr);
  for (const auto& w : gui::TopLevelWindows(utility_->Id())) {
    EXPECT_FALSE(gui::IsMessageBox(w.hwnd)) << "no message on the way";
  }
  PostMessageW(frame, WM_CLOSE, 0, 0);
  EXPECT_TRUE(utility_->WaitForExit(kStartMs));
}

TEST_F(EndToEnd, PrinterInUseByAnotherProgram) {
  // Another program holds the printer's one connection: ours, once the
  // printer reports a client and nobody else talks to it.
  ASSERT_TRUE(WaitForStatus("client 0"));
  SOCKET holder = ConnectTo(port_);
  ASSERT_NE(holder, INVALID_SOCKET);
  ASSERT_TRUE(WaitForStatus("client 1")) << "the printer keeps our connection";

  HWND dialog = StartAndWaitForSelection();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(PressOkAndReadMessage(dialog), L"Cannot launch the printer because it is in use by another application.");
  closesocket(holder);
  gui::PressButton(dialog, IDCANCEL);
  EXPECT_TRUE(utility_->WaitForExit(kStartMs));
}

TEST_F(EndToEnd, SisterModelIsNotTaken) {
  ASSERT_EQ(Control("identity sister").substr(0, 2), "OK");
  HWND dialog = StartAndWaitForSelection();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(PressOkAndReadMessage(dialog), L"The connected printer is not VX-R500.");
  // The port it was found on is gone from the library's port list.
  const auto bytes = gui::ReadFileBytes(PortRegistryPath());
  ASSERT_TRUE(bytes);
  const std::wstring ports(reinterpret_cast<const wchar_t*>(bytes->data()), bytes->size() / sizeof(wchar_t));
  EXPECT_EQ(ports.find(L"tcp://"), std::wstring::npos);
  EXPECT_NE(ports.find(L"pipe://vx/"), std::wstring::npos);
  gui::PressButton(dialog, IDCANCEL);
  EXPECT_TRUE(utility_->WaitForExit(kStartMs));
  // What the printer heard includes the information request for item 117 (1D 49 75).
  EXPECT_NE(Control("received").find("1D 49 75"), std::string::npos);
}

// In file mode the utility collects settings for a file and saves them as the
// data of the printer "VX-R500" at exit, with the list of known printers.
TEST_F(EndToEnd, FileModeSavesThePrinterListAndItsDataFileAtExit) {
  const std::string otherData = DataFile("kept");
  const struct {
    const char* name;
    bool otherPrinterListed;  // a network printer saved in an earlier run
    bool sameListed;          // the file mode's own entry saved before
    std::wstring count;
    std::wstring section;
  } cases[] = {
      // catches: a save that needs an existing list, or writes no entry
      {"empty folder", false, false, L"1", L"PORT_0"},
      // catches: the new printer replacing the first entry, or the old printer's file touched
      {"another printer listed", true, false, L"2", L"PORT_1"},
      // catches: the same printer added a second time, its saved settings not loaded and kept
      {"the same printer listed", false, true, L"1", L"PORT_0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    shared_.Clear();
    if (c.otherPrinterListed) SaveSettingsOfAnEarlierRun(shared_, L"VX-R500", L"127.0.0.1", otherData);
    if (c.sameListed) SaveSettingsOfAnEarlierRun(shared_, L"VX-R500", L"", DataFile("old"));

    utility_ = gui::CProcess::Start(program_.File(L"VXR500UTL.exe"), L"\"/mF" + temp_.Path() + L"\\settings.cmd\"",
                                    program_.Path());
    ASSERT_TRUE(utility_);
    HWND frame = WaitForMainWindow();
    ASSERT_NE(frame, nullptr);
    PostMessageW(frame, WM_CLOSE, 0, 0);
    HWND question = gui::WaitForMessageBox(utility_->Id(), kStartMs);
    ASSERT_NE(question, nullptr) << "file mode asks whether to write the file";
    gui::PressButton(question, IDNO);
    DWORD code = 0;
    ASSERT_TRUE(utility_->WaitForExit(kStartMs, &code));
    EXPECT_EQ(code, 1u);

    const std::wstring ini = shared_.File(L"PrinterSetting.INI");
    EXPECT_EQ(IniValue(ini, L"INFO", L"COUNT"), c.count);
    EXPECT_EQ(IniValue(ini, c.section.c_str(), L"DeviceName"), L"VX-R500");
    EXPECT_EQ(IniValue(ini, c.section.c_str(), L"PortName"), L"");
    EXPECT_EQ(IniValue(ini, c.section.c_str(), L"Dir"), c.section);
    const auto data = gui::ReadFileBytes(shared_.File(c.section + L"\\VX-R500_Setting.DAT"));
    ASSERT_TRUE(data) << "the printer's data file";
    ASSERT_GE(data->size(), 136u);
    EXPECT_EQ(data->substr(0, 4), std::string("PSD\0", 4));
    EXPECT_EQ(Le32At(*data, 4), 0x10000u);
    EXPECT_EQ(Le32At(*data, 8), 0x10000u);
    EXPECT_EQ(data->substr(16, 32), Field("VX-R500 Utility", 32));
    EXPECT_EQ(data->substr(48, 32), Field("ORVIK", 32));
    EXPECT_EQ(data->substr(80, 56), Field("VX-R500", 56));
    // Loadable: the counted blocks fill the rest of the file exactly.
    std::size_t at = 136;
    for (uint32_t block = 0; block < Le32At(*data, 12) && at + 32 <= data->size(); ++block) {
      EXPECT_EQ(data->substr(at, 4), std::string("PND\0", 4)) << "block " << block;
      const uint32_t size = Le32At(*data, at + 12);
      ASSERT_GT(size, 32u) << "block " << block;
      at += size;
    }
    EXPECT_EQ(at, data->size()) << "blocks as counted";
    if (c.sameListed) {
      // catches: the saved settings not loaded at start-up, so that the save drops them
      EXPECT_NE(data->find("old"), std::string::npos) << "the saved block written back";
    }
    if (c.otherPrinterListed) {
      EXPECT_EQ(gui::ReadFileBytes(shared_.File(L"PORT_0\\VX-R500_Setting.DAT")), otherData);
      EXPECT_EQ(IniValue(ini, L"PORT_0", L"PortName"), L"127.0.0.1");
    }
  }
}

// A start-up that ends before the main window has nothing of the printer in
// its list: saving then would overwrite the settings kept from earlier runs.
// File mode is the one where the list may always be written.
TEST_F(EndToEnd, StartUpEndingBeforeTheMainWindowOverwritesNothing) {
  const struct {
    const char* name;
    bool withoutLanguageFiles;
    std::wstring args;
    std::wstring message;  // shown on the way out; empty: the selection dialog, cancelled
  } cases[] = {
      // catches: the save at exit not guarded by the main window having opened
      {"port not known, selection cancelled", false, L"/pVXPORT99", L""},
      // catches: the same for a start-up that fails before any dialog
      {"no language files", true, L"", L"Could not find the required files.\nPlease reinstall."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    shared_.Clear();
    SaveSettingsOfAnEarlierRun(shared_, L"VX-R500", L"", DataFile("earlier run"));
    const auto iniBefore = gui::ReadFileBytes(shared_.File(L"PrinterSetting.INI"));
    const auto dataBefore = gui::ReadFileBytes(shared_.File(L"PORT_0\\VX-R500_Setting.DAT"));
    ASSERT_TRUE(iniBefore && dataBefore);

    gui::CProgramFolder program;
    if (c.withoutLanguageFiles) program.Remove(L"LANG");
    utility_ = gui::CProcess::Start(program.File(L"VXR500UTL.exe"),
                                    L"\"/mF" + temp_.Path() + L"\\settings.cmd\" " + c.args, program.Path());
    ASSERT_TRUE(utility_);
    if (c.message.empty()) {
      HWND dialog = gui::WaitForWindow(utility_->Id(), IsSelectionDialog, kStartMs);
      ASSERT_NE(dialog, nullptr);
      gui::PressButton(dialog, IDCANCEL);
    } else {
      HWND box = gui::WaitForMessageBox(utility_->Id(), kStartMs);
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(gui::MessageBoxText(box), c.message);
      gui::PressButton(box, IDOK);
      ASSERT_TRUE(gui::WaitUntil([box] { return !IsWindow(box) || !IsWindowVisible(box); }, kStartMs));
    }
    // No save question either: it would come before the end.
    HWND question = nullptr;
    const bool ended = gui::WaitUntil(
        [&] {
          question = gui::WaitForMessageBox(utility_->Id(), 0);
          return question != nullptr || !utility_->IsRunning();
        },
        kStartMs);
    ASSERT_TRUE(ended);
    EXPECT_EQ(question, nullptr) << "asked to save after a failed start-up";
    ASSERT_TRUE(utility_->WaitForExit(kStartMs));

    EXPECT_EQ(gui::ReadFileBytes(shared_.File(L"PrinterSetting.INI")), iniBefore);
    EXPECT_EQ(gui::ReadFileBytes(shared_.File(L"PORT_0\\VX-R500_Setting.DAT")), dataBefore);
    EXPECT_FALSE(gui::ReadFileBytes(shared_.File(L"PORT_1\\_Setting.DAT"))) << "a file for no printer";
    EXPECT_FALSE(gui::ReadFileBytes(temp_.Path() + L"\\settings.cmd")) << "the command file written";
  }
}

// The selection dialog hands the language back through SETTING.INI on
// Cancel as on OK: the language the user ends up with.
TEST_F(EndToEnd, CancelWritesTheDialogsLanguageToSettingIni) {
  const struct {
    const char* name;
    const char* languageSection;  // SETTING.INI's [LANGUAGE] before the start
    std::wstring fallbackMessage;
    std::wstring written;
  } cases[] = {
      // catches: Cancel writing a fixed default, or not writing at all
      {"Japanese", "[LANGUAGE]\r\nLANGID=0411\r\n", L"", L"0411"},
      // catches: the text read at start-up written instead of the dialog's record after the fallback
      {"French without its file", "[LANGUAGE]\r\nLANGID=040C\r\n",
       L"Could not find the required files.\nDisplaying the screen in English.", L"0409"},
      // catches: writing only a key that was there before
      {"no language yet", "", L"", L"0409"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    gui::CProgramFolder program;
    program.WriteText(L"SETTING.INI", std::string(c.languageSection) + "[Support]\r\nWM=0\r\n");
    utility_ = gui::CProcess::Start(program.File(L"VXR500UTL.exe"), L"", program.Path());
    ASSERT_TRUE(utility_);
    if (!c.fallbackMessage.empty()) {
      HWND box = gui::WaitForMessageBox(utility_->Id(), kStartMs);
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(gui::MessageBoxText(box), c.fallbackMessage);
      gui::PressButton(box, IDOK);
    }
    HWND dialog = gui::WaitForWindow(utility_->Id(), IsSelectionDialog, kStartMs);
    ASSERT_NE(dialog, nullptr);
    gui::PressButton(dialog, IDCANCEL);
    DWORD code = 0;
    ASSERT_TRUE(utility_->WaitForExit(kStartMs, &code));
    EXPECT_EQ(code, 1u);
    EXPECT_EQ(IniValue(program.File(L"SETTING.INI"), L"LANGUAGE", L"LANGID"), c.written);
    EXPECT_EQ(IniValue(program.File(L"SETTING.INI"), L"Support", L"WM"), L"0") << "the rest of the file kept";
  }
}

TEST_F(EndToEnd, OkWithoutASelectedRowWarnsAndTheDialogStays) {
  const struct {
    const char* name;
    bool noPrinterListed;
  } cases[] = {
      // catches: OK taking a row the user has deselected (row -1 read as an entry)
      {"selection cleared", false},
      // catches: OK on an empty list reaching for a row that is not there
      {"nothing listed", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.noPrinterListed) {
      // Ports of other models only: the list shows none of them.
      const std::wstring text = L"\xFEFF" L"NET\t127.0.0.1\ttcp://127.0.0.1:" + std::to_wstring(port_) + L"\tLX-P90\n";
      ASSERT_TRUE(gui::WriteFileBytes(PortRegistryPath(), std::string(reinterpret_cast<const char*>(text.data()),
                                                                       text.size() * sizeof(wchar_t))));
    }
    HWND dialog = StartAndWaitForSelection();
    ASSERT_NE(dialog, nullptr);
    HWND list = GetDlgItem(dialog, 1020);
    EXPECT_EQ(GetWindowLongW(list, GWL_STYLE) & WS_HSCROLL, 0) << "a horizontal scroll bar for columns that fit";
    if (c.noPrinterListed) {
      EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 0);
    } else {
      ASSERT_TRUE(gui::SelectListViewRow(list, -1));
    }
    // OK and Delete Port follow the selection.
    EXPECT_TRUE(gui::WaitUntil([&] { return !IsWindowEnabled(GetDlgItem(dialog, IDOK)); }, kStartMs));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, 1004)));
    // An OK that reaches the dialog all the same must not take a row.
    EXPECT_EQ(PressOkAndReadMessage(dialog), L"Please select the printer you want to setup.");
    EXPECT_TRUE(gui::WaitUntil([&] { return gui::WaitForMessageBox(utility_->Id(), 0) == nullptr; }, kStartMs));
    EXPECT_TRUE(IsWindow(dialog) && IsWindowVisible(dialog)) << "the dialog stays";
    EXPECT_TRUE(utility_->IsRunning());
    if (!c.noPrinterListed) {
      ASSERT_TRUE(gui::SelectListViewRow(list, 0));
      EXPECT_TRUE(gui::WaitUntil([&] { return IsWindowEnabled(GetDlgItem(dialog, IDOK)) != FALSE; }, kStartMs));
    }
    gui::PressButton(dialog, IDCANCEL);
    ASSERT_TRUE(utility_->WaitForExit(kStartMs));
    WritePortRegistry();
  }
}

// A printer that does not answer can still be chosen when its settings were
// saved in an earlier run: the user works on them without the printer.
TEST_F(EndToEnd, SilentPrinterIsTakenOnlyWithSettingsSavedForIt) {
  const struct {
    const char* name;
    const char* silence;     // control request that makes the printer silent
    std::wstring savedPort;  // port of the saved settings; empty: none saved
    bool dataFile;
    bool opens;
  } cases[] = {
      // catches: the saved-settings fallback missing: a silent printer never opens
      {"no answer, settings saved", "noanswer on", L"127.0.0.1", true, true},
      // catches: the fallback only for a printer that answers something
      {"mute identity, settings saved", "identity mute", L"127.0.0.1", true, true},
      // catches: a silent printer taken without any saved settings
      {"no answer, nothing saved", "noanswer on", L"", false, false},
      // catches: saved settings matched on the device name alone
      {"settings saved for another port", "noanswer on", L"192.0.2.1", true, false},
      // catches: the list entry taken for the settings although its file is gone
      {"listed, data file gone", "noanswer on", L"127.0.0.1", false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    shared_.Clear();
    if (!c.savedPort.empty()) {
      SaveSettingsOfAnEarlierRun(shared_, L"VX-R500", c.savedPort, c.dataFile ? DataFile("earlier run") : "");
    }
    ASSERT_TRUE(StopEmulator());
    ASSERT_TRUE(StartEmulator());
    ASSERT_EQ(Control(c.silence).substr(0, 2), "OK");

    HWND dialog = StartAndWaitForSelection();
    ASSERT_NE(dialog, nullptr);
    // Row 0: the network port.
    ASSERT_EQ(gui::ListViewItemText(GetDlgItem(dialog, 1020), 0, 2), L"127.0.0.1");
    EXPECT_EQ(PressOkAndReadMessage(dialog), L"Cannot communicate with the printer.");
    if (c.opens) {
      HWND frame = WaitForMainWindow();
      ASSERT_NE(frame, nullptr);
      PostMessageW(frame, WM_CLOSE, 0, 0);
    } else {
      // The dialog stays for another choice, and no second message comes.
      HWND frame = nullptr;
      gui::WaitUntil(
          [&] {
            frame = gui::WaitForWindow(
                utility_->Id(), [](const gui::WindowInfo& w) { return w.className == L"VXUtilMainFrame"; }, 0);
            return frame != nullptr || gui::WaitForMessageBox(utility_->Id(), 0) != nullptr;
          },
          3000);
      EXPECT_EQ(frame, nullptr);
      EXPECT_EQ(gui::WaitForMessageBox(utility_->Id(), 0), nullptr);
      EXPECT_TRUE(IsWindow(dialog) && IsWindowVisible(dialog)) << "the dialog stays";
      gui::PressButton(dialog, IDCANCEL);
    }
    ASSERT_TRUE(utility_->WaitForExit(kStartMs));
  }
}

}  // namespace
}  // namespace e2e
