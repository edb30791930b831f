#pragma once
// The sender's command line, the printers it selects (entries of the port
// list and network printers by address) and its exit codes. No <windows.h>:
// tested natively.
//
//   VXR500Send [OPTIONS] FILE TARGET...            send FILE
//   VXR500Send [OPTIONS] FILE --all
//   VXR500Send [OPTIONS] --check FILE TARGET...    compare, write nothing
//   VXR500Send [OPTIONS] --backup OUTFILE TARGET   read one printer into a file
//   VXR500Send --show FILE
//   VXR500Send --help
//   OPTIONS: --targets FILE, --jobs N, --report FILE, --restart-limit SECONDS

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sender {

// Exit codes: what a script calling the sender can tell apart.
enum ExitCode : int {
  kExitAllSent = 0,       // every printer took the file and reads it back
  kExitSomeNotSent = 1,   // at least one printer was skipped or failed
  kExitUsage = 2,         // bad command line, or a port that is not in the port list
  kExitBadFile = 3,       // the file cannot be read or is refused; no port was opened
  kExitNoLibrary = 4,     // the communication library or its port list is unusable
  kExitInterrupted = 5,   // Ctrl+C: no printer started after it, none left in user-setting mode
};

enum class Mode { Send, Check, Backup, Show };

constexpr uint32_t kDefaultJobs = 8;
constexpr uint32_t kMaxJobs = 64;
constexpr uint16_t kDefaultNetworkPort = 9100;

constexpr uint32_t kDefaultRestartLimitSeconds = 45;
constexpr uint32_t kMinRestartLimitSeconds = 5;
constexpr uint32_t kMaxRestartLimitSeconds = 600;

struct CommandLine {
  bool help = false;
  bool all = false;
  bool worker = false;              // a worker process of a run: its job comes on the input
  Mode mode = Mode::Send;
  std::wstring file;                // sent, checked or shown; for --backup the file written
  std::vector<std::wstring> ports;  // targets as given, duplicates (any case) dropped
  std::wstring targetsFile;         // --targets: more targets, one per line
  std::wstring reportFile;          // --report: a JSON line per printer
  uint32_t jobs = kDefaultJobs;     // printers worked on at the same time
  uint32_t restartLimitSeconds = kDefaultRestartLimitSeconds;
};

struct ParsedCommandLine {
  std::optional<CommandLine> line;
  std::string error;  // why there is no line
};

// The arguments after the program name. "--" ends the options.
ParsedCommandLine ParseCommandLine(const std::vector<std::wstring>& args);

// The text for --help and after a bad command line.
const char* UsageText();

// A target and where it was given: the line of the --targets file (0: the
// command line).
struct TargetText {
  std::wstring text;
  uint32_t line = 0;
};
struct TargetList {
  std::vector<TargetText> targets;
  std::string error;  // "line N: why"
};
// A --targets file's text (UTF-8, a BOM allowed): one target per line, "#"
// starting a comment, blank lines ignored.
TargetList ParseTargetList(const std::string& text);

// A network printer's address: an IPv4 address (port 9100) or HOST:PORT.
struct NetAddress {
  std::wstring host;
  uint16_t port = kDefaultNetworkPort;
};
// Nothing for a text that is not an address; `malformed` tells a text that
// tries to be one (it has a ":" or only digits and dots) from a plain name.
std::optional<NetAddress> ParseAddress(const std::wstring& text, bool* malformed = nullptr);

// One entry of the communication library's port list.
struct PortRow {
  std::wstring kind;
  std::wstring name;
  std::wstring path;
};

struct Selection {
  std::vector<std::size_t> rows;  // indexes into the port list, in the order asked
  std::string error;              // a port that is not in the list, or an empty list
};

// The entries the command line names: every entry for --all; otherwise for
// each name given, every entry of that port name (case-insensitive), in the
// list's order.
Selection SelectPorts(const std::vector<PortRow>& list, const CommandLine& line);

// How a printer is named in the output: its port name, with the path when
// another selected entry has the same port name.
std::vector<std::wstring> PortLabels(const std::vector<PortRow>& list, const std::vector<std::size_t>& rows);

// A printer of a run: an entry of the port list, or a network printer.
struct Target {
  std::optional<std::size_t> row;  // index into the port list
  NetAddress address;              // when not an entry of the list
  std::wstring label;              // as the output names it
};
struct TargetSelection {
  std::vector<Target> targets;
  std::string error;  // nothing is sent when set
};
// The printers of a run: for --all every entry of the list; otherwise, in
// the order given (the command line's, then the file's), every entry of a
// port name of the list, else the network printer at an address. A printer
// named twice (also through another spelling of its address) is worked on
// once. A target that is neither is refused, with its line when it came
// from a file.
TargetSelection SelectTargets(const std::vector<PortRow>& list, const CommandLine& line,
                              const std::vector<TargetText>& fromFile);

}  // namespace sender
