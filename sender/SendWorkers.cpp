#include "sender/SendWorkers.h"

#include <psapi.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include "connection/VXC.h"
#include "sender/VxcSendPort.h"
#include "win/Handles.h"

namespace sender {

namespace {

// The job's bytes on the worker's input: a tag, the mode, the restart limit,
// the port list entry, the file's length, the file.
constexpr char kJobTag[8] = {'V', 'X', 'S', 'J', 'O', 'B', '0', '1'};

HANDLE g_stop = nullptr;   // the run is asked to stop
HANDLE g_ended = nullptr;  // the run ended

BOOL WINAPI OnConsoleEvent(DWORD type) {
  SetEvent(g_stop);
  // After a close, logoff or shutdown the system ends the process as soon as
  // this returns: the run is given the time to finish its printers.
  if (type == CTRL_CLOSE_EVENT || type == CTRL_LOGOFF_EVENT || type == CTRL_SHUTDOWN_EVENT) {
    WaitForSingleObject(g_ended, 4500);
  }
  return TRUE;  // the run ends by itself, no printer left in user-setting mode
}

bool StopAsked() { return WaitForSingleObject(g_stop, 0) == WAIT_OBJECT_0; }

// Reads or writes all of `size` bytes, in slices a pipe takes.
template <class Io, class Byte>
bool Exactly(Io io, HANDLE handle, Byte* at, std::size_t size) {
  while (size > 0) {
    DWORD done = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 20));
    if (!io(handle, at, want, &done, nullptr) || done == 0) return false;
    at += done;
    size -= done;
  }
  return true;
}
bool ReadExactly(HANDLE from, void* to, std::size_t size) {
  return Exactly(ReadFile, from, static_cast<uint8_t*>(to), size);
}
bool WriteExactly(HANDLE to, const void* from, std::size_t size) {
  return Exactly(WriteFile, to, static_cast<const uint8_t*>(from), size);
}

}  // namespace

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::string SystemText(DWORD error) {
  wchar_t buffer[256] = {};
  const DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, buffer,
                                 static_cast<DWORD>(std::size(buffer)), nullptr);
  std::wstring text(buffer, n);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L'.')) text.pop_back();
  return text.empty() ? "error " + std::to_string(error) : Utf8(text);
}

uint64_t PeakPrivateBytes() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  return GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters)) ? counters.PeakPagefileUsage : 0;
}

namespace {

// A line of the worker's output without tabs or line ends.
std::string Field(std::string text) {
  for (char& c : text) {
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  }
  return text;
}

// The worker's progress and result, as lines on its output.
class CLineProgress : public ISendProgress {
public:
  explicit CLineProgress(HANDLE out) : out_(out) {}
  void Step(const std::string& text) override { Put("S " + Field(text)); }
  void WaitBegins(const std::string& text) override { Put("B " + Field(text)); }
  void Tick() override { Put("T"); }
  void WaitEnds(const std::string& text) override { Put("E " + Field(text)); }
  bool Interrupted() override { return StopAsked(); }

  void Put(const std::string& line) {
    const std::string whole = line + "\n";
    (void)WriteExactly(out_, whole.data(), whole.size());
  }

private:
  HANDLE out_;
};

}  // namespace

HANDLE StopOnConsoleEvents() {
  g_stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  g_ended = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
  return g_stop;
}

void RunEnded() { SetEvent(g_ended); }

Outcome RunPrinter(Mode mode, const PrinterEntry& entry, const std::vector<uint8_t>& file,
                   const setting_file::ParsedFile& parsed, uint32_t restartLimitSeconds, ISendProgress& progress,
                   ReadBack* read) {
  VXC comm;
  if (!comm.IsLoaded()) return {Verdict::Failed, "the communication library VXComm.dll cannot be loaded"};
  SendTimings timings;
  timings.restart.limitMs = uint64_t{restartLimitSeconds} * 1000;
  CVxcSendPort port(comm, entry);
  Outcome outcome;
  ReadBack unused;
  switch (mode) {
    case Mode::Send: outcome = SendFile(port, file.data(), parsed, timings, progress); break;
    case Mode::Check: outcome = CheckPrinter(port, parsed, timings, progress); break;
    case Mode::Backup: outcome = BackupPrinter(port, timings, progress, read ? *read : unused); break;
    case Mode::Show: outcome = {Verdict::Failed, "nothing to do"}; break;
  }
  (void)comm.VXC_Terminate();
  return outcome;
}

