// VXR500Send.exe: sends one setting command file to VX-R500 printers (entries
// of the communication library's port list, or network printers by address),
// several at once, and reads back what it set; checks printers against a
// file; backs a printer up into a file; shows a file in words. The file is
// checked whole before any port is opened. See sender/SendCommandLine.h for
// the command line and the exit codes.

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "connection/VXC.h"
#include "printerinfo/SettingCommandFile.h"
#include "printerinfo/SettingCommandFormat.h"
#include "sender/SendCommandLine.h"
#include "sender/SendFlow.h"
#include "sender/SendRules.h"
#include "sender/SendWorkers.h"
#include "sender/SettingNames.h"
#include "win/ProgramLibrary.h"

namespace {

// The largest file a writer makes: a header, the largest logo and the room for commands.
constexpr LONGLONG kMaxFileBytes = setting_file::kHeaderSize + setting_file::kMaxLogoBytes + setting_file::kWorkArea;

using sender::SystemText;
using sender::Utf8;

void Put(FILE* stream, const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stream);
  std::fflush(stream);
}

int Refuse(int code, const std::string& why) {
  Put(stderr, "VXR500Send: " + why + "\n");
  return code;
}

// The whole file, or why not.
bool ReadWholeFile(const std::wstring& path, std::vector<uint8_t>& data, std::string& why,
                   LONGLONG maxBytes = kMaxFileBytes) {
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
  if (size.QuadPart > maxBytes) {
    why = maxBytes == kMaxFileBytes ? "it is larger than any setting command file" : "it is too large";
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

// Progress of the one printer this process talks to (--backup), on the
// error stream, so that the output holds the results alone.
class CConsoleProgress : public sender::ISendProgress {
public:
  CConsoleProgress(std::string label, HANDLE stop) : label_(std::move(label)), stop_(stop) {}
  void Step(const std::string& text) override { Put(stderr, label_ + ": " + text + "\n"); }
  void WaitBegins(const std::string& text) override { Put(stderr, label_ + ": " + text + " "); }
  void Tick() override { Put(stderr, "."); }
  void WaitEnds(const std::string& text) override { Put(stderr, " " + text + "\n"); }
  bool Interrupted() override { return WaitForSingleObject(stop_, 0) == WAIT_OBJECT_0; }

private:
  std::string label_;
  HANDLE stop_;
};

std::string Megabytes(uint64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof(text), "%.1f MB", static_cast<double>(bytes) / (1024.0 * 1024.0));
  return text;
}

// Whether two names lead to the same file.
bool SameFile(const std::wstring& a, const std::wstring& b) {
  wchar_t fullA[MAX_PATH * 2] = {}, fullB[MAX_PATH * 2] = {};
  const DWORD na = GetFullPathNameW(a.c_str(), static_cast<DWORD>(std::size(fullA)), fullA, nullptr);
  const DWORD nb = GetFullPathNameW(b.c_str(), static_cast<DWORD>(std::size(fullB)), fullB, nullptr);
  return na > 0 && nb > 0 && CompareStringOrdinal(fullA, -1, fullB, -1, TRUE) == CSTR_EQUAL;
}

// The JSON report: a line per printer, written and flushed as it ends.
class CReport {
public:
  bool Open(const std::wstring& path, std::string& why) {
    if (path.empty()) return true;
    file_.reset(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            nullptr));
    if (!file_) why = SystemText(GetLastError());
    return static_cast<bool>(file_);
  }
  void Add(const std::string& target, const sender::Outcome& outcome) {
    if (!file_) return;
    const std::string line = sender::ReportLine(target, outcome) + "\n";
    DWORD put = 0;
    if (!WriteFile(file_.get(), line.data(), static_cast<DWORD>(line.size()), &put, nullptr) || put != line.size()) {
      if (!failed_) Put(stderr, "VXR500Send: the report could not be written: " + SystemText(GetLastError()) + "\n");
      failed_ = true;
    }
    FlushFileBuffers(file_.get());
  }

private:
  CFile file_;
  bool failed_ = false;
};

