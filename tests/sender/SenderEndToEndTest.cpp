// VXR500Send.exe from the program folder, run as its own process against
// emulated printers that are processes of their own: one on TCP, one on the
// serial pty pair (COM5, the library's end, and COM6, the printer's; made by
// the ctest fixture vx_serial_pair). The library's port list is a file of
// the test's own (VX_PORT_REGISTRY).

#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "tests/sender/SettingFiles.h"
#include "tests/support/GuiDriver.h"

namespace {

using sendtest::Bytes;

constexpr DWORD kStartMs = 30000;
constexpr DWORD kSenderLimitMs = 150000;

std::string Hex(const Bytes& bytes) {
  std::string s;
  char b[4];
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(b, sizeof(b), i ? " %02X" : "%02X", bytes[i]);
    s += b;
  }
  return s;
}

// One VXR500Emu.exe with endpoints of its own.
class CEmulatorProcess {
public:
  CEmulatorProcess(std::wstring name, const std::wstring& endpoints, const std::wstring& stateFolder) : name_(std::move(name)) {
    process_ = gui::CProcess::Start(gui::BuildProgramDir() + L"\\VXR500Emu.exe",
                                    L"--quiet --name " + name_ + L" --usb U" + name_ + L" --monitor P" + name_ +
                                        L" --state \"" + stateFolder + L"\\" + name_ + L".txt\" " + endpoints,
                                    gui::BuildProgramDir());
  }
  ~CEmulatorProcess() {
    if (process_ && process_->IsRunning()) {
      (void)Control("quit");
      process_->WaitForExit(kStartMs);
    }
  }
  CEmulatorProcess(const CEmulatorProcess&) = delete;
  CEmulatorProcess& operator=(const CEmulatorProcess&) = delete;

  // Up when it answers its control pipe; its TCP port from its own status.
  testing::AssertionResult Started() {
    if (!process_) return testing::AssertionFailure() << "VXR500Emu.exe did not start";
    const std::string status = Control("status");
    const std::size_t tcp = status.find(" tcp ");
    if (status.rfind("OK", 0) != 0 || tcp == std::string::npos) {
      return testing::AssertionFailure() << "status: " << status << (process_->IsRunning() ? "" : " (it ended)");
    }
    tcpPort_ = static_cast<uint16_t>(std::stoi(status.substr(tcp + 5)));
    return testing::AssertionSuccess();
  }
  uint16_t TcpPort() const { return tcpPort_; }

  std::string Control(const std::string& line) const {
    std::string answer = gui::AskEmulator(name_, line, kStartMs);
    while (!answer.empty() && answer.back() == ' ') answer.pop_back();
    return answer;
  }

  // What the printer holds: memory switch 1 and the values the files set.
  std::string Held() const {
    return Control("msw 1") + " | " + Control("cv 3") + " | " + Control("cv 101") + " | " + Control("cv 116");
  }

private:
  std::wstring name_;
  std::unique_ptr<gui::CProcess> process_;
  uint16_t tcpPort_ = 0;
};

struct SenderRun {
  DWORD code = 0xFFFF;
  std::string out;  // the result lines
  std::string err;  // progress and refusals
  double seconds = 0;
};

