#pragma once
// The sender's command line, the port list selection it makes and its exit
// codes. No <windows.h>: tested natively.
//
//   VXR500Send [--restart-limit SECONDS] FILE PORT...
//   VXR500Send [--restart-limit SECONDS] FILE --all
//   VXR500Send --help

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
};

constexpr uint32_t kDefaultRestartLimitSeconds = 45;
constexpr uint32_t kMinRestartLimitSeconds = 5;
constexpr uint32_t kMaxRestartLimitSeconds = 600;

struct CommandLine {
  bool help = false;
  bool all = false;
  std::wstring file;
  std::vector<std::wstring> ports;  // as given, duplicates (any case) dropped
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

}  // namespace sender
