#include "sender/SendRules.h"

#include <algorithm>
#include <cstdio>

#include "framework/SharedTypes.h"
#include "printerinfo/PrinterReadRules.h"
#include "sender/SendCommandLine.h"
#include "sender/SettingNames.h"

namespace sender {

namespace {

constexpr int32_t kServedVariant = 24;
constexpr int32_t kSisterVariant = 9;

}  // namespace

std::string Printable(const std::string& text) {
  std::string s;
  for (const char c : text.substr(0, 40)) s.push_back(c >= 0x20 && c < 0x7F ? c : '?');
  return s;
}

ModelVerdict JudgeModel(const std::optional<std::string>& name, int32_t variant) {
  if (!name) return ModelVerdict::NoAnswer;
  if (!IsServedModelName(*name, static_cast<int32_t>(StartMode::Normal))) return ModelVerdict::OtherModel;
  if (variant == kServedVariant) return ModelVerdict::Served;
  if (variant == kReadNoLibrary) return ModelVerdict::NoLibrary;
  return variant == kSisterVariant ? ModelVerdict::SisterModel : ModelVerdict::UnknownVariant;
}

std::string ModelSkipReason(ModelVerdict verdict, const std::string& name) {
  switch (verdict) {
    case ModelVerdict::Served: return "";
    case ModelVerdict::NoAnswer: return "the printer does not answer";
    case ModelVerdict::OtherModel:
      return "another printer model (" + (name.empty() ? std::string("no model name") : Printable(name)) + ")";
    case ModelVerdict::SisterModel: return "another printer model (" + Printable(name) + ", not a VX-R500)";
    case ModelVerdict::UnknownVariant:
      return "another printer model (" + Printable(name) + " that does not say it is a VX-R500)";
    case ModelVerdict::NoLibrary:
      return "the model cannot be told: the printer-information library PrnInfoBroker.dll is missing or unusable";
  }
  return "unknown printer";
}

ExpectedSettings ExpectedFrom(const setting_file::ParsedFile& parsed) {
  ExpectedSettings e;
  for (const auto& s : parsed.switches) {
    auto [it, added] = e.switches.try_emplace(s.number);
    if (added) it->second.fill('2');
    for (std::size_t c = 0; c < 8; ++c) {
      if (s.characters[c] != '2') it->second[c] = s.characters[c];
    }
  }
  std::erase_if(e.switches, [](const auto& entry) {
    const auto& chars = entry.second;
    return std::all_of(chars.begin(), chars.end(), [](char c) { return c == '2'; });
  });
  for (const auto& v : parsed.values) e.values[v.number] = v.value;
  return e;
}

std::vector<std::string> Differences(const ExpectedSettings& expected, const ReadBack& read) {
  std::vector<std::string> out;
  for (const auto& [number, chars] : expected.switches) {
    const auto it = read.switches.find(number);
    if (it == read.switches.end()) {
      out.push_back("memory switch " + std::to_string(number) + " was not read back");
      continue;
    }
    // The first character is bit 8.
    for (std::size_t c = 0; c < 8; ++c) {
      if (chars[c] == '2') continue;
      const bool want = chars[c] == '1';
      const bool have = (it->second >> (7 - c)) & 1u;
      if (want != have) {
        out.push_back(SwitchBitTitle(number, static_cast<uint8_t>(8 - c)) + " is " + (have ? "on" : "off") +
                      " (the file sets " + (want ? "on" : "off") + ")");
      }
    }
  }
  for (const auto& [number, value] : expected.values) {
    const auto it = read.values.find(number);
    if (it == read.values.end()) {
      out.push_back(ValueTitle(number) + " was not read back");
    } else if (it->second != value) {
      out.push_back(ValueTitle(number) + " is " + ValueWords(number, it->second) + " (the file sets " +
                    ValueWords(number, value) + ")");
    }
  }
  return out;
}

ExpectedSettings TableSettings() {
  ExpectedSettings e;
  for (const setting_file::SwitchRow& row : setting_file::SwitchRows()) {
    auto& chars = e.switches[row.number];
    for (std::size_t c = 0; c < 8; ++c) chars[c] = row.sources[c] == setting_file::kLeave ? '2' : '0';
  }
  for (const setting_file::ValueRow& row : setting_file::ValueRows()) e.values[row.number] = 0;
  return e;
}

std::vector<uint8_t> BackupCommandPart(const ReadBack& read) {
  std::vector<setting_file::SwitchSetting> switches;
  for (const setting_file::SwitchRow& row : setting_file::SwitchRows()) {
    const auto bits = read.switches.find(row.number);
    setting_file::SwitchSetting s{row.number, {}};
    for (std::size_t c = 0; c < 8; ++c) {
      const bool carried = row.sources[c] != setting_file::kLeave && bits != read.switches.end();
      s.characters[c] = !carried ? '2' : ((bits->second >> (7 - c)) & 1u) ? '1' : '0';
    }
    switches.push_back(s);
  }
  std::vector<setting_file::ValueSetting> values;
  for (const setting_file::ValueRow& row : setting_file::ValueRows()) {
    const auto value = read.values.find(row.number);
    if (value != read.values.end()) values.push_back({row.number, value->second});
  }
  return setting_file::CommandPartFor(switches, values);
}

std::optional<uint64_t> NextTry(const RestartSchedule& schedule, uint32_t triesDone, uint64_t nowMs) {
  const uint64_t planned = schedule.firstTryMs + uint64_t{triesDone} * schedule.intervalMs;
  const uint64_t at = std::max(planned, nowMs);
  if (triesDone == 0) return at;
  if (at >= schedule.limitMs) return std::nullopt;
  return at;
}

std::string ResultLine(const std::string& label, std::size_t width, const Outcome& outcome) {
  std::string line = label;
  line.append(std::max(width, label.size()) + 2 - label.size(), ' ');
  switch (outcome.verdict) {
    case Verdict::Ok: return line + "OK";
    case Verdict::Skipped: return line + "SKIPPED: " + outcome.reason;
    case Verdict::Failed: return line + "FAILED: " + outcome.reason;
    case Verdict::Interrupted: return line + "INTERRUPTED: " + outcome.reason;
    case Verdict::Differs: {
      std::string what;
      for (const auto& d : outcome.differences) what += (what.empty() ? "" : "; ") + d;
      return line + "DIFFERS: " + what;
    }
  }
  return line + "?";
}

std::vector<std::string> ResultLines(const std::vector<std::string>& labels, const std::vector<Outcome>& outcomes) {
  std::size_t width = 0;
  for (const auto& label : labels) width = std::max(width, label.size());
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < outcomes.size(); ++i) lines.push_back(ResultLine(i < labels.size() ? labels[i] : "?", width, outcomes[i]));
  return lines;
}

