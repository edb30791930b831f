#include "sender/SendFlow.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>

#include "framework/SharedTypes.h"
#include "printerinfo/PrinterReadRules.h"

namespace sender {

namespace {

Outcome Skip(std::string why) { return {Verdict::Skipped, std::move(why)}; }
Outcome Fail(std::string why) { return {Verdict::Failed, std::move(why)}; }
Outcome Stopped(std::string where) { return {Verdict::Interrupted, std::move(where)}; }
// Closes the port however the run ends.
class CPortCloser {
public:
  explicit CPortCloser(ISendPort& port) : port_(port) {}
  ~CPortCloser() { port_.Close(); }
  CPortCloser(const CPortCloser&) = delete;
  CPortCloser& operator=(const CPortCloser&) = delete;

private:
  ISendPort& port_;
};

std::string Seconds(uint64_t ms) {
  char text[32];
  std::snprintf(text, sizeof(text), "%.1f s", static_cast<double>(ms) / 1000.0);
  return text;
}

class CRun {
public:
  CRun(ISendPort& port, const SendTimings& timings, ISendProgress& progress)
      : port_(port), t_(timings), progress_(progress) {}

  // A port turned away as in use may be between two clients: asked again.
  OpenResult Open() {
    OpenResult r = OpenResult::InUse;
    for (uint32_t i = 0; i < std::max<uint32_t>(t_.openTries, 1); ++i) {
      if (i > 0) port_.Wait(t_.openRetryMs);
      r = port_.Open();
      if (r != OpenResult::InUse) break;
    }
    return r;
  }

  // Who answers: the model name, and for the served model's name item 117;
  // then the served model's serial number.
  std::optional<Outcome> Identify() {
    if (progress_.Interrupted()) return Stopped("not started");
    std::optional<std::string> name;
    for (uint32_t i = 0; i < std::max<uint32_t>(t_.identityTries, 1) && !name; ++i) {
      if (i > 0) {
        port_.Close();
        port_.Wait(t_.identityRetryMs);
      }
      switch (Open()) {
        case OpenResult::Ok: break;
        case OpenResult::InUse: return Skip("the port is in use by another program");
        case OpenResult::Unreachable:
          return Skip(i == 0 ? "the printer cannot be reached (switched off or not connected)"
                             : "the printer does not answer");
      }
      vxproto::CPrinterTalk talk(port_.Channel(), t_.replyMs);
      name = talk.QueryText(vxproto::kIdModelName);
    }
    // Item 117 only tells the served model from its sister: asked only of a printer with their name.
    const bool sisterName = name && IsServedModelName(*name, static_cast<int32_t>(StartMode::Normal));
    const int32_t variant = sisterName ? port_.ModelVariant() : -1;
    const ModelVerdict verdict = JudgeModel(name, variant);
    model_ = verdict == ModelVerdict::Served ? "VX-R500" : Printable(name.value_or(""));
    if (verdict != ModelVerdict::Served) return Skip(ModelSkipReason(verdict, name.value_or("")));
    vxproto::CPrinterTalk talk(port_.Channel(), t_.replyMs);
    serial_ = Printable(talk.QueryText(vxproto::kIdSerialNumber).value_or(""));
    if (progress_.Interrupted()) return Stopped("nothing was sent");
    return std::nullopt;
  }

  // After leave: the printer drops the connection and is away for its
  // restart. The connection is closed only once the printer dropped it (or
  // the time for that passed, as on a serial line, which never drops):
  // closing first could throw away the end of what was sent. Then the port
  // is opened again on the schedule until the printer answers; it is left
  // open for what follows.
  // False when the printer is not back within the limit, or the user
  // stopped the run (Interrupted()).
  bool AwaitRestart(uint64_t leftAt) {
    vxproto::IByteChannel& channel = port_.Channel();
    const uint64_t dropStart = port_.NowMs();
    uint8_t ignored[64];
    while (port_.NowMs() - dropStart < t_.dropMs) {
      if (channel.Read(ignored, sizeof(ignored), 100) < 0) break;
    }
    port_.Close();
    progress_.WaitBegins("waiting for the printer to restart");
    for (uint32_t tries = 0;; ++tries) {
      const uint64_t elapsed = port_.NowMs() - leftAt;
      const std::optional<uint64_t> at = NextTry(t_.restart, tries, elapsed);
      if (!at) {
        progress_.WaitEnds("not back after " + Seconds(elapsed));
        return false;
      }
      if (*at > elapsed) port_.Wait(static_cast<uint32_t>(*at - elapsed));
      if (progress_.Interrupted()) {
        interrupted_ = true;
        progress_.WaitEnds("interrupted");
        return false;
      }
      progress_.Tick();
      if (port_.Open() == OpenResult::Ok) {
        vxproto::CPrinterTalk probe(channel, t_.probeMs);
        if (probe.QueryText(vxproto::kIdModelName)) {
          progress_.WaitEnds("back after " + Seconds(port_.NowMs() - leftAt));
          return true;
        }
        port_.Close();
      }
    }
  }

