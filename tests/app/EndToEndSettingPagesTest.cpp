// The memory-switch and customized-value pages end to end, and file mode's
// setting command file from all three setting pages: the real utility and
// its plug-ins against the emulated printer as its own process.

#include "tests/app/EndToEnd.h"

#include <commctrl.h>

#include <iostream>
#include <string>
#include <vector>

#include "printerinfo/SettingCommandFormat.h"

namespace e2e {
namespace {

namespace sf = setting_file;

class SettingPages : public EndToEnd {
protected:
  // The printer online again after the restart a read or write caused.
  ::testing::AssertionResult PrinterReady(HWND frame) {
    if (!WaitForStatus("restarting 0")) return ::testing::AssertionFailure() << "the printer restarting";
    if (!gui::WaitUntil([&] { return gui::WindowText(FindVisibleChild(frame, 1025)) == L"Status: Online"; }, 20000)) {
      return ::testing::AssertionFailure() << "the status line";
    }
    return ::testing::AssertionSuccess();
  }
  // The page of a menu row, found by one of its controls once it shows.
  // The main window is disabled while a progress dialog runs (a read after
  // the printer's restart, say), so the click waits for it.
  HWND ShowPage(HWND frame, const wchar_t* row, int control) {
    if (!gui::WaitUntil([&] { return IsWindowEnabled(frame) != FALSE; }, 60000)) return nullptr;
    if (!SelectMenuRow(frame, row)) return nullptr;
    HWND found = nullptr;
    if (!gui::WaitUntil([&] { return (found = FindVisibleChild(frame, control)) != nullptr; }, 10000)) return nullptr;
    return GetParent(found);
  }
  // "Set", then the progress dialog's end without a message.
  void SetAndWait(HWND frame, HWND page, int button) {
    gui::PressButton(page, button);
    EXPECT_TRUE(gui::WaitUntil([&] { return IsWindowEnabled(frame) == FALSE; }, 5000)) << "the write starts";
    EXPECT_TRUE(gui::WaitUntil([&] { return IsWindowEnabled(frame) != FALSE; }, 60000)) << "the progress dialog ends";
    if (HWND box = gui::WaitForMessageBox(utility_->Id(), 500)) {
      const std::wstring text = gui::MessageBoxText(box);
      ADD_FAILURE() << "a message: " << std::string(text.begin(), text.end());
      gui::PressButton(box, IDOK);
    }
  }
  // A check box clicked as the mouse would, until it shows the change.
  ::testing::AssertionResult Click(HWND page, int id) {
    HWND box = GetDlgItem(page, id);
    const LRESULT before = SendMessageW(box, BM_GETCHECK, 0, 0);
    PostMessageW(box, BM_CLICK, 0, 0);
    if (gui::WaitUntil([&] { return SendMessageW(box, BM_GETCHECK, 0, 0) != before; }, 5000)) {
      return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "check box " << id << " did not change";
  }
  std::optional<std::string> SavedBlock(int32_t id) const {
    const auto data = SavedDataFile(shared_);
    return data ? DataFileBlock(*data, id) : std::nullopt;
  }
};

TEST_F(SettingPages, SwitchesAndValuesAreWrittenToThePrinterAndKept) {
  // catches: a page's setting not reaching the printer, another switch or
  // value changed with it, the data file not keeping what was set
  HWND dialog = StartAndWaitForSelection();
  ASSERT_NE(dialog, nullptr);
  gui::PressButton(dialog, IDOK);
  HWND frame = WaitForMainWindow();
  ASSERT_NE(frame, nullptr);
  ASSERT_TRUE(PrinterReady(frame));

  HWND switches = ShowPage(frame, L"Memory Switches", 1101);
  ASSERT_NE(switches, nullptr) << "the memory-switch page";
  EXPECT_EQ(gui::WindowText(GetDlgItem(switches, 1101)), L"Send a power-on notice");
  EXPECT_EQ(SendDlgItemMessageW(switches, 1101, BM_GETCHECK, 0, 0), BST_UNCHECKED) << "as the printer has it";
  ASSERT_TRUE(Click(switches, 1101));
  ASSERT_TRUE(Click(switches, 1115));
  UpdateWindow(frame);
  EXPECT_TRUE(gui::SaveWindowPicture(frame, L"memory-switch-page.bmp"));
  SetAndWait(frame, switches, 1050);
  EXPECT_EQ(Control("msw 1"), "OK 00000100");
  EXPECT_EQ(Control("msw 8"), "OK 10000000");
  EXPECT_EQ(Control("msw 2"), "OK 00000000");
  ASSERT_TRUE(PrinterReady(frame));

  HWND values = ShowPage(frame, L"Customized Values", 1200);
  ASSERT_NE(values, nullptr) << "the customized-value page";
  EXPECT_EQ(gui::WindowText(GetDlgItem(values, 1244)), L"(0 - 120)");
  EXPECT_EQ(gui::ComboBoxItems(GetDlgItem(values, 1200)).size(), 7u);
  EXPECT_EQ(SendDlgItemMessageW(values, 1200, CB_GETCURSEL, 0, 0), 6) << "80 mm, as the printer has it";
  SendDlgItemMessageW(values, 1200, CB_SETCURSEL, 4, 0);  // 70 mm
  Type(GetDlgItem(values, 1203), L"5");
  ASSERT_TRUE(gui::WaitUntil([&] { return gui::WindowText(GetDlgItem(values, 1203)) == L"5"; }, 5000));
  UpdateWindow(frame);
  EXPECT_TRUE(gui::SaveWindowPicture(frame, L"customized-value-page.bmp"));
  gui::PressButton(values, 1050);
  ASSERT_TRUE(gui::WaitUntil([&] { return IsWindowEnabled(frame) == FALSE; }, 5000)) << "the write starts";
  // catches: the main window destroyed under the write's progress dialog,
  // or the close forgotten
  PostMessageW(frame, WM_CLOSE, 0, 0);
  Sleep(500);
  EXPECT_TRUE(IsWindow(frame)) << "the window stays while the printer is written";
  EXPECT_EQ(Control("cv 3"), "OK 4");
  EXPECT_EQ(Control("cv 101"), "OK 5");
  EXPECT_EQ(Control("cv 102"), "OK 0");
  // It closes when the write is over, without asking: nothing is unsaved.
  if (HWND box = gui::WaitForMessageBox(utility_->Id(), 3000)) {
    const std::wstring text = gui::MessageBoxText(box);
    ADD_FAILURE() << "a message on closing: " << std::string(text.begin(), text.end());
    gui::PressButton(box, IDNO);
  }
  ASSERT_TRUE(utility_->WaitForExit(60000)) << "closes without asking: nothing unsaved";
  const auto switchBlock = SavedBlock(sf::kMemorySwitchBlock);
  ASSERT_TRUE(switchBlock);
  EXPECT_EQ(Le32At(*switchBlock, 48), 1u) << "switch 1 bit 3";
  EXPECT_EQ(Le32At(*switchBlock, 172), 1u) << "switch 8 bit 8";
  const auto valueBlock = SavedBlock(sf::kCustomValueBlock);
  const auto extraBlock = SavedBlock(sf::kExtraValueBlock);
  ASSERT_TRUE(valueBlock && extraBlock);
  EXPECT_EQ(Le32At(*valueBlock, 32), 4u);
  EXPECT_EQ(Le32At(*extraBlock, 32), 5u);
}

TEST_F(SettingPages, FileModeWritesTheCommandFileOfAllThreePages) {
  // catches: file mode failing for want of a page's blocks, a setting of a
  // page dropped from the file, the printer spoken to in file mode
  const std::wstring out = temp_.Path() + L"\\shop.vxc";
  utility_ = gui::CProcess::Start(program_.File(L"VXR500UTL.exe"), L"\"/mF" + out + L"\"", program_.Path());
  ASSERT_TRUE(utility_);
  HWND frame = WaitForMainWindow();
  ASSERT_NE(frame, nullptr);
  HWND unit = nullptr;
  ASSERT_TRUE(gui::WaitUntil([&] { return (unit = FindVisibleChild(frame, 1006)) != nullptr; }, 10000));
  ASSERT_EQ(Control("clear").substr(0, 2), "OK");

  HWND cut = GetParent(unit);
  Type(GetDlgItem(cut, 1001), L"5.0");
  ASSERT_TRUE(gui::WaitUntil([&] { return gui::WindowText(GetDlgItem(cut, 1001)) == L"5.0"; }, 5000));
  gui::PressButton(cut, 1005);
  HWND switches = ShowPage(frame, L"Memory Switches", 1101);
  ASSERT_NE(switches, nullptr);
  ASSERT_TRUE(Click(switches, 1101));
  gui::PressButton(switches, 1050);
  HWND values = ShowPage(frame, L"Customized Values", 1200);
  ASSERT_NE(values, nullptr);
  SendDlgItemMessageW(values, 1200, CB_SETCURSEL, 4, 0);
  gui::PressButton(values, 1050);

  PostMessageW(frame, WM_CLOSE, 0, 0);
  HWND question = gui::WaitForMessageBox(utility_->Id(), kStartMs);
  ASSERT_NE(question, nullptr);
  EXPECT_EQ(gui::MessageBoxText(question), L"Do you want to save the settings to the file?");
  gui::PressButton(question, IDYES);
  ASSERT_TRUE(utility_->WaitForExit(kStartMs)) << "no message after Yes: the file was written";

  const auto file = gui::ReadFileBytes(out);
  ASSERT_TRUE(file) << "the setting command file";
  const auto* bytes = reinterpret_cast<const uint8_t*>(file->data());
  sf::ParsedFile parsed;
  ASSERT_EQ(sf::CheckFile(bytes, file->size(), &parsed), sf::Check::Ok) << sf::CheckText(sf::CheckFile(bytes, file->size(), nullptr));
  EXPECT_EQ(parsed.deviceName, "VX-R500");
  EXPECT_EQ(parsed.logoLength, 0u);
  const std::string commands = file->substr(parsed.commandsAt);
  EXPECT_EQ(commands.substr(0, 8), std::string("\x1D\x28\x45\x03\x00\x01\x49\x4E", 8)) << "enters user-setting mode";
  EXPECT_EQ(commands.substr(commands.size() - 9), std::string("\x1D\x28\x45\x04\x00\x02\x4F\x55\x54", 9))
      << "and leaves it";
  std::vector<std::pair<int, int>> got;
  for (const auto& v : parsed.values) got.emplace_back(v.number, v.value);
  EXPECT_EQ(got, (std::vector<std::pair<int, int>>{{3, 4}, {4, 0}, {12, 0}, {101, 0}, {102, 0}, {103, 0},
                                                        {104, 0}, {116, 35}, {117, 0}}));
  ASSERT_EQ(parsed.switches.size(), 4u);
  EXPECT_EQ(std::string(parsed.switches[0].characters.begin(), parsed.switches[0].characters.end()), "00200102")
      << "switch 1 with bit 3 on, its unoffered bits left";

  const std::string heard = Control("received");
  EXPECT_EQ(heard.find_first_not_of(' ', 2), std::string::npos) << "the printer heard nothing: " << heard;

  // The file the utility wrote, sent by the sender to the printer on the
  // network: the printer then holds what the pages set.
  const gui::ConsoleRun sent = gui::RunConsoleProgram(program_.File(L"VXR500Send.exe"), L"\"" + out + L"\" 127.0.0.1",
                                                      program_.Path(), temp_.Path(), 120000);
  EXPECT_TRUE(sent.finished);
  EXPECT_EQ(sent.code, 0u) << sent.out << sent.err;
  EXPECT_NE(sent.out.find("127.0.0.1  OK"), std::string::npos) << sent.out;
  EXPECT_EQ(Control("cv 116"), "OK 35");
  EXPECT_EQ(Control("cv 3"), "OK 4");
  EXPECT_EQ(Control("msw 1"), "OK 00000100");
  std::cout << "figure: the utility's file sent to one printer in " << sent.seconds << " s\n";
}

TEST_F(SettingPages, FileModeStartUpThatFailsWritesNothing) {
  // catches: a start-up that ends before the main window saving an empty
  // data file over the printer's kept settings, or writing a command file
  const std::wstring out = temp_.Path() + L"\\never.vxc";
  utility_ = gui::CProcess::Start(program_.File(L"VXR500UTL.exe"), L"\"/mF" + out + L"\" /pCOM1", program_.Path());
  ASSERT_TRUE(utility_);
  HWND box = gui::WaitForMessageBox(utility_->Id(), kStartMs);
  ASSERT_NE(box, nullptr) << "a port that is no port monitor's is refused";
  gui::PressButton(box, IDOK);
  ASSERT_TRUE(utility_->WaitForExit(kStartMs));
  EXPECT_FALSE(gui::ReadFileBytes(out)) << "no command file";
  EXPECT_FALSE(gui::ReadFileBytes(shared_.File(L"PORT_0\\VX-R500_Setting.DAT"))) << "no data file";
  EXPECT_FALSE(gui::ReadFileBytes(shared_.File(L"PrinterSetting.INI"))) << "no printer list";
}

}  // namespace
}  // namespace e2e
