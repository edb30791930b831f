#include "sender/SendRules.h"

#include <algorithm>

#include "framework/SharedTypes.h"
#include "printerinfo/PrinterReadRules.h"
#include "sender/SendCommandLine.h"

namespace sender {

namespace {

constexpr int32_t kServedVariant = 24;
constexpr int32_t kSisterVariant = 9;

// A printer's text for a message: printable ASCII, at most 40 characters.
std::string Printable(const std::string& text) {
  std::string s;
  for (const char c : text.substr(0, 40)) s.push_back(c >= 0x20 && c < 0x7F ? c : '?');
  return s;
}

}  // namespace

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
    const std::string name = "memory switch " + std::to_string(number);
    const auto it = read.switches.find(number);
    if (it == read.switches.end()) {
      out.push_back(name + " was not read back");
      continue;
    }
    // The first character is bit 8.
    for (std::size_t c = 0; c < 8; ++c) {
      if (chars[c] == '2') continue;
      const bool want = chars[c] == '1';
      const bool have = (it->second >> (7 - c)) & 1u;
      if (want != have) {
        out.push_back(name + " bit " + std::to_string(8 - c) + " is " + (have ? "on" : "off") + " (the file sets " +
                      (want ? "on" : "off") + ")");
      }
    }
  }
  for (const auto& [number, value] : expected.values) {
    const std::string name = "customized value " + std::to_string(number);
    const auto it = read.values.find(number);
    if (it == read.values.end()) {
      out.push_back(name + " was not read back");
    } else if (it->second != value) {
      out.push_back(name + " is " + std::to_string(it->second) + " (the file sets " + std::to_string(value) + ")");
    }
  }
  return out;
}

std::optional<uint64_t> NextTry(const RestartSchedule& schedule, uint32_t triesDone, uint64_t nowMs) {
  const uint64_t planned = schedule.firstTryMs + uint64_t{triesDone} * schedule.intervalMs;
  const uint64_t at = std::max(planned, nowMs);
  if (triesDone == 0) return at;
  if (at >= schedule.limitMs) return std::nullopt;
  return at;
}

std::vector<std::string> ResultLines(const std::vector<std::string>& labels, const std::vector<Outcome>& outcomes) {
  std::size_t width = 0;
  for (const auto& label : labels) width = std::max(width, label.size());
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < outcomes.size(); ++i) {
    std::string line = i < labels.size() ? labels[i] : "?";
    line.append(width + 2 - std::min(width, line.size()), ' ');
    switch (outcomes[i].verdict) {
      case Verdict::Ok: line += "OK"; break;
      case Verdict::Skipped: line += "SKIPPED: " + outcomes[i].reason; break;
      case Verdict::Failed: line += "FAILED: " + outcomes[i].reason; break;
    }
    lines.push_back(line);
  }
  return lines;
}

int ExitCodeFor(const std::vector<Outcome>& outcomes) {
  const bool all = std::all_of(outcomes.begin(), outcomes.end(), [](const Outcome& o) { return o.verdict == Verdict::Ok; });
  return all ? kExitAllSent : kExitSomeNotSent;
}

}  // namespace sender