int WorkerMain() {
  const HANDLE stop = StopOnConsoleEvents();
  const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  char tag[sizeof(kJobTag)] = {};
  uint32_t mode = 0, limit = 0, size = 0;
  PrinterEntry entry{};
  if (!ReadExactly(in, tag, sizeof(tag)) || std::memcmp(tag, kJobTag, sizeof(tag)) != 0 ||
      !ReadExactly(in, &mode, sizeof(mode)) || !ReadExactly(in, &limit, sizeof(limit)) ||
      !ReadExactly(in, &entry, sizeof(entry)) || !ReadExactly(in, &size, sizeof(size)) ||
      mode > static_cast<uint32_t>(Mode::Check) || size > (64u << 20)) {
    return 2;  // not started by a sender
  }
  // The library reads the entry's texts up to their terminators: each ends within its field.
  for (wchar_t* text : {entry.interfaceKindText, entry.portName, entry.portPath, entry.deviceName,
                        entry.networkInterfaceName}) {
    text[kTextUnits - 1] = L'\0';
  }
  std::vector<uint8_t> file(size);
  if (size > 0 && !ReadExactly(in, file.data(), file.size())) return 2;
  setting_file::ParsedFile parsed;
  if (static_cast<Mode>(mode) != Mode::Backup &&
      setting_file::CheckFile(file.data(), file.size(), &parsed) != setting_file::Check::Ok) {
    return 3;
  }
  // Anything more on the input, or its end, is the sender asking to stop.
  std::thread([in, stop] {
    uint8_t b = 0;
    DWORD got = 0;
    (void)ReadFile(in, &b, 1, &got, nullptr);
    SetEvent(stop);
  }).detach();

  CLineProgress progress(out);
  const Outcome o = RunPrinter(static_cast<Mode>(mode), entry, file, parsed, limit, progress);
  for (const std::string& d : o.differences) progress.Put("D " + Field(d));
  char seconds[32];
  std::snprintf(seconds, sizeof(seconds), "%.1f", o.seconds);
  progress.Put("M " + std::to_string(PeakPrivateBytes()));
  progress.Put("R " + std::to_string(static_cast<int>(o.verdict)) + "\t" + seconds + "\t" + Field(o.model) + "\t" +
               Field(o.serial) + "\t" + Field(o.reason));
  RunEnded();
  return 0;
}

namespace {

// One worker process as the sender sees it.
struct Worker {
  std::size_t job = 0;
  CHandle process;
  CHandle input;   // the sender's end of the worker's input
  CHandle output;  // the sender's end of the worker's output
  std::thread reader;
  std::atomic<bool> ended{false};
  bool jobSent = false;    // the stop byte may follow only the whole job
  bool stopAsked = false;
  Outcome outcome;
  bool reported = false;
  uint64_t peakBytes = 0;
  std::vector<std::string> lines;  // read, not yet handed to the sender's thread
  std::string wait;                // a wait's line being built: its text and a dot per try
};

// Starts this program as a worker with pipes for its input and output. The
// worker inherits its two pipe ends and nothing else, so that workers are
// started side by side, on threads of their own: a system's process start
// takes long enough that one after the other the last of many would begin
// seconds after the first.
bool StartWorker(Worker& w, std::string& why) {
  const auto failed = [&why] {
    why = SystemText(GetLastError());
    return false;
  };
  wchar_t self[MAX_PATH * 2] = {};
  const DWORD n = GetModuleFileNameW(nullptr, self, static_cast<DWORD>(std::size(self)));
  if (n == 0 || n >= std::size(self)) return failed();
  SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
  HANDLE inRead = nullptr, inWrite = nullptr, outRead = nullptr, outWrite = nullptr;
  if (!CreatePipe(&inRead, &inWrite, &inheritable, 0)) return failed();
  CHandle childIn(inRead);
  w.input.reset(inWrite);
  if (!CreatePipe(&outRead, &outWrite, &inheritable, 0)) return failed();
  CHandle childOut(outWrite);
  w.output.reset(outRead);
  SetHandleInformation(w.input.get(), HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(w.output.get(), HANDLE_FLAG_INHERIT, 0);

  SIZE_T size = 0;
  InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
  std::vector<uint8_t> storage(size);
  auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage.data());
  if (!InitializeProcThreadAttributeList(attributes, 1, 0, &size)) return failed();
  HANDLE inherited[2] = {childIn.get(), childOut.get()};
  const bool listed = UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited,
                                                sizeof(inherited), nullptr, nullptr) != FALSE;
  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof(startup);
  startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  startup.StartupInfo.hStdInput = childIn.get();
  startup.StartupInfo.hStdOutput = childOut.get();
  startup.StartupInfo.hStdError = childOut.get();
  startup.lpAttributeList = attributes;
  std::wstring commandLine = L"\"" + std::wstring(self) + L"\" --worker";
  PROCESS_INFORMATION info{};
  // Same console: a Ctrl+C reaches the worker too, which then stops as asked.
  const bool started = listed && CreateProcessW(self, commandLine.data(), nullptr, nullptr, TRUE,
                                                EXTENDED_STARTUPINFO_PRESENT, nullptr, nullptr,
                                                &startup.StartupInfo, &info) != FALSE;
  const DWORD error = GetLastError();
  DeleteProcThreadAttributeList(attributes);
  if (!started) {
    SetLastError(error);
    return failed();
  }
  CloseHandle(info.hThread);
  w.process.reset(info.hProcess);
  return true;
}

