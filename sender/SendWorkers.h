#pragma once
// Many printers at once. The communication library holds one connection per
// process, so each printer gets a worker process of its own: this program
// again with --worker, its job (what to do, the port list entry, the file) on
// its input and its progress and result as lines on its output. A byte on
// the worker's input, or the input's end (the sender gone), asks it to stop
// as Ctrl+C does: it begins nothing more and leaves no printer in
// user-setting mode.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/UtilitySettings.h"
#include "sender/SendCommandLine.h"
#include "sender/SendFlow.h"

namespace sender {

struct PrinterJob {
  PrinterEntry entry{};
  std::string label;  // UTF-8, as the output names the printer
};

// The run of one printer in this process, for a worker and for --backup:
// send or check `file` (checked already), or for a backup read every
// setting into `read`.
Outcome RunPrinter(Mode mode, const PrinterEntry& entry, const std::vector<uint8_t>& file,
                   const setting_file::ParsedFile& parsed, uint32_t restartLimitSeconds, ISendProgress& progress,
                   ReadBack* read = nullptr);

// Ctrl+C, Ctrl+Break and the console closing ask the run to stop: the
// returned event is set. After a close, logoff or shutdown the system ends
// the process once the handler returns, so the handler waits for RunEnded
// (at most 4.5 s) to let printers under way leave user-setting mode first.
HANDLE StopOnConsoleEvents();
void RunEnded();

// A text as UTF-8, what the console streams and the report carry.
std::string Utf8(const std::wstring& text);
// The system's text for an error number, without its line end, in UTF-8.
std::string SystemText(DWORD error);

// This process's peak private memory, in bytes.
uint64_t PeakPrivateBytes();

// The worker's side: reads its job, runs it, reports; the exit status of the
// process (0 when a result was reported).
int WorkerMain();

// Progress of a run as the user sees it: whole lines on the error stream,
// each printer's result line as it ends. Called on the caller's thread.
struct PoolEvents {
  std::function<void(std::size_t job, const std::string& line)> progress;
  std::function<void(std::size_t job, const Outcome& outcome)> done;
};

struct PoolFigures {
  uint64_t workerPeakPrivateBytes = 0;  // the largest of any worker
};

// Runs every job, at most `jobs` workers at a time. Once `stop` is set, no
// further worker starts, those under way are asked to stop, and the jobs not
// started end as Interrupted "not started". Returns each job's outcome.
std::vector<Outcome> RunPool(Mode mode, const std::vector<PrinterJob>& printers, const std::vector<uint8_t>& file,
                             uint32_t restartLimitSeconds, uint32_t jobs, HANDLE stop, const PoolEvents& events,
                             PoolFigures& figures);

}  // namespace sender