class SenderEndToEnd : public testing::Test {
protected:
  void SetUp() override {
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    // The ctest fixture makes the pair; without it this is a broken set-up, not a reason to skip.
    HANDLE com6 = CreateFileW(L"\\\\.\\COM6", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(com6, INVALID_HANDLE_VALUE) << "COM6 cannot be opened: tools/serial-pair.sh start did not run";
    CloseHandle(com6);
    static int started = 0;
    const std::wstring run = std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(++started);
    tcp_ = std::make_unique<CEmulatorProcess>(L"SNDT" + run, L"--tcp 127.0.0.1:0", temp_.Path());
    serial_ = std::make_unique<CEmulatorProcess>(L"SNDS" + run, L"--no-tcp --com COM6 --com-peer COM5", temp_.Path());
    ASSERT_TRUE(tcp_->Started()) << "the TCP printer did not come up";
    ASSERT_TRUE(serial_->Started()) << "the serial printer did not come up";
    offPipe_ = L"SNDOFF" + run;  // a USB port nobody serves: a printer switched off
    WritePortList();
    SetEnvironmentVariableW(L"VX_PORT_REGISTRY", PortList().c_str());
  }
  void TearDown() override {
    tcp_.reset();
    serial_.reset();
    SetEnvironmentVariableW(L"VX_PORT_REGISTRY", nullptr);
    WSACleanup();
  }

  std::wstring PortList() const { return temp_.Path() + L"\\ports.txt"; }
  void WritePortList() const {
    const std::wstring text = L"\xFEFF" L"NET\t127.0.0.1\ttcp://127.0.0.1:" + std::to_wstring(tcp_->TcpPort()) +
                              L"\tVX-R200\n" L"COM\tCOM5\tcom://COM5\tVX-R200\n" L"USB\tUSB001\tusb://" + offPipe_ +
                              L"\tVX-R200\n";
    ASSERT_TRUE(gui::WriteFileBytes(PortList(), std::string(reinterpret_cast<const char*>(text.data()),
                                                            text.size() * sizeof(wchar_t))));
  }

  std::wstring WriteSettingFile(const std::wstring& name, const Bytes& bytes) const {
    const std::wstring path = temp_.Path() + L"\\" + name;
    EXPECT_TRUE(gui::WriteFileBytes(path, std::string(bytes.begin(), bytes.end())));
    return path;
  }

  // VXR500Send.exe with its output and error streams in files; killed if it
  // outlives the limit.
  SenderRun Send(const std::wstring& args) { return SendFrom(gui::BuildProgramDir(), args); }
  SenderRun SendFrom(const std::wstring& folder, const std::wstring& args) {
    const gui::ConsoleRun run =
        gui::RunConsoleProgram(folder + L"\\VXR500Send.exe", args, folder, temp_.Path(), kSenderLimitMs);
    if (!run.finished) ADD_FAILURE() << "VXR500Send.exe did not start or still ran after " << kSenderLimitMs / 1000 << " s";
    return {run.code, run.out, run.err, run.seconds};
  }

  // Forgets what both printers heard.
  void ClearHeard() const {
    ASSERT_EQ(tcp_->Control("clear"), "OK");
    ASSERT_EQ(serial_->Control("clear"), "OK");
  }

  gui::CTempFolder temp_;
  std::unique_ptr<CEmulatorProcess> tcp_;
  std::unique_ptr<CEmulatorProcess> serial_;
  std::wstring offPipe_;
};

// The file of the usual test with a logo before its commands.
Bytes UsualFileWithLogo() { return sendtest::File(sendtest::CommandsFrom(sendtest::UsualFields()), sendtest::Logo()); }

bool HasLine(const std::string& text, const std::string& line) {
  return ("\n" + text).find("\n" + line) != std::string::npos;
}

TEST_F(SenderEndToEnd, PrintersTakeTheFileAndOneSwitchedOffIsSkipped) {
  // catches: a printer left without the settings, a transport the sender
  // cannot wait through a restart on, a success reported without the
  // read-back, one unreachable printer stopping the run or passing for a success
  const std::string defaults = "OK 00000000 | OK 6 | OK 0 | OK 0";
  ASSERT_EQ(tcp_->Held(), defaults);
  ASSERT_EQ(serial_->Held(), defaults);
  ClearHeard();
  const Bytes file = UsualFileWithLogo();
  SenderRun run = Send(L"\"" + WriteSettingFile(L"usual.vxs", file) + L"\" 127.0.0.1 COM5");
  std::printf("two printers (TCP and serial, restart 3000 ms): %.1f s\n", run.seconds);
  EXPECT_EQ(run.code, 0u) << run.out << run.err;
  // A line per printer as each ends: the two may end in either order.
  EXPECT_TRUE(HasLine(run.out, "127.0.0.1  OK\r\n") && HasLine(run.out, "COM5       OK\r\n")) << run.out;
  EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 2) << run.out;
  EXPECT_EQ(tcp_->Held(), "OK 00000100 | OK 4 | OK 5 | OK 35");
  EXPECT_EQ(serial_->Held(), "OK 00000100 | OK 4 | OK 5 | OK 35");
  // The logo and the commands reached each printer as they are in the file.
  const std::string dataBytes = Hex(Bytes(file.begin() + setting_file::kHeaderSize, file.end()));
  EXPECT_NE(tcp_->Control("received").find(dataBytes), std::string::npos);
  EXPECT_NE(serial_->Control("received").find(dataBytes), std::string::npos);
  // Progress: a line per step, a dot per try while a printer restarts.
  EXPECT_NE(run.err.find("127.0.0.1: waiting for the printer to restart ."), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("COM5: waiting for the printer to restart ."), std::string::npos) << run.err;
  EXPECT_LT(std::count(run.err.begin(), run.err.end(), '\n'), 20) << run.err;

