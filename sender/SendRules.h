#pragma once
// What the sender decides apart from ports and the system: whether a printer
// is the served model, what a file asks the printer to hold, whether what the
// printer reads back matches, when to look again for a printer that
// restarts, and the result lines. No <windows.h>: tested natively.

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "printerinfo/SettingCommandFormat.h"

namespace sender {

// A printer's text for a message: printable ASCII, at most 40 characters.
std::string Printable(const std::string& text);

// Who answers on a port. The served model reports the sister model's name
// and tells itself apart by printer-information item 117.
enum class ModelVerdict { Served, NoAnswer, OtherModel, SisterModel, UnknownVariant, NoLibrary };
// name: the model name the printer answered (nothing: no answer); variant:
// ClassifyModelVariant of item 117 (24 served, 9 sister, -1 unknown), or
// kReadNoLibrary when the printer-information library could not be used.
ModelVerdict JudgeModel(const std::optional<std::string>& name, int32_t variant);
// Why a printer of that verdict is skipped ("" for Served).
std::string ModelSkipReason(ModelVerdict verdict, const std::string& name);

// What a file asks the printer to hold: each switch's eight characters after
// every command of the file for it ('2': left as it is), and each value as
// the last command for it sets it.
struct ExpectedSettings {
  std::map<uint8_t, std::array<char, 8>> switches;  // only switches with a bit to compare
  std::map<uint8_t, uint16_t> values;
};
ExpectedSettings ExpectedFrom(const setting_file::ParsedFile& parsed);

// What a printer read back: switch bits (bit 8 the highest), values.
struct ReadBack {
  std::map<uint8_t, uint8_t> switches;
  std::map<uint8_t, uint16_t> values;
};
// One text per difference, in switch then value order, each naming the
// setting as the pages do; empty when the printer holds every setting of the
// file.
std::vector<std::string> Differences(const ExpectedSettings& expected, const ReadBack& read);

// Every setting of the file format's command table, to be read for a
// backup: each table switch with the bits it carries (the others '2'), each
// table value.
ExpectedSettings TableSettings();
// The setting-command part of a backup: the table's switches with the bits
// read (the others left as they are) and the table's values as read.
std::vector<uint8_t> BackupCommandPart(const ReadBack& read);

// When to look for a printer that is restarting, in milliseconds since it
// was told to leave user-setting mode.
struct RestartSchedule {
  uint64_t firstTryMs = 1000;  // the printer is surely away this long
  uint64_t intervalMs = 1000;
  uint64_t limitMs = 45000;
};
// The time of the next try after `triesDone` tries, the last ending at
// nowMs; nothing when the limit is reached. A try that overran its slot is
// followed at once, never by a burst of catching up; the first try is made
// however late it is.
std::optional<uint64_t> NextTry(const RestartSchedule& schedule, uint32_t triesDone, uint64_t nowMs);

// The result for one printer. Differs: a check found other settings than
// the file's. Interrupted: the user stopped the run (Ctrl+C) before this
// printer was done; it was never left in user-setting mode.
enum class Verdict { Ok, Skipped, Failed, Differs, Interrupted };
struct Outcome {
  Verdict verdict = Verdict::Failed;
  std::string reason;                    // for every verdict but Ok and Differs
  std::vector<std::string> differences;  // what a check or a send's read-back found
  std::string model;                     // "VX-R500", or the name another printer gave
  std::string serial;                    // as the printer reports it
  double seconds = 0;
};
// "LABEL  OK", "LABEL  SKIPPED: why", "LABEL  FAILED: why", "LABEL  DIFFERS:
// what", "LABEL  INTERRUPTED: where"; labels padded to `width` (at least
// their own length) so that results printed one by one line up. UTF-8.
std::string ResultLine(const std::string& label, std::size_t width, const Outcome& outcome);
// Every result line, labels padded to the longest.
std::vector<std::string> ResultLines(const std::vector<std::string>& labels, const std::vector<Outcome>& outcomes);
// kExitInterrupted when any printer was interrupted, kExitAllSent when every
// printer is Ok, else kExitSomeNotSent.
int ExitCodeFor(const std::vector<Outcome>& outcomes);
// One line of the JSON report (no line end): target, model, serial number,
// result, reason, differences, seconds.
std::string ReportLine(const std::string& target, const Outcome& outcome);

}  // namespace sender
