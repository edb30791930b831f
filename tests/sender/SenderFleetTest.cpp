// VXR500Send.exe on a fleet: sixteen emulated printers in one VXR500Emu.exe
// (--fleet 16, printer k on 127.0.0.(k+1):9100), reached by address from a
// --targets file, worked on at once, checked, backed up and restored.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "tests/sender/SettingFiles.h"
#include "tests/support/GuiDriver.h"

namespace {

constexpr int kPrinters = 16;
constexpr DWORD kLimitMs = 240000;

class SenderFleet : public testing::Test {
protected:
  void SetUp() override {
    // A port list of the test's own (no file: the library's one default
    // entry), so that tests of the machine's list running beside it meet no reader.
    SetEnvironmentVariableW(L"VX_PORT_REGISTRY", (temp_.Path() + L"\\ports.txt").c_str());
    name_ = L"FLT" + std::to_wstring(GetCurrentProcessId());
    fleet_ = gui::CProcess::Start(gui::BuildProgramDir() + L"\\VXR500Emu.exe",
                                  L"--quiet --no-announce --fleet 16 --restart-ms 1000 --name " + name_ + L" --state \"" +
                                      temp_.Path() + L"\\state.txt\"",
                                  gui::BuildProgramDir());
    ASSERT_TRUE(fleet_);
    for (int k = 1; k <= kPrinters; ++k) ASSERT_EQ(Ask(k, "status").substr(0, 2), "OK") << "printer " << k;
  }
  void TearDown() override {
    SetEnvironmentVariableW(L"VX_PORT_REGISTRY", nullptr);
    if (fleet_ && fleet_->IsRunning()) {
      (void)Ask(1, "quit");
      fleet_->WaitForExit(30000);
    }
  }

  std::string Ask(int k, const std::string& request) const {
    std::string answer = gui::AskEmulator(name_ + L"-" + std::to_wstring(k), request, 30000);
    while (!answer.empty() && answer.back() == ' ') answer.pop_back();
    return answer;
  }
  // What printer k holds of the settings the files below set.
  std::string Held(int k) const { return Ask(k, "msw 1") + " | " + Ask(k, "cv 3") + " | " + Ask(k, "cv 101"); }

  std::wstring Write(const std::wstring& name, const std::string& bytes) const {
    const std::wstring path = temp_.Path() + L"\\" + name;
    EXPECT_TRUE(gui::WriteFileBytes(path, bytes));
    return L"\"" + path + L"\"";
  }
  std::wstring WriteFile(const std::wstring& name, const sendtest::Bytes& bytes) const {
    return Write(name, std::string(bytes.begin(), bytes.end()));
  }

  gui::ConsoleRun Send(const std::wstring& args) {
    const gui::ConsoleRun run = gui::RunConsoleProgram(gui::BuildProgramDir() + L"\\VXR500Send.exe", args,
                                                       gui::BuildProgramDir(), temp_.Path(), kLimitMs);
    EXPECT_TRUE(run.finished) << "VXR500Send.exe did not start or still ran after " << kLimitMs / 1000 << " s";
    return run;
  }