  // Why a wait ended: the limit, or the user.
  Outcome NotBack(const char* interruptedWhere) const {
    if (interrupted_) return Stopped(interruptedWhere);
    return Fail("the printer did not come back within " + std::to_string(t_.restart.limitMs / 1000) +
                " s of its restart");
  }

  // Reads what `expected` names: switches outside user-setting mode, then
  // values inside it, leaving it on every path and waiting for the restart
  // that causes. Nothing when all were read.
  std::optional<Outcome> ReadSettings(const ExpectedSettings& expected, ReadBack& read) {
    vxproto::CPrinterTalk talk(port_.Channel(), t_.replyMs);
    for (const auto& entry : expected.switches) {
      if (progress_.Interrupted()) return Stopped("the settings were not all read");
      const auto bits = talk.ReadMemorySwitch(entry.first);
      if (!bits) return Fail("memory switch " + std::to_string(entry.first) + " could not be read back");
      read.switches[entry.first] = *bits;
    }
    if (expected.values.empty()) return std::nullopt;
    if (progress_.Interrupted()) return Stopped("the settings were not all read");
    vxproto::CUserSettingMode mode(talk);
    if (!mode.Entered()) {
      if (mode.Leave()) (void)AwaitRestart(port_.NowMs());
      return Fail("the printer did not enter user-setting mode to read its values back");
    }
    std::optional<uint8_t> unread;
    bool stopped = false;
    for (const auto& entry : expected.values) {
      if ((stopped = progress_.Interrupted())) break;
      const auto value = talk.ReadCustomizedValue(entry.first);
      if (!value) {
        unread = entry.first;
        break;
      }
      read.values[entry.first] = *value;
    }
    const bool left = mode.Leave();
    const bool back = left && AwaitRestart(port_.NowMs());
    if (stopped) return Stopped("the settings were not all read; the printer was told to leave user-setting mode");
    if (unread) return Fail("customized value " + std::to_string(*unread) + " could not be read back");
    if (!left) return Fail("the connection ended before the printer left user-setting mode");
    if (!back) return NotBack("the settings were read; the printer was not waited for after its restart");
    return std::nullopt;
  }

