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
  bool modeGiven = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::wstring& arg = args[i];
    if (!optionsEnded && arg.size() > 1 && (arg[0] == L'-' || arg == L"/?")) {
      // An option's value: the next argument, which must be there.
      const auto value = [&]() -> const std::wstring* {
        if (i + 1 >= args.size() || args[i + 1].empty()) return nullptr;
        return &args[++i];
      };
      if (arg == L"--") {
        optionsEnded = true;
      } else if (arg == L"--help" || arg == L"-h" || arg == L"-?" || arg == L"/?") {
        line.help = true;
      } else if (arg == L"--all") {
        line.all = true;
      } else if (arg == L"--worker") {
        line.worker = true;
      } else if (arg == L"--check" || arg == L"--backup" || arg == L"--show") {
        if (modeGiven) return Fail("give one of --check, --backup and --show");
        const std::wstring* file = value();
        if (!file) return Fail(Ascii(arg) + " needs a file");
        if (haveFile) return Fail(Ascii(arg) + " takes the file; give no other file");
        modeGiven = haveFile = true;
        line.mode = arg == L"--check" ? Mode::Check : arg == L"--backup" ? Mode::Backup : Mode::Show;
        line.file = *file;
      } else if (arg == L"--targets" || arg == L"--report") {
        const std::wstring* file = value();
        if (!file) return Fail(Ascii(arg) + " needs a file");
        (arg == L"--targets" ? line.targetsFile : line.reportFile) = *file;
      } else if (arg == L"--jobs") {
        const std::wstring* text = value();
        const auto jobs = text ? Seconds(*text) : std::nullopt;
        if (!jobs || *jobs < 1 || *jobs > kMaxJobs) return Fail("--jobs takes 1 to " + std::to_string(kMaxJobs));
        line.jobs = *jobs;
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
  if (line.help || line.worker) return {line, {}};
  if (!haveFile) return Fail("no setting command file given");
  const bool anyTarget = !line.ports.empty() || !line.targetsFile.empty();
  switch (line.mode) {
    case Mode::Show:
      if (anyTarget || line.all) return Fail("--show reads the file alone; give no printer");
      return {line, {}};
    case Mode::Backup:
      if (line.all || !line.targetsFile.empty() || line.ports.size() != 1) {
        return Fail("--backup reads one printer: give one port name or address");
      }
      return {line, {}};
    case Mode::Send:
    case Mode::Check: break;
  }
  if (line.all && anyTarget) return Fail("give port names or --all, not both");
  if (!line.all && !anyTarget) {
    return Fail("no port given (name ports of the port list or printer addresses, --targets FILE, or --all)");
  }
  return {line, {}};
}

const char* UsageText() {
  return "usage: VXR500Send [OPTIONS] FILE TARGET...\n"
         "       VXR500Send [OPTIONS] FILE --all\n"
         "       VXR500Send [OPTIONS] --check FILE TARGET...\n"
         "       VXR500Send [OPTIONS] --backup OUTFILE TARGET\n"
         "       VXR500Send --show FILE\n"
         "       VXR500Send --help\n"
         "\n"
         "Sends a setting command file to VX-R500 printers and reads the settings back;\n"
         "checks printers against a file; backs a printer's settings up into a file.\n"
         "\n"
         "  FILE                   the setting command file; it is checked whole before\n"
         "                         any port is opened\n"
         "  TARGET                 a port name of the port list (e.g. 127.0.0.1, COM5,\n"
         "                         USB001; every entry of that name), else a network\n"
         "                         printer: an IPv4 address (port 9100) or HOST:PORT\n"
         "  --all                  every entry of the port list\n"
         "  --check FILE           read back what FILE sets and compare; nothing is written\n"
         "  --backup OUTFILE       read every setting a setting command file carries from\n"
         "                         one printer into OUTFILE (send it to restore)\n"
         "  --show FILE            print the file's settings in words\n"
         "  --targets FILE         more targets, one per line (# starts a comment)\n"
         "  --jobs N               printers worked on at the same time (1 to 64, default 8)\n"
         "  --report FILE          a JSON object per printer and line, written as each ends\n"
         "  --restart-limit SECONDS  how long to wait for a printer to come back after\n"
         "                         its restart (5 to 600, default 45)\n"
         "\n"
         "Progress goes to the error stream; a result line per printer to the output as\n"
         "soon as that printer is done:\n"
         "  TARGET  OK | SKIPPED: why | FAILED: why | DIFFERS: what | INTERRUPTED: where\n"
         "A printer is skipped, and gets nothing, when it cannot be reached, does not\n"
         "answer, is in use or is not a VX-R500. Ctrl+C starts no further printer, takes\n"
         "the printers under way out of user-setting mode and prints the results so far.\n"
         "\n"
         "Exit status: 0 every printer OK, 1 some printer skipped, failed or differing,\n"
         "2 bad command line or unknown target (nothing sent), 3 file unreadable or\n"
         "refused (nothing sent), 4 the communication library or its port list cannot be\n"
         "used, 5 interrupted.\n";
}

namespace {

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Four decimal numbers 0 to 255 with dots between, no leading zeros.
bool IsIpv4(const std::wstring& text) {
  std::size_t at = 0;
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      if (at >= text.size() || text[at] != L'.') return false;
      ++at;
    }
    const std::size_t begin = at;
    unsigned value = 0;
    while (at < text.size() && IsDigit(text[at]) && at - begin < 3) value = value * 10 + (text[at++] - L'0');
    const std::size_t digits = at - begin;
    if (digits == 0 || value > 255 || (digits > 1 && text[begin] == L'0')) return false;
  }
  return at == text.size();
}