  gui::CTempFolder temp_;
  std::wstring name_;
  std::unique_ptr<gui::CProcess> fleet_;
};

int Count(const std::string& text, const std::string& part) {
  int n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

TEST_F(SenderFleet, SixteenPrintersAtOnceAreSetCheckedBackedUpAndRestored) {
  // catches: printers of a fleet set one after the other or not at all, a
  // check that misses a differing printer or writes, a backup that does not
  // restore, a report without a line per printer
  std::string targets = "# the store's printers\n\n";
  for (int k = 1; k <= kPrinters; ++k) targets += "127.0.0." + std::to_string(k + 1) + (k == 3 ? ":9100\n" : "\n");
  const std::wstring list = Write(L"targets.txt", targets);
  const std::wstring usual = WriteFile(L"usual.vxs", sendtest::File(sendtest::CommandsOf({{1, "22222122"}}, {{3, 2}, {101, 7}})));
  const std::wstring report = temp_.Path() + L"\\report.jsonl";

  gui::ConsoleRun run = Send(usual + L" --targets " + list + L" --jobs 16 --report \"" + report + L"\"");
  std::printf("16 printers, --jobs 16 (restart 1000 ms): %.1f s\n", run.seconds);
  EXPECT_EQ(run.code, 0u) << run.out << run.err;
  EXPECT_EQ(Count(run.out, "  OK\r\n"), kPrinters) << run.out;
  for (int k = 1; k <= kPrinters; ++k) EXPECT_EQ(Held(k), "OK 00000100 | OK 2 | OK 7") << "printer " << k;
  const std::string lines = gui::ReadFileBytes(report).value_or("");
  EXPECT_EQ(Count(lines, "\n"), kPrinters) << lines;
  EXPECT_EQ(Count(lines, "\"model\":\"VX-R500\""), kPrinters) << lines;
  EXPECT_NE(lines.find("{\"target\":\"127.0.0.4:9100\",\"model\":\"VX-R500\",\"serial\":\"VXE0000003\",\"result\":\"OK\""),
            std::string::npos) << lines;

  run = Send(L"--check " + usual + L" --targets " + list + L" --jobs 16");
  EXPECT_EQ(run.code, 0u) << run.out << run.err;
  EXPECT_EQ(Count(run.out, "  OK\r\n"), kPrinters) << run.out;

  // Printer 5 is given other settings: the check names it and the setting.
  const std::wstring other = WriteFile(L"other.vxs", sendtest::File(sendtest::CommandsOf({}, {{3, 4}})));
  ASSERT_EQ(Send(other + L" 127.0.0.6").code, 0u);
  for (int k = 1; k <= kPrinters; ++k) ASSERT_EQ(Ask(k, "clear"), "OK");
  run = Send(L"--check " + usual + L" --targets " + list + L" --jobs 16");
  EXPECT_EQ(run.code, 1u) << run.out << run.err;
  EXPECT_NE(run.out.find("127.0.0.6       DIFFERS: Paper width (customized value 3) is 70 mm (the file sets 62 mm)\r\n"),
            std::string::npos) << run.out;
  EXPECT_EQ(Count(run.out, "  OK\r\n"), kPrinters - 1) << run.out;
  const std::string setCommand = "1D 28 45 0A 00 03", setValues = "1D 28 45 04 00 05";
  for (int k = 1; k <= kPrinters; ++k) {
    const std::string heard = Ask(k, "received");
    EXPECT_EQ(heard.find(setCommand), std::string::npos) << "a check wrote a switch to printer " << k;
    EXPECT_EQ(heard.find(setValues), std::string::npos) << "a check wrote a value to printer " << k;
  }

  // Printer 5's backup, sent to printer 6, makes printer 6 hold printer 5's settings.
  const std::wstring backup = temp_.Path() + L"\\printer5.vxs";
  run = Send(L"--backup \"" + backup + L"\" 127.0.0.6");
  EXPECT_EQ(run.code, 0u) << run.out << run.err;
  ASSERT_EQ(Send(L"\"" + backup + L"\" 127.0.0.7").code, 0u);
  for (const char* what : {"msw 1", "msw 2", "msw 5", "msw 8", "cv 3", "cv 4", "cv 12", "cv 101", "cv 102", "cv 103",
                           "cv 104", "cv 116", "cv 117"}) {
    EXPECT_EQ(Ask(6, what), Ask(5, what)) << what;
  }
  EXPECT_EQ(Held(6), "OK 00000100 | OK 4 | OK 7");
  run = Send(L"--show \"" + backup + L"\"");
  EXPECT_EQ(run.code, 0u) << run.err;
  for (const char* line : {"Memory switch 1\r\n", "  Send a power-on notice: on\r\n", "  Paper width: 70 mm\r\n",
                           "  Buzzer volume: 7\r\n", "  Cut position, forward adjustment: 0 units = 0.0 mm\r\n"}) {
    EXPECT_NE(run.out.find(line), std::string::npos) << line << run.out;
  }

  // A malformed line is refused, naming it, before any printer hears a byte.
  for (int k = 1; k <= kPrinters; ++k) ASSERT_EQ(Ask(k, "clear"), "OK");
  run = Send(usual + L" --targets " + Write(L"bad.txt", "127.0.0.2\n\n127.0.0.300\n"));
  EXPECT_EQ(run.code, 2u) << run.out << run.err;
  EXPECT_NE(run.err.find("bad.txt: line 3: 127.0.0.300 is not a printer address"), std::string::npos) << run.err;
  EXPECT_EQ(Ask(1, "received"), "OK");
}

}  // namespace
