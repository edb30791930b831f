// The utility's main job end to end: the program folder as installed, the
// emulated VX-R500 as its own process, the utility started as a user or
// another program would start it, driven through its windows.

#include <winsock2.h>
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

#include "tests/support/GuiDriver.h"

namespace {

constexpr DWORD kStartMs = 30000;
const wchar_t kProperty[] = L"VX-R500_UTILITY_VX-R500";

bool AcceptsConnections(uint16_t port) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return false;
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool ok = connect(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
  closesocket(s);
  return ok;
}

class EndToEnd : public testing::Test {
protected:
  void SetUp() override {
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    const DWORD pid = GetCurrentProcessId();
    // Endpoints of their own for every test: the previous test's printer may
    // still be letting go of its port and pipes.
    static int run = 0;
    ++run;
    // Below the range the system hands out for port 0, where other tests'
    // printers listen.
    port_ = static_cast<uint16_t>(20000 + (pid * 8 + run) % 10000);
    monitor_ = L"VXPORT" + std::to_wstring(7000 + (pid * 8 + run) % 2000);
    name_ = L"E2E" + std::to_wstring(pid) + L"_" + std::to_wstring(run);
    // The library's port registry for the programs this test starts: the
    // network port and a port-monitor port of the emulated printer.
    const std::wstring registry = temp_.Path() + L"\\ports.txt";
    const std::wstring text = L"\xFEFF" L"NET\t127.0.0.1\ttcp://127.0.0.1:" + std::to_wstring(port_) +
                              L"\tVX-R200\n" L"USB\tUSB001\tpipe://vx/" + monitor_ + L"\tVX-R200\n";
    HANDLE file = CreateFileW(registry.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written, nullptr);
    CloseHandle(file);
    SetEnvironmentVariableW(L"VX_PORT_REGISTRY", registry.c_str());

    emulator_ = gui::CProcess::Start(program_.File(L"VXR500Emu.exe"),
                                     L"--quiet --name " + name_ + L" --tcp 127.0.0.1:" +
                                         std::to_wstring(port_) + L" --monitor " + monitor_ + L" --usb USB" + name_ +
                                         L" --state \"" + temp_.Path() + L"\\state.txt\"",
                                     program_.Path());
    ASSERT_TRUE(emulator_);
    ASSERT_TRUE(gui::WaitUntil([this] { return AcceptsConnections(port_); }, 10000)) << "emulator on " << port_;
    // The probe was the printer's client; it notices the probe gone within 100 ms.
    Sleep(300);
  }
  void TearDown() override {
    utility_.reset();
    emulator_.reset();
    SetEnvironmentVariableW(L"VX_PORT_REGISTRY", nullptr);
    WSACleanup();
  }

  // One line to the emulator's control pipe; its answer line.
  std::string Control(const std::string& line) {
    const std::wstring pipe = L"\\\\.\\pipe\\VXR500Emu." + name_ + L".control";
    HANDLE h = INVALID_HANDLE_VALUE;
    gui::WaitUntil(
        [&] {
          h = CreateFileW(pipe.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
          return h != INVALID_HANDLE_VALUE;
        },
        5000);
    if (h == INVALID_HANDLE_VALUE) return "no control pipe";
    DWORD done = 0;
    const std::string request = line + "\n";
    WriteFile(h, request.data(), static_cast<DWORD>(request.size()), &done, nullptr);
    std::string answer;
    char c = 0;
    while (ReadFile(h, &c, 1, &done, nullptr) && done == 1 && c != '\n') answer += c;
    CloseHandle(h);
    return answer;
  }

  // Starts the utility with a command line; its printer selection dialog.
  HWND StartAndWaitForSelection(const std::wstring& args = L"") {
    utility_ = gui::CProcess::Start(program_.File(L"VXR500UTL.exe"), args, program_.Path());
    if (!utility_) return nullptr;
    return gui::WaitForWindow(
        utility_->Id(), [](const gui::WindowInfo& w) { return GetPropW(w.hwnd, kProperty) != nullptr; }, kStartMs);
  }

  // Presses OK in the printer selection; the text of the message box that
  // answers, which is then closed.
  std::wstring PressOkAndReadMessage(HWND dialog) {
    gui::PressButton(dialog, IDOK);
    HWND box = gui::WaitForMessageBox(utility_->Id(), kStartMs);
    if (!box) return L"<no message>";
    const std::wstring text = gui::MessageBoxText(box);
    gui::PressButton(box, IDOK);
    return text;
  }

  // The main window, or nothing; a message box on the way ends the wait and
  // says what went wrong.
  HWND WaitForMainWindow() {
    HWND found = nullptr;
    gui::WaitUntil(
        [&] {
          for (const auto& w : gui::TopLevelWindows(utility_->Id())) {
            if (w.className == L"VXUtilMainFrame") found = w.hwnd;
            if (gui::IsMessageBox(w.hwnd)) {
              ADD_FAILURE() << "message: " << std::string(gui::MessageBoxText(w.hwnd).begin(),
                                                          gui::MessageBoxText(w.hwnd).end());
              return true;
            }
          }
          return found != nullptr;
        },
        kStartMs);
    return found;
  }

  gui::CProgramFolder program_;
  gui::CTempFolder temp_;
  uint16_t port_ = 0;
  std::wstring monitor_;
  std::wstring name_;
  std::unique_ptr<gui::CProcess> emulator_;
  std::unique_ptr<gui::CProcess> utility_;
};

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
  // Another program holds the printer's one connection. The probe of the
  // set-up may still be the printer's client for a moment: hold on only once
  // the printer kept us.
  SOCKET holder = INVALID_SOCKET;
  for (int attempt = 0; attempt < 20 && holder == INVALID_SOCKET; ++attempt) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port_);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0) {
      Sleep(300);
      u_long nonBlocking = 1;
      ioctlsocket(s, FIONBIO, &nonBlocking);
      char byte = 0;
      if (recv(s, &byte, 1, 0) < 0 && WSAGetLastError() == WSAEWOULDBLOCK) {
        holder = s;
        break;
      }
    }
    closesocket(s);
  }
  ASSERT_NE(holder, INVALID_SOCKET);

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
  std::wstring ports;
  {
    HANDLE file = CreateFileW((temp_.Path() + L"\\ports.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    wchar_t buffer[1024] = {};
    DWORD got = 0;
    ReadFile(file, buffer, sizeof(buffer) - sizeof(wchar_t), &got, nullptr);
    CloseHandle(file);
    ports = buffer;
  }
  EXPECT_EQ(ports.find(L"tcp://"), std::wstring::npos);
  EXPECT_NE(ports.find(L"pipe://vx/"), std::wstring::npos);
  gui::PressButton(dialog, IDCANCEL);
  EXPECT_TRUE(utility_->WaitForExit(kStartMs));
  // What the printer heard includes the information request for item 117 (1D 49 75).
  EXPECT_NE(Control("received").find("1D 49 75"), std::string::npos);
}

}  // namespace