// A host name: letters, digits, '-' and '.', not beginning or ending with
// either; or an IPv4 address when it is all digits and dots.
bool IsHost(const std::wstring& host) {
  if (host.empty() || host.size() > 253) return false;
  if (std::all_of(host.begin(), host.end(), [](wchar_t c) { return IsDigit(c) || c == L'.'; })) return IsIpv4(host);
  const auto ok = [](wchar_t c) { return (c < 0x80 && std::iswalnum(static_cast<wint_t>(c))) || c == L'-' || c == L'.'; };
  if (!std::all_of(host.begin(), host.end(), ok)) return false;
  return host.front() != L'-' && host.front() != L'.' && host.back() != L'-' && host.back() != L'.';
}

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
  return text;
}

// Where a printer is reached, to tell one printer named twice: the TCP
// address of an entry or of an address, else the entry's place in the list.
std::wstring PrinterKey(const std::vector<PortRow>& list, const Target& t) {
  if (!t.row) return L"tcp://" + Lower(t.address.host) + L":" + std::to_wstring(t.address.port);
  const PortRow& row = list[*t.row];
  std::wstring path = Lower(row.path);
  if (path.rfind(L"tcp://", 0) == 0) {
    const std::size_t colon = path.find(L':', 6);
    return colon == std::wstring::npos ? path + L":" + std::to_wstring(kDefaultNetworkPort) : path;
  }
  return L"row " + std::to_wstring(*t.row);
}

}  // namespace

TargetList ParseTargetList(const std::string& text) {
  TargetList list;
  std::size_t at = text.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  for (uint32_t number = 1; at <= text.size(); ++number) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    std::string line = text.substr(at, end - at);
    at = end + 1;
    line = line.substr(0, line.find('#'));
    while (!line.empty() && blank(line.back())) line.pop_back();
    const std::size_t first = std::min(line.size(), line.find_first_not_of(" \t"));
    line = line.substr(first);
    if (line.empty()) continue;
    const auto printable = [](char c) { return static_cast<unsigned char>(c) > 0x20 && static_cast<unsigned char>(c) < 0x7F; };
    if (!std::all_of(line.begin(), line.end(), printable)) {
      std::wstring shown;
      for (const char c : line) shown.push_back(static_cast<unsigned char>(c));
      return {{}, "line " + std::to_string(number) + ": \"" + Ascii(shown) +
                      "\" is not one port name or address (one target per line, in ASCII)"};
    }
    list.targets.push_back({std::wstring(line.begin(), line.end()), number});
  }
  return list;
}