int Show(const std::wstring& path) {
  const std::string fileName = Utf8(path);
  std::vector<uint8_t> data;
  std::string why;
  if (!ReadWholeFile(path, data, why)) return Refuse(sender::kExitBadFile, "cannot read " + fileName + ": " + why);
  setting_file::ParsedFile file;
  const setting_file::Check check = setting_file::CheckFile(data.data(), data.size(), &file);
  if (check != setting_file::Check::Ok) {
    return Refuse(sender::kExitBadFile, fileName + " is refused: " + setting_file::CheckText(check));
  }
  std::string text;
  for (const std::string& line : sender::ShowLines(file)) text += line + "\n";
  Put(stdout, text);
  return sender::kExitAllSent;
}

int Run(const std::vector<std::wstring>& args) {
  const sender::ParsedCommandLine parsed = sender::ParseCommandLine(args);
  if (!parsed.line) {
    Put(stderr, "VXR500Send: " + parsed.error + "\n\n" + sender::UsageText());
    return sender::kExitUsage;
  }
  const sender::CommandLine& line = *parsed.line;
  if (line.worker) return sender::WorkerMain();
  if (line.help) {
    Put(stdout, sender::UsageText());
    return sender::kExitAllSent;
  }
  if (line.mode == sender::Mode::Show) return Show(line.file);

  // The file first: nothing reaches a printer from a file that is not sound.
  const std::string fileName = Utf8(line.file);
  std::vector<uint8_t> data;
  setting_file::ParsedFile file;
  if (line.mode != sender::Mode::Backup) {
    std::string why;
    if (!ReadWholeFile(line.file, data, why)) {
      return Refuse(sender::kExitBadFile, "cannot read " + fileName + ": " + why + "; nothing was sent");
    }
    const setting_file::Check check = setting_file::CheckFile(data.data(), data.size(), &file);
    if (check != setting_file::Check::Ok) {
      return Refuse(sender::kExitBadFile,
                    fileName + " is refused: " + setting_file::CheckText(check) + "; nothing was sent");
    }
  }

  std::vector<sender::TargetText> fromFile;
  if (!line.targetsFile.empty()) {
    std::vector<uint8_t> bytes;
    std::string why;
    const std::string name = Utf8(line.targetsFile);
    if (!ReadWholeFile(line.targetsFile, bytes, why, LONGLONG{1} << 20)) {
      return Refuse(sender::kExitUsage, "cannot read the targets file " + name + ": " + why + "; nothing was sent");
    }
    const sender::TargetList list = sender::ParseTargetList(std::string(bytes.begin(), bytes.end()));
    if (!list.error.empty()) return Refuse(sender::kExitUsage, name + ": " + list.error + "; nothing was sent");
    fromFile = list.targets;
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
  (void)comm.VXC_Terminate();
  entries.resize(std::min(filled, count));
  std::vector<sender::PortRow> rows;
  for (const PrinterEntry& e : entries) rows.push_back({e.interfaceKindText, e.portName, e.portPath});
  const sender::TargetSelection selection = sender::SelectTargets(rows, line, fromFile);
  if (!selection.error.empty()) {
    const std::string where = selection.error.rfind("line ", 0) == 0 ? Utf8(line.targetsFile) + ": " : "";
    return Refuse(sender::kExitUsage, where + selection.error + "; nothing was sent");
  }

  std::vector<sender::PrinterJob> printers;
  std::size_t width = 0;
  for (const sender::Target& t : selection.targets) {
    sender::PrinterJob job;
    if (t.row) {
      job.entry = entries[*t.row];
    } else {
      // A network printer by address: an entry of its own, as port setup makes one.
      const std::wstring path = L"tcp://" + t.address.host + L":" + std::to_wstring(t.address.port);
      wcsncpy(job.entry.interfaceKindText, L"NET", std::size(job.entry.interfaceKindText) - 1);
      wcsncpy(job.entry.portName, t.address.host.c_str(), std::size(job.entry.portName) - 1);
      wcsncpy(job.entry.portPath, path.c_str(), std::size(job.entry.portPath) - 1);
      job.entry.portSetupValue1 = job.entry.portSetupValue2 = -1;
    }
    job.label = Utf8(t.label);
    width = std::max(width, job.label.size());
    printers.push_back(std::move(job));
  }

  CReport report;
  std::string why;
  if (!line.reportFile.empty() && (SameFile(line.reportFile, line.file) ||
                                   (!line.targetsFile.empty() && SameFile(line.reportFile, line.targetsFile)))) {
    return Refuse(sender::kExitUsage, "the report would replace the settings file or the targets file; nothing was sent");
  }
  if (!report.Open(line.reportFile, why)) {
    return Refuse(sender::kExitUsage, "cannot write the report " + Utf8(line.reportFile) + ": " + why + "; nothing was sent");
  }
  // Set by Ctrl+C and by the console closing: the run stops as documented.
  const HANDLE stop = sender::StopOnConsoleEvents();
  const ULONGLONG began = GetTickCount64();

  std::vector<sender::Outcome> outcomes;
  if (line.mode == sender::Mode::Backup) {
    const sender::PrinterJob& job = printers.front();
    CConsoleProgress progress(job.label, stop);
    Put(stderr, "Backing up " + job.label + " into " + fileName + "\n");
    sender::ReadBack read;
    sender::Outcome o = sender::RunPrinter(sender::Mode::Backup, job.entry, data, file, line.restartLimitSeconds,
                                           progress, &read);
    if (o.verdict == sender::Verdict::Ok) {
      const int32_t written = WriteSettingCommandPart(sender::BackupCommandPart(read), L"VX-R500", line.file.c_str());
      if (written != 0) o = {sender::Verdict::Failed, "the settings were read but " + fileName + " could not be written (" +
                                                          std::to_string(written) + ")", {}, o.model, o.serial, o.seconds};
    }
    Put(stdout, sender::ResultLine(job.label, width, o) + "\n");
    report.Add(job.label, o);
    outcomes.push_back(o);
  } else {
    Put(stderr, std::string(line.mode == sender::Mode::Check ? "Checking " : "Sending ") + fileName + " (" +
                    std::to_string(file.switches.size()) + " memory switch and " + std::to_string(file.values.size()) +
                    " customized value settings" +
                    (file.logoLength ? ", a logo of " + std::to_string(file.logoLength) + " bytes" : std::string()) +
                    ") " + (line.mode == sender::Mode::Check ? "against " : "to ") + std::to_string(printers.size()) +
                    " printer(s), " + std::to_string(std::min<std::size_t>(line.jobs, printers.size())) + " at a time\n");
    sender::PoolEvents events;
    events.progress = [&](std::size_t job, const std::string& text) { Put(stderr, printers[job].label + ": " + text + "\n"); };
    events.done = [&](std::size_t job, const sender::Outcome& o) {
      Put(stdout, sender::ResultLine(printers[job].label, width, o) + "\n");
      report.Add(printers[job].label, o);
    };
    sender::PoolFigures figures;
    outcomes = sender::RunPool(line.mode, printers, data, line.restartLimitSeconds, line.jobs, stop, events, figures);
    std::size_t ok = 0;
    for (const auto& o : outcomes) ok += o.verdict == sender::Verdict::Ok ? 1 : 0;
    char seconds[32];
    std::snprintf(seconds, sizeof(seconds), "%.1f s", static_cast<double>(GetTickCount64() - began) / 1000.0);
    Put(stderr, std::to_string(printers.size()) + " printer(s) in " + seconds + ", " + std::to_string(ok) +
                    " OK; peak private memory " + Megabytes(sender::PeakPrivateBytes()) + " here and at most " +
                    Megabytes(figures.workerPeakPrivateBytes) + " in a worker\n");
  }
  const int code = sender::ExitCodeFor(outcomes);
  if (code == sender::kExitInterrupted) Put(stderr, "VXR500Send: interrupted; the results so far are above\n");
  sender::RunEnded();
  return code;
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