  const Bytes other = sendtest::File(sendtest::CommandsOf({{1, "22222122"}}, {{3, 2}, {101, 7}, {116, 40}}));
  run = Send(L"\"" + WriteSettingFile(L"other.vxs", other) + L"\" --all");
  std::printf("three entries, one switched off: %.1f s\n", run.seconds);
  EXPECT_EQ(run.code, 1u) << run.out << run.err;
  EXPECT_TRUE(HasLine(run.out, "127.0.0.1  OK")) << run.out;
  EXPECT_TRUE(HasLine(run.out, "COM5       OK")) << run.out;
  EXPECT_TRUE(HasLine(run.out, "USB001     SKIPPED: the printer cannot be reached")) << run.out;
  EXPECT_EQ(tcp_->Held(), "OK 00000100 | OK 2 | OK 7 | OK 40");
  EXPECT_EQ(serial_->Held(), "OK 00000100 | OK 2 | OK 7 | OK 40");
}

TEST_F(SenderEndToEnd, DamagedOrShortFilesAreRefusedBeforeAnyPortIsOpened) {
  // catches: a damaged file reaching a printer, or a refusal without a reason
  const Bytes sound = UsualFileWithLogo();
  Bytes damaged = sound;
  damaged[sound.size() - 20] ^= 0x01;
  const Bytes shortened(sound.begin(), sound.end() - 7);
  const struct {
    const char* fault;
    std::wstring path;
    const char* says;
  } cases[] = {
      {"one byte changed", WriteSettingFile(L"damaged.vxs", damaged), "damaged.vxs is refused: the file is damaged (its CRC does not match); nothing was sent"},
      {"cut short", WriteSettingFile(L"short.vxs", shortened), "short.vxs is refused: the file is cut short"},
      {"not there", temp_.Path() + L"\\missing.vxs", "cannot read"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    ClearHeard();
    const SenderRun run = Send(L"\"" + c.path + L"\" --all");
    EXPECT_EQ(run.code, 3u) << run.out << run.err;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "") << "no result lines: no printer was tried";
    EXPECT_EQ(tcp_->Control("received"), "OK") << "the TCP printer heard a byte";
    EXPECT_EQ(serial_->Control("received"), "OK") << "the serial printer heard a byte";
  }
  EXPECT_EQ(tcp_->Held(), "OK 00000000 | OK 6 | OK 0 | OK 0");
}

