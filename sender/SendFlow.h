#pragma once
// One printer's run: open its port, make sure it is a VX-R500, send the
// file's logo part and command part, wait for the restart that leaving
// user-setting mode causes, read back what the file set and compare. A check
// reads back and compares only; a backup reads every setting the file format
// carries. The port, the clock and the console are behind interfaces, so the
// order, the limits and every outcome are tested natively against the
// emulator's engine. No <windows.h>.
//
// Read-back order: memory switches first, outside user-setting mode, on the
// connection the restart wait opened; then, when the file sets customized
// values, enter user-setting mode, read each, leave, and wait for that
// second restart too, so that the printer is ready when the sender moves on.

#include <cstddef>
#include <cstdint>
#include <string>

#include "makerlibs/protocol/PrinterProtocol.h"
#include "printerinfo/SettingCommandFormat.h"
#include "sender/SendRules.h"

namespace sender {

enum class OpenResult { Ok, InUse, Unreachable };

// A printer's port as one run uses it; opened and closed any number of times.
class ISendPort {
public:
  virtual ~ISendPort() = default;
  virtual OpenResult Open() = 0;
  virtual void Close() = 0;
  // Reads end with -1 once the printer dropped the connection.
  virtual vxproto::IByteChannel& Channel() = 0;
  // Printer-information item 117 over the open port, classified as
  // ClassifyModelVariant does: 24 served model, 9 sister model, -1 unknown;
  // kReadNoLibrary when the printer-information library cannot be used.
  virtual int32_t ModelVariant() = 0;
  virtual uint64_t NowMs() = 0;
  virtual void Wait(uint32_t ms) = 0;
};

// What the user sees while a run goes on.
class ISendProgress {
public:
  virtual ~ISendProgress() = default;
  virtual void Step(const std::string& text) = 0;
  // A wait: its text, then a tick per try, then how it ended.
  virtual void WaitBegins(const std::string& text) = 0;
  virtual void Tick() = 0;
  virtual void WaitEnds(const std::string& text) = 0;
  // The user asked the run to stop (Ctrl+C): nothing more is begun, and a
  // printer in user-setting mode is told to leave it first.
  virtual bool Interrupted() { return false; }
};

struct SendTimings {
  uint32_t openTries = 4;          // a port turned away as in use is tried again after a moment
  uint32_t openRetryMs = 250;
  uint32_t identityTries = 2;      // a model query that got no answer is asked again
  uint32_t identityRetryMs = 500;
  uint32_t replyMs = 2000;         // a reply to a query
  uint32_t enterReplyMs = 5000;    // the reply to the enter command
  uint32_t logoReplyMs = 15000;    // more for it when a logo went before (the printer stores it)
  uint32_t writeMs = 5000;
  uint32_t dropMs = 2000;          // the printer drops the connection this soon after leave
  uint32_t probeMs = 1500;         // one try's wait for a restarting printer's answer
  RestartSchedule restart;
};

// The run for one printer. `file` is the whole file that `parsed` describes
// (setting_file::CheckFile accepted it). The port is closed at the end.
[[nodiscard]] Outcome SendFile(ISendPort& port, const uint8_t* file, const setting_file::ParsedFile& parsed,
                               const SendTimings& timings, ISendProgress& progress);

// Reads back what `parsed` sets and compares: Ok, or Differs with the
// differences. Nothing is written but the enter and leave commands that
// reading customized values needs.
[[nodiscard]] Outcome CheckPrinter(ISendPort& port, const setting_file::ParsedFile& parsed, const SendTimings& timings,
                                   ISendProgress& progress);

// Reads every memory switch and customized value of the file format's
// command table into `read`.
[[nodiscard]] Outcome BackupPrinter(ISendPort& port, const SendTimings& timings, ISendProgress& progress, ReadBack& read);

}  // namespace sender
