#include "emulator/ControlProtocol.h"

#include <sstream>
#include <vector>

namespace emu {

namespace {

std::optional<bool> OnOff(const std::string& word) {
  if (word == "on" || word == "1") return true;
  if (word == "off" || word == "0") return false;
  return std::nullopt;
}

std::optional<uint32_t> Number(const std::string& word, uint32_t max) {
  if (word.empty() || word.size() > 9) return std::nullopt;
  uint32_t v = 0;
  for (char c : word) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + static_cast<uint32_t>(c - '0');
  }
  if (v > max) return std::nullopt;
  return v;
}

}  // namespace

bool ApplyCondition(Conditions& c, const std::string& name, bool on) {
  bool* field = nullptr;
  if (name == "cover") field = &c.coverOpen;
  else if (name == "nearend") field = &c.nearEnd;
  else if (name == "paperout") field = &c.paperOut;
  else if (name == "cutter") field = &c.cutterError;
  else if (name == "fatal") field = &c.fatal;
  else if (name == "offline") field = &c.offline;
  else if (name == "recoverable") field = &c.recoverable;
  else if (name == "autorecoverable") field = &c.autoRecoverable;
  if (!field) return false;
  *field = on;
  return true;
}

std::optional<ControlRequest> ParseControlLine(const std::string& line, std::string* error) {
  auto fail = [&](const char* why) -> std::optional<ControlRequest> {
    if (error) *error = why;
    return std::nullopt;
  };
  if (line.size() > kMaxControlLine) return fail("line too long");
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  if (words.empty()) return fail("empty line");
  const std::string& verb = words[0];
  ControlRequest r{};
  auto want = [&](std::size_t count) { return words.size() == count; };
  if (verb == "condition") {
    if (!want(3)) return fail("usage: condition <name> on|off");
    Conditions probe;
    if (!ApplyCondition(probe, words[1], true)) return fail("unknown condition");
    auto on = OnOff(words[2]);
    if (!on) return fail("expected on or off");
    r.op = ControlOp::Condition;
    r.name = words[1];
    r.on = *on;
  } else if (verb == "noanswer") {
    auto on = want(2) ? OnOff(words[1]) : std::nullopt;
    if (!on) return fail("usage: noanswer on|off");
    r.op = ControlOp::NoAnswer;
    r.on = *on;
  } else if (verb == "latency" || verb == "restarttime") {
    auto ms = want(2) ? Number(words[1], kMaxDelayMs) : std::nullopt;
    if (!ms) return fail("usage: latency|restarttime <ms>");
    r.op = verb == "latency" ? ControlOp::Latency : ControlOp::RestartTime;
    r.number = *ms;
  } else if (verb == "identity") {
    auto id = want(2) ? IdentityFromName(words[1]) : std::nullopt;
    if (!id) return fail("usage: identity served|sister|foreign|mute");
    r.op = ControlOp::Identity;
    r.identity = *id;
  } else if (verb == "silent") {
    if (want(2) && words[1] == "off") {
      r.op = ControlOp::Silent;
    } else {
      std::string hex;
      for (std::size_t i = 1; i < words.size(); ++i) hex += words[i] + " ";
      auto bytes = words.size() >= 2 ? FromHex(hex) : std::nullopt;
      if (!bytes || bytes->empty()) return fail("usage: silent <hex bytes>|off");
      r.op = ControlOp::Silent;
      r.bytes = *bytes;
    }
  } else if (verb == "misreport") {
    if (!want(2) || (words[1] != "on" && words[1] != "off")) return fail("usage: misreport on|off");
    r.op = ControlOp::Misreport;
    r.on = words[1] == "on";
  } else if (verb == "item") {
    auto n = words.size() == 3 ? Number(words[1], 255) : std::nullopt;
    if (!n || *n < 96) return fail("usage: item <96..255> <text>|off");
    r.op = ControlOp::Item;
    r.number = *n;
    r.on = words[2] != "off";
    if (r.on) r.name = words[2];
  } else if (verb == "cv") {
    auto n = want(2) || want(3) ? Number(words[1], 255) : std::nullopt;
    auto v = want(3) ? Number(words[2], 65535) : std::nullopt;
    if (!n || (want(3) && !v)) return fail("usage: cv <number> [<value>]");
    r.op = ControlOp::Customized;
    r.number = *n;
    r.on = v.has_value();  // a value to put in force
    r.value = v.value_or(0);
  } else if (verb == "msw") {
    auto n = want(2) ? Number(words[1], kMemorySwitchCount) : std::nullopt;
    if (!n || *n < 1) return fail("usage: msw <1-8>");
    r.op = ControlOp::MemorySwitch;
    r.number = *n;
  } else if (want(1) && verb == "drop") {
    r.op = ControlOp::Drop;
  } else if (want(1) && verb == "dropmidreply") {
    r.op = ControlOp::DropMidReply;
  } else if (want(1) && verb == "restart") {
    r.op = ControlOp::Restart;
  } else if (want(1) && verb == "received") {
    r.op = ControlOp::Received;
  } else if (want(1) && verb == "clear") {
    r.op = ControlOp::Clear;
  } else if (want(1) && verb == "usersetting") {
    r.op = ControlOp::UserSetting;
  } else if (want(1) && verb == "status") {
    r.op = ControlOp::Status;
  } else if (want(1) && verb == "quit") {
    r.op = ControlOp::Quit;
  } else {
    return fail("unknown request");
  }
  return r;
}

}  // namespace emu