int ExitCodeFor(const std::vector<Outcome>& outcomes) {
  const auto is = [&outcomes](Verdict v) {
    return [v](const Outcome& o) { return o.verdict == v; };
  };
  if (std::any_of(outcomes.begin(), outcomes.end(), is(Verdict::Interrupted))) return kExitInterrupted;
  return std::all_of(outcomes.begin(), outcomes.end(), is(Verdict::Ok)) ? kExitAllSent : kExitSomeNotSent;
}

namespace {

// A JSON string: quotes, backslashes and control characters escaped; the
// text is UTF-8 already.
std::string JsonText(const std::string& text) {
  std::string s = "\"";
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      s += '\\';
      s += c;
    } else if (u < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof(escaped), "\\u%04x", u);
      s += escaped;
    } else {
      s += c;
    }
  }
  return s + "\"";
}

const char* VerdictWord(Verdict verdict) {
  switch (verdict) {
    case Verdict::Ok: return "OK";
    case Verdict::Skipped: return "SKIPPED";
    case Verdict::Failed: return "FAILED";
    case Verdict::Differs: return "DIFFERS";
    case Verdict::Interrupted: return "INTERRUPTED";
  }
  return "?";
}

}  // namespace

std::string ReportLine(const std::string& target, const Outcome& outcome) {
  std::string differences;
  for (const auto& d : outcome.differences) differences += (differences.empty() ? "" : ",") + JsonText(d);
  char seconds[32];
  std::snprintf(seconds, sizeof(seconds), "%.1f", outcome.seconds);
  return "{\"target\":" + JsonText(target) + ",\"model\":" + JsonText(outcome.model) +
         ",\"serial\":" + JsonText(outcome.serial) + ",\"result\":\"" + VerdictWord(outcome.verdict) +
         "\",\"reason\":" + JsonText(outcome.reason) + ",\"differences\":[" + differences +
         "],\"seconds\":" + seconds + "}";
}

}  // namespace sender
