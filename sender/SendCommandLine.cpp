#include "sender/SendCommandLine.h"

#include <algorithm>
#include <cwctype>

namespace sender {

namespace {

bool SameName(const std::wstring& a, const std::wstring& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
           return std::towupper(static_cast<wint_t>(x)) == std::towupper(static_cast<wint_t>(y));
         });
}

// For messages: the text as ASCII, anything else as '?'.
std::string Ascii(const std::wstring& text) {
  std::string s;
  for (const wchar_t c : text) s.push_back(c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?');
  return s;
}

std::optional<uint32_t> Seconds(const std::wstring& text) {
  if (text.empty() || text.size() > 4) return std::nullopt;
  uint32_t v = 0;
  for (const wchar_t c : text) {
    if (c < L'0' || c > L'9') return std::nullopt;
    v = v * 10 + static_cast<uint32_t>(c - L'0');
  }
  return v;
}

ParsedCommandLine Fail(std::string why) { return {std::nullopt, std::move(why)}; }

}  // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::wstring>& args) {
  CommandLine line;
  bool optionsEnded = false;
  bool haveFile = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::wstring& arg = args[i];
    if (!optionsEnded && arg.size() > 1 && (arg[0] == L'-' || arg == L"/?")) {
      if (arg == L"--") {
        optionsEnded = true;
      } else if (arg == L"--help" || arg == L"-h" || arg == L"-?" || arg == L"/?") {
        line.help = true;
      } else if (arg == L"--all") {
        line.all = true;
      } else if (arg == L"--restart-limit") {
        if (i + 1 >= args.size()) return Fail("--restart-limit needs a number of seconds");
        const auto seconds = Seconds(args[++i]);
        if (!seconds || *seconds < kMinRestartLimitSeconds || *seconds > kMaxRestartLimitSeconds) {
          return Fail("--restart-limit takes " + std::to_string(kMinRestartLimitSeconds) + " to " +
                      std::to_string(kMaxRestartLimitSeconds) + " seconds");
        }
        line.restartLimitSeconds = *seconds;
      } else {
        return Fail("unknown option " + Ascii(arg));
      }
      continue;
    }
    if (arg.empty()) return Fail("an empty argument");
    if (!haveFile) {
      line.file = arg;
      haveFile = true;
      continue;
    }
    const bool seen = std::any_of(line.ports.begin(), line.ports.end(),
                                  [&arg](const std::wstring& p) { return SameName(p, arg); });
    if (!seen) line.ports.push_back(arg);
  }
  if (line.help) return {line, {}};
  if (!haveFile) return Fail("no setting command file given");
  if (line.all && !line.ports.empty()) return Fail("give port names or --all, not both");
  if (!line.all && line.ports.empty()) return Fail("no port given (name ports of the port list, or --all)");
  return {line, {}};
}

const char* UsageText() {
  return "usage: VXR500Send [--restart-limit SECONDS] FILE PORT...\n"
         "       VXR500Send [--restart-limit SECONDS] FILE --all\n"
         "       VXR500Send --help\n"
         "\n"
         "Sends a setting command file to VX-R500 printers of the communication library's\n"
         "port list, one printer after the other, and reads the settings back.\n"
         "\n"
         "  FILE                   the setting command file; it is checked whole before\n"
         "                         any port is opened\n"
         "  PORT                   a port name of the port list (e.g. 127.0.0.1, COM5,\n"
         "                         USB001); every entry of that name\n"
         "  --all                  every entry of the port list\n"
         "  --restart-limit SECONDS  how long to wait for a printer to come back after\n"
         "                         its restart (5 to 600, default 45)\n"
         "\n"
         "Progress goes to the error stream; one result line per printer to the output:\n"
         "  PORT  OK | SKIPPED: why | FAILED: why\n"
         "A printer is skipped, and gets nothing, when it cannot be reached, does not\n"
         "answer, is in use or is not a VX-R500.\n"
         "\n"
         "Exit status: 0 every printer OK, 1 some printer skipped or failed, 2 bad command\n"
         "line or unknown port, 3 file unreadable or refused (nothing sent), 4 the\n"
         "communication library or its port list cannot be used.\n";
}

Selection SelectPorts(const std::vector<PortRow>& list, const CommandLine& line) {
  Selection s;
  if (line.all) {
    for (std::size_t i = 0; i < list.size(); ++i) s.rows.push_back(i);
    if (s.rows.empty()) s.error = "the port list holds no port";
    return s;
  }
  for (const std::wstring& name : line.ports) {
    bool found = false;
    for (std::size_t i = 0; i < list.size(); ++i) {
      if (!SameName(list[i].name, name)) continue;
      found = true;
      if (std::find(s.rows.begin(), s.rows.end(), i) == s.rows.end()) s.rows.push_back(i);
    }
    if (!found) {
      std::string known;
      for (const PortRow& row : list) known += (known.empty() ? "" : ", ") + Ascii(row.name);
      s.rows.clear();
      s.error = Ascii(name) + " is not in the port list (" + (known.empty() ? "which is empty" : "it holds " + known) + ")";
      return s;
    }
  }
  return s;
}

std::vector<std::wstring> PortLabels(const std::vector<PortRow>& list, const std::vector<std::size_t>& rows) {
  std::vector<std::wstring> labels;
  for (const std::size_t i : rows) {
    const bool shared = std::count_if(rows.begin(), rows.end(),
                                      [&](std::size_t j) { return SameName(list[j].name, list[i].name); }) > 1;
    labels.push_back(shared ? list[i].name + L" (" + list[i].path + L")" : list[i].name);
  }
  return labels;
}

}  // namespace sender