  // What the printer said of itself, on every outcome after it was asked.
  Outcome Stamped(Outcome outcome, double seconds) const {
    outcome.model = model_;
    outcome.serial = serial_;
    outcome.seconds = seconds;
    return outcome;
  }

private:
  ISendPort& port_;
  const SendTimings& t_;
  ISendProgress& progress_;
  std::string model_, serial_;
  bool interrupted_ = false;
};

std::string Joined(const std::vector<std::string>& parts) {
  std::string s;
  for (const auto& p : parts) s += (s.empty() ? "" : "; ") + p;
  return s;
}

Outcome Send(CRun& run, ISendPort& port, const uint8_t* file, const setting_file::ParsedFile& parsed,
             const SendTimings& timings, ISendProgress& progress) {
  // Checked here too, before the printer hears anything: the image bytes of
  // a logo whose lengths do not add up would be taken as commands, or the
  // setting commands after it as image bytes.
  const bool logoWhole =
      parsed.logoLength == 0 ? parsed.logoKind == setting_file::LogoKind::None
                             : setting_file::LogoPartKind(file + parsed.logoAt, parsed.logoLength) == parsed.logoKind;
  if (!logoWhole) return Fail("the file's logo part is not whole logo commands; nothing was sent");

  if (auto skipped = run.Identify()) return *skipped;

  // The command part begins with the enter command (CheckFile saw to it):
  // it goes alone, and the rest only after the printer's reply.
  const vxproto::Bytes enter = vxproto::EnterUserSettingCommand();
  const uint8_t* commands = file + parsed.commandsAt;
  if (parsed.commandLength <= enter.size() || std::memcmp(commands, enter.data(), enter.size()) != 0) {
    return Fail("the file's commands do not begin with the enter-user-setting command");
  }
  const vxproto::Bytes logo(file + parsed.logoAt, file + parsed.logoAt + parsed.logoLength);
  const vxproto::Bytes rest(commands + enter.size(), commands + parsed.commandLength);
  progress.Step("a VX-R500; sending " + std::to_string(parsed.logoLength + parsed.commandLength) + " bytes" +
                (logo.empty() ? std::string() : " (logo " + std::to_string(logo.size()) + ")"));

  vxproto::IByteChannel& channel = port.Channel();
  if (!logo.empty() && !channel.Write(logo, timings.writeMs)) {
    return Fail("the connection ended while the logo was sent");
  }
  vxproto::CPrinterTalk enterTalk(channel, timings.enterReplyMs + (logo.empty() ? 0 : timings.logoReplyMs));
  {
    vxproto::CUserSettingMode mode(enterTalk);
    if (!mode.Entered()) {
      // A late reply still put the printer in the mode: the leave command
      // takes it out again, and it restarts.
      const bool left = mode.Leave();
      if (left) (void)run.AwaitRestart(port.NowMs());
      return Fail(std::string("the printer did not answer the enter-user-setting command; ") +
                  (left ? "it was told to leave user-setting mode and nothing more was sent"
                        : "nothing more was sent"));
    }
    // Once the printer is in the mode the settings go whole: a Ctrl+C now
    // waits for them, and the leave command at their end.
    // The file's commands end with the leave command (CheckFile saw to it).
    if (!channel.Write(rest, timings.writeMs)) return Fail("the connection ended while the settings were sent");
    mode.LeftByCommands();
  }
  if (!run.AwaitRestart(port.NowMs())) return run.NotBack("the file was sent; the settings were not read back");

  const ExpectedSettings expected = ExpectedFrom(parsed);
  ReadBack read;
  progress.Step("reading the settings back");
  if (auto failed = run.ReadSettings(expected, read)) return *failed;
  Outcome done{Verdict::Ok, {}};
  done.differences = Differences(expected, read);
  if (!done.differences.empty()) {
    done.verdict = Verdict::Failed;
    done.reason = "the printer holds other settings than the file: " + Joined(done.differences);
  }
  return done;
}

// One printer's run of any kind: the port closed at its end, the outcome
// stamped with what the printer said of itself and the time taken.
template <class Body>
Outcome RunOn(ISendPort& port, const SendTimings& timings, ISendProgress& progress, Body body) {
  const uint64_t began = port.NowMs();
  CPortCloser closer(port);
  CRun run(port, timings, progress);
  Outcome outcome = body(run);
  return run.Stamped(std::move(outcome), static_cast<double>(port.NowMs() - began) / 1000.0);
}

}  // namespace

Outcome SendFile(ISendPort& port, const uint8_t* file, const setting_file::ParsedFile& parsed,
                 const SendTimings& timings, ISendProgress& progress) {
  return RunOn(port, timings, progress, [&](CRun& run) { return Send(run, port, file, parsed, timings, progress); });
}

Outcome CheckPrinter(ISendPort& port, const setting_file::ParsedFile& parsed, const SendTimings& timings,
                     ISendProgress& progress) {
  return RunOn(port, timings, progress, [&](CRun& run) -> Outcome {
    if (auto skipped = run.Identify()) return *skipped;
    const ExpectedSettings expected = ExpectedFrom(parsed);
    ReadBack read;
    progress.Step("a VX-R500; reading its settings");
    if (auto failed = run.ReadSettings(expected, read)) return *failed;
    Outcome outcome{Verdict::Ok, {}};
    outcome.differences = Differences(expected, read);
    if (!outcome.differences.empty()) outcome.verdict = Verdict::Differs;
    return outcome;
  });
}

Outcome BackupPrinter(ISendPort& port, const SendTimings& timings, ISendProgress& progress, ReadBack& read) {
  return RunOn(port, timings, progress, [&](CRun& run) -> Outcome {
    if (auto skipped = run.Identify()) return *skipped;
    progress.Step("a VX-R500; reading every setting a setting command file carries");
    if (auto failed = run.ReadSettings(TableSettings(), read)) return *failed;
    return {Verdict::Ok, {}};
  });
}

}  // namespace sender
