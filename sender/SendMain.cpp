// VXR500Send.exe: sends one setting command file to VX-R500 printers of the
// communication library's port list, one after the other, and reads back
// what it set. The file is checked whole before any port is opened. See
// sender/SendCommandLine.h for the command line and the exit codes.

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "connection/VXC.h"
#include "printerinfo/SettingCommandFormat.h"
#include "sender/SendCommandLine.h"
#include "sender/SendFlow.h"
#include "sender/SendRules.h"
#include "sender/VxcSendPort.h"
#include "win/ProgramLibrary.h"

namespace {

// The largest file a writer makes: a header, the largest logo and the room for commands.
constexpr LONGLONG kMaxFileBytes = setting_file::kHeaderSize + setting_file::kMaxLogoBytes + setting_file::kWorkArea;

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

void Put(FILE* stream, const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stream);
  std::fflush(stream);
}

int Refuse(int code, const std::string& why) {
  Put(stderr, "VXR500Send: " + why + "\n");
  return code;
}

// The system's text for an error number, without its line end.
std::string SystemText(DWORD error) {
  wchar_t buffer[256] = {};
  const DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, buffer,
                                 static_cast<DWORD>(std::size(buffer)), nullptr);
  std::wstring text(buffer, n);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L'.')) text.pop_back();
  return text.empty() ? "error " + std::to_string(error) : Utf8(text);
}

// The whole file, or why not.
bool ReadWholeFile(const std::wstring& path, std::vector<uint8_t>& data, std::string& why) {
  CFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                         nullptr));
  if (!file) {
    why = SystemText(GetLastError());
    return false;
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size)) {
    why = SystemText(GetLastError());
    return false;
  }
  if (size.QuadPart > kMaxFileBytes) {
    why = "it is larger than any setting command file";
    return false;
  }
  data.resize(static_cast<std::size_t>(size.QuadPart));
  DWORD got = 0;
  if (!data.empty() && !ReadFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &got, nullptr)) {
    why = SystemText(GetLastError());
    return false;
  }
  if (got != data.size()) {
    why = "it could not be read whole";
    return false;
  }
  return true;
}

// Progress on the error stream, so that the output holds the results alone.
class CConsoleProgress : public sender::ISendProgress {
public:
  explicit CConsoleProgress(std::string label) : label_(std::move(label)) {}
  void Step(const std::string& text) override { Put(stderr, label_ + ": " + text + "\n"); }
  void WaitBegins(const std::string& text) override { Put(stderr, label_ + ": " + text + " "); }
  void Tick() override { Put(stderr, "."); }
  void WaitEnds(const std::string& text) override { Put(stderr, " " + text + "\n"); }

private:
  std::string label_;
};

int Run(const std::vector<std::wstring>& args) {
  const sender::ParsedCommandLine parsed = sender::ParseCommandLine(args);
  if (!parsed.line) {
    Put(stderr, "VXR500Send: " + parsed.error + "\n\n" + sender::UsageText());
    return sender::kExitUsage;
  }
  const sender::CommandLine& line = *parsed.line;
  if (line.help) {
    Put(stdout, sender::UsageText());
    return sender::kExitAllSent;
  }

  // The file first: nothing reaches a printer from a file that is not sound.
  const std::string fileName = Utf8(line.file);
  std::vector<uint8_t> data;
  std::string why;
  if (!ReadWholeFile(line.file, data, why)) {
    return Refuse(sender::kExitBadFile, "cannot read " + fileName + ": " + why + "; nothing was sent");
  }
  setting_file::ParsedFile file;
  const setting_file::Check check = setting_file::CheckFile(data.data(), data.size(), &file);
  if (check != setting_file::Check::Ok) {
    return Refuse(sender::kExitBadFile,
                  fileName + " is refused: " + setting_file::CheckText(check) + "; nothing was sent");
  }

  VXC comm;
  if (!comm.IsLoaded()) return Refuse(sender::kExitNoLibrary, "the communication library VXComm.dll cannot be loaded");
  uint32_t count = 0;
  const VXCRESULT listed = comm.VXC_EnumPort(static_cast<PrinterEntry*>(nullptr), 0u, &count, 0);
  if (!VxcSucceeded(listed)) {
    return Refuse(sender::kExitNoLibrary, "the communication library's port list cannot be read");
  }
  if (listed == kVxcRecovered) {
    Put(stderr, "VXR500Send: the port list was damaged; the copy from before its last change is used\n");
  }
  std::vector<PrinterEntry> entries(count);  // zero-filled
  uint32_t filled = count;
  if (count > 0 && !VxcSucceeded(comm.VXC_EnumPort(entries.data(), count, &filled, 0))) {
    return Refuse(sender::kExitNoLibrary, "the communication library's port list cannot be read");
  }
  entries.resize(std::min(filled, count));
  std::vector<sender::PortRow> rows;
  for (const PrinterEntry& e : entries) rows.push_back({e.interfaceKindText, e.portName, e.portPath});
  const sender::Selection selection = sender::SelectPorts(rows, line);
  if (!selection.error.empty()) return Refuse(sender::kExitUsage, selection.error);

  std::vector<std::string> labels;
  for (const std::wstring& label : sender::PortLabels(rows, selection.rows)) labels.push_back(Utf8(label));
  Put(stderr, "Sending " + fileName + " (" + std::to_string(file.switches.size()) + " memory switch and " +
                  std::to_string(file.values.size()) + " customized value settings" +
                  (file.logoLength ? ", a logo of " + std::to_string(file.logoLength) + " bytes" : std::string()) +
                  ") to " + std::to_string(selection.rows.size()) + " printer(s)\n");

  sender::SendTimings timings;
  timings.restart.limitMs = uint64_t{line.restartLimitSeconds} * 1000;
  std::vector<sender::Outcome> outcomes;
  for (std::size_t i = 0; i < selection.rows.size(); ++i) {
    CVxcSendPort port(comm, entries[selection.rows[i]]);
    CConsoleProgress progress(labels[i]);
    outcomes.push_back(sender::SendFile(port, data.data(), file, timings, progress));
  }
  (void)comm.VXC_Terminate();

  std::string results;
  for (const std::string& result : sender::ResultLines(labels, outcomes)) results += result + "\n";
  Put(stdout, results);
  return sender::ExitCodeFor(outcomes);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  (void)RestrictLibrarySearch();  // a fallback it takes itself is all an old system allows
  try {
    std::vector<std::wstring> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    return Run(args);
  } catch (...) {
    // Out of memory and the like: reported, never a crash dialog.
    Put(stderr, "VXR500Send: stopped by an internal error\n");
    return sender::kExitSomeNotSent;
  }
}