std::optional<NetAddress> ParseAddress(const std::wstring& text, bool* malformed) {
  if (malformed) *malformed = false;
  const std::size_t colon = text.rfind(L':');
  const bool numeric = !text.empty() && std::all_of(text.begin(), text.end(), [](wchar_t c) { return IsDigit(c) || c == L'.'; });
  if (colon == std::wstring::npos) {
    if (IsIpv4(text)) return NetAddress{text, kDefaultNetworkPort};
    if (malformed) *malformed = numeric && text.find(L'.') != std::wstring::npos;
    return std::nullopt;
  }
  const std::wstring host = text.substr(0, colon), digits = text.substr(colon + 1);
  uint32_t port = 0;
  const bool portOk = !digits.empty() && digits.size() <= 5 && std::all_of(digits.begin(), digits.end(), IsDigit);
  if (portOk) {
    for (const wchar_t c : digits) port = port * 10 + static_cast<uint32_t>(c - L'0');
  }
  if (!portOk || port == 0 || port > 65535 || !IsHost(host)) {
    if (malformed) *malformed = true;
    return std::nullopt;
  }
  return NetAddress{host, static_cast<uint16_t>(port)};
}

TargetSelection SelectTargets(const std::vector<PortRow>& list, const CommandLine& line,
                              const std::vector<TargetText>& fromFile) {
  TargetSelection s;
  if (line.all) {
    const Selection all = SelectPorts(list, line);
    if (!all.error.empty()) return {{}, all.error};
    const std::vector<std::wstring> labels = PortLabels(list, all.rows);
    for (std::size_t i = 0; i < all.rows.size(); ++i) {
      Target t;
      t.row = all.rows[i];
      t.label = labels[i];
      s.targets.push_back(std::move(t));
    }
    return s;
  }
  std::vector<TargetText> asked;
  for (const std::wstring& p : line.ports) asked.push_back({p, 0});
  asked.insert(asked.end(), fromFile.begin(), fromFile.end());
  std::vector<std::size_t> rows;  // the entries chosen, for their labels
  std::vector<std::wstring> keys;
  for (const TargetText& t : asked) {
    const std::string where = t.line ? "line " + std::to_string(t.line) + ": " : "";
    CommandLine one;
    one.ports = {t.text};
    const Selection named = SelectPorts(list, one);
    std::vector<Target> found;
    if (named.error.empty()) {
      for (const std::size_t row : named.rows) {
        Target t;
        t.row = row;
        found.push_back(std::move(t));
      }
    } else {
      bool malformed = false;
      const auto address = ParseAddress(t.text, &malformed);
      if (!address) {
        return {{}, where + (malformed ? Ascii(t.text) + " is not a printer address (an IPv4 address, or HOST:PORT "
                                                             "with a port of 1 to 65535)"
                                       : named.error + ", and it is not a printer address")};
      }
      Target network;
      network.address = *address;
      network.label = t.text;
      found.push_back(std::move(network));
    }
    for (Target& target : found) {
      const std::wstring key = PrinterKey(list, target);
      if (std::find(keys.begin(), keys.end(), key) != keys.end()) continue;
      keys.push_back(key);
      if (target.row) rows.push_back(*target.row);
      s.targets.push_back(std::move(target));
    }
  }
  if (s.targets.empty()) return {{}, "no printer given"};
  // Entries are labelled as before: by port name, with the path when shared.
  const std::vector<std::wstring> labels = PortLabels(list, rows);
  std::size_t next = 0;
  for (Target& target : s.targets) {
    if (target.row) target.label = labels[next++];
  }
  return s;
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