TEST_F(SenderEndToEnd, OtherModelsAndABusyPortAreSkippedWithoutTheFile) {
  // catches: the sister model or another printer given the settings, a
  // printer held by another program taken over
  ASSERT_EQ(tcp_->Control("identity foreign"), "OK");
  ASSERT_EQ(serial_->Control("identity sister"), "OK");
  ClearHeard();
  const std::wstring path = WriteSettingFile(L"usual.vxs", UsualFileWithLogo());
  SenderRun run = Send(L"\"" + path + L"\" 127.0.0.1 COM5");
  EXPECT_EQ(run.code, 1u) << run.out << run.err;
  EXPECT_TRUE(HasLine(run.out, "127.0.0.1  SKIPPED: another printer model (LX-P90)")) << run.out;
  EXPECT_TRUE(HasLine(run.out, "COM5       SKIPPED: another printer model (VX-R200, not a VX-R500)")) << run.out;
  const std::string enter = Hex({0x1D, 0x28, 0x45, 0x03, 0x00, 0x01, 0x49, 0x4E});
  EXPECT_EQ(tcp_->Control("received").find(enter), std::string::npos) << "the foreign printer got the file";
  EXPECT_EQ(serial_->Control("received").find(enter), std::string::npos) << "the sister model got the file";
  EXPECT_EQ(serial_->Held(), "OK 00000000 | OK 6 | OK 0 | OK 0");

  ASSERT_EQ(tcp_->Control("identity served"), "OK");
  ASSERT_EQ(tcp_->Control("clear"), "OK");
  // Another program holds the printer: the emulator takes one client at a time.
  SOCKET holder = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_port = htons(tcp_->TcpPort());
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(connect(holder, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  ASSERT_TRUE(gui::WaitUntil([&] { return tcp_->Control("status").find("client 1") != std::string::npos; }, kStartMs));
  run = Send(L"\"" + path + L"\" 127.0.0.1");
  closesocket(holder);
  EXPECT_EQ(run.code, 1u) << run.out << run.err;
  EXPECT_TRUE(HasLine(run.out, "127.0.0.1  SKIPPED: the port is in use by another program")) << run.out;
  EXPECT_EQ(tcp_->Held(), "OK 00000000 | OK 6 | OK 0 | OK 0");
}

TEST_F(SenderEndToEnd, APrinterThatDoesNotAnswerTheEnterCommandIsNotLeftInUserSettingMode) {
  // catches: a printer that heard the enter command late or silently left
  // mute (it prints nothing in user-setting mode)
  ASSERT_EQ(tcp_->Control("silent 1D 28 45 03 00 01"), "OK");
  const SenderRun run = Send(L"\"" + WriteSettingFile(L"usual.vxs", UsualFileWithLogo()) + L"\" 127.0.0.1");
  EXPECT_EQ(run.code, 1u) << run.out << run.err;
  EXPECT_NE(run.out.find("told to leave user-setting mode"), std::string::npos) << run.out;
  ASSERT_EQ(tcp_->Control("silent off"), "OK");
  EXPECT_EQ(tcp_->Control("usersetting").substr(0, 6), "OK out");
  EXPECT_EQ(tcp_->Held(), "OK 00000000 | OK 6 | OK 0 | OK 0") << "nothing but the two commands was sent";
}

TEST_F(SenderEndToEnd, MissingLibrariesAreReported) {
  // catches: a sender without its libraries that crashes, or that takes a
  // printer it cannot check for the served model
  const std::wstring folder = temp_.Path() + L"\\program";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  ASSERT_TRUE(CopyFileW((gui::BuildProgramDir() + L"\\VXR500Send.exe").c_str(), (folder + L"\\VXR500Send.exe").c_str(), FALSE));
  const std::wstring path = WriteSettingFile(L"usual.vxs", UsualFileWithLogo());
  SenderRun run = SendFrom(folder, L"\"" + path + L"\" 127.0.0.1");
  EXPECT_EQ(run.code, 4u) << run.out << run.err;
  EXPECT_NE(run.err.find("VXComm.dll cannot be loaded"), std::string::npos) << run.err;

  ASSERT_TRUE(CopyFileW((gui::BuildProgramDir() + L"\\VXComm.dll").c_str(), (folder + L"\\VXComm.dll").c_str(), FALSE));
  run = SendFrom(folder, L"\"" + path + L"\" 127.0.0.1");
  EXPECT_EQ(run.code, 1u) << run.out << run.err;
  EXPECT_TRUE(HasLine(run.out, "127.0.0.1  SKIPPED: the model cannot be told: the printer-information library "
                               "PrnInfoBroker.dll is missing or unusable"))
      << run.out;
  EXPECT_EQ(tcp_->Held(), "OK 00000000 | OK 6 | OK 0 | OK 0");
}

}  // namespace
