// The utility's main job end to end: the program folder as installed, the
// emulated VX-R500 as its own process, the utility started as a user or
// another program would start it, driven through its windows.

#include "tests/app/EndToEnd.h"

#include <commctrl.h>

#include <string>

namespace e2e {
namespace {

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

  PostMessageW(frame, WM_CLOSE, 0, 0);
  DWORD code = 0;
  ASSERT_TRUE(utility_->WaitForExit(kStartMs, &code));
  EXPECT_EQ(code, 1u);
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

}  // namespace
}  // namespace e2e