// Anything after the job asks the worker to stop.
void AskToStop(Worker& w) {
  const uint8_t b = 'S';
  DWORD put = 0;
  (void)WriteFile(w.input.get(), &b, 1, &put, nullptr);
}

// The worker's result line back into an outcome.
bool ParseResult(const std::string& line, Outcome& o) {
  std::vector<std::string> fields;
  std::size_t at = 0;
  for (;;) {
    const std::size_t tab = line.find('\t', at);
    fields.push_back(line.substr(at, tab == std::string::npos ? std::string::npos : tab - at));
    if (tab == std::string::npos) break;
    at = tab + 1;
  }
  if (fields.size() != 5 || fields[0].empty()) return false;
  const int verdict = std::atoi(fields[0].c_str());
  if (verdict < 0 || verdict > static_cast<int>(Verdict::Interrupted)) return false;
  o.verdict = static_cast<Verdict>(verdict);
  o.seconds = std::atof(fields[1].c_str());
  o.model = fields[2];
  o.serial = fields[3];
  o.reason = fields[4];
  return true;
}

// What a worker is given.
struct Job {
  Mode mode;
  const PrinterEntry& entry;
  const std::vector<uint8_t>& file;
  uint32_t restartLimitSeconds;
};

// One line of the worker's output, under the pool's lock.
void TakeLine(Worker& w, std::string line) {
  if (!line.empty() && line.back() == '\r') line.pop_back();
  const std::string rest = line.size() > 2 ? line.substr(2) : "";
  if (line.rfind("R ", 0) == 0) {
    Outcome o;
    if (ParseResult(rest, o)) {
      o.differences = std::move(w.outcome.differences);
      w.outcome = std::move(o);
      w.reported = true;
    }
  } else if (line.rfind("D ", 0) == 0) {
    w.outcome.differences.push_back(rest);
  } else if (line.rfind("M ", 0) == 0) {
    w.peakBytes = std::strtoull(rest.c_str(), nullptr, 10);
  } else if (line.rfind("S ", 0) == 0) {
    w.lines.push_back(rest);
  } else if (line.rfind("B ", 0) == 0) {
    w.wait = rest;
  } else if (line == "T") {
    // A wait is one line: its text, a dot per try, how it ended.
    w.wait += !w.wait.empty() && w.wait.back() == '.' ? "." : " .";
  } else if (line.rfind("E ", 0) == 0) {
    w.lines.push_back(w.wait + " " + rest);
    w.wait.clear();
  } else if (!line.empty()) {
    w.lines.push_back(line);  // anything else the worker said
  }
}

// A worker's thread: starts it, gives it its job, takes its lines until its
// output ends.
void Serve(Worker* w, Job job, std::mutex& lock, HANDLE wake) {
  std::string why;
  if (!StartWorker(*w, why)) {
    std::lock_guard guard(lock);
    w->outcome = {Verdict::Failed, "no worker process could be started: " + why};
    w->reported = true;
    w->ended = true;
    SetEvent(wake);
    return;
  }
  const uint32_t modeValue = static_cast<uint32_t>(job.mode), size = static_cast<uint32_t>(job.file.size());
  const HANDLE in = w->input.get();
  (void)(WriteExactly(in, kJobTag, sizeof(kJobTag)) && WriteExactly(in, &modeValue, sizeof(modeValue)) &&
         WriteExactly(in, &job.restartLimitSeconds, sizeof(job.restartLimitSeconds)) &&
         WriteExactly(in, &job.entry, sizeof(job.entry)) && WriteExactly(in, &size, sizeof(size)) &&
         WriteExactly(in, job.file.data(), job.file.size()));
  {
    std::lock_guard guard(lock);
    w->jobSent = true;
    if (w->stopAsked) AskToStop(*w);
  }
  std::string pending;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(w->output.get(), buffer, sizeof(buffer), &got, nullptr) && got > 0) {
    pending.append(buffer, got);
    std::lock_guard guard(lock);
    for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
      TakeLine(*w, pending.substr(0, end));
      pending.erase(0, end + 1);
    }
    SetEvent(wake);
  }
  std::lock_guard guard(lock);
  w->ended = true;
  SetEvent(wake);
}

}  // namespace

std::vector<Outcome> RunPool(Mode mode, const std::vector<PrinterJob>& printers, const std::vector<uint8_t>& file,
                             uint32_t restartLimitSeconds, uint32_t jobs, HANDLE stop, const PoolEvents& events,
                             PoolFigures& figures) {
  std::vector<Outcome> outcomes(printers.size());
  std::mutex lock;  // the workers' lines and ends
  CHandle changed(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  std::vector<std::unique_ptr<Worker>> running;
  std::size_t next = 0;
  bool stopping = false;

  // Hands what the readers collected to the caller, on this thread; joins
  // workers that ended.
  const auto collect = [&] {
    std::vector<std::pair<std::size_t, std::string>> lines;
    std::vector<std::unique_ptr<Worker>> ended;
    {
      std::lock_guard guard(lock);
      for (auto& w : running) {
        for (auto& l : w->lines) lines.emplace_back(w->job, std::move(l));
        w->lines.clear();
      }
      for (auto it = running.begin(); it != running.end();) {
        if ((*it)->ended) {
          ended.push_back(std::move(*it));
          it = running.erase(it);
        } else {
          ++it;
        }
      }
    }
    for (const auto& [job, line] : lines) events.progress(job, line);
    for (auto& w : ended) {
      w->reader.join();
      if (w->process) WaitForSingleObject(w->process.get(), INFINITE);
      if (!w->reported) {
        DWORD code = 0;
        GetExitCodeProcess(w->process.get(), &code);
        w->outcome = {Verdict::Failed, "the worker process ended without a result (exit status " + std::to_string(code) + ")"};
      }
      figures.workerPeakPrivateBytes = std::max(figures.workerPeakPrivateBytes, w->peakBytes);
      outcomes[w->job] = w->outcome;
      events.done(w->job, w->outcome);
    }
  };

  while (next < printers.size() || !running.empty()) {
    if (!stopping && WaitForSingleObject(stop, 0) == WAIT_OBJECT_0) {
      stopping = true;
      std::lock_guard guard(lock);
      for (auto& w : running) {
        w->stopAsked = true;
        if (w->jobSent) AskToStop(*w);
      }
    }
    // Printers never started are told after those under way.
    if (stopping && running.empty()) {
      for (; next < printers.size(); ++next) {
        outcomes[next] = {Verdict::Interrupted, "not started"};
        events.done(next, outcomes[next]);
      }
      break;
    }
    while (!stopping && next < printers.size() && running.size() < jobs) {
      auto w = std::make_unique<Worker>();
      w->job = next++;
      Worker* raw = w.get();
      {
        std::lock_guard guard(lock);
        running.push_back(std::move(w));
      }
      const Job job{mode, printers[raw->job].entry, file, restartLimitSeconds};
      raw->reader = std::thread(Serve, raw, job, std::ref(lock), changed.get());
    }
    const HANDLE waits[2] = {changed.get(), stop};
    WaitForMultipleObjects(stopping ? 1 : 2, waits, FALSE, 500);
    collect();
  }
  return outcomes;
}

}  // namespace sender
