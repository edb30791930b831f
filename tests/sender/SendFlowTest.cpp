// The run for one printer against the emulator's own engine behind a port
// of simulated time: what is sent, in which order, what is waited for, and
// every way a printer can end up skipped or failed.

#include "sender/SendFlow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <optional>

#include "emulator/PrinterEngine.h"
#include "printerinfo/PrnInfoValue.h"
#include "tests/sender/SettingFiles.h"

namespace {

using sendtest::Bytes;
using sender::OpenResult;
using sender::Verdict;

// One printer on one port, in simulated time. While it restarts it is either
// gone (the pipes: opening fails, a connection is dropped) or silent (a
// serial line, a TCP backlog: it opens, what is sent is lost, nothing
// answers).
class CFakePrinter : public sender::ISendPort, public vxproto::IByteChannel {
public:
  enum class Away { Gone, Silent };

  emu::CPrinterEngine engine;
  Away away = Away::Gone;
  uint64_t restartMs = 3000;
  bool switchedOff = false;
  bool inUse = false;
  Bytes written;  // every byte the printer was sent
  int restarts = 0;
  int opens = 0;

  CFakePrinter() { engine.PowerOn(); }

  // ISendPort
  OpenResult Open() override {
    ++opens;
    if (switchedOff) return OpenResult::Unreachable;
    if (inUse) return OpenResult::InUse;
    if (restarting_ && away == Away::Gone) return OpenResult::Unreachable;
    open_ = true;
    dropped_ = false;
    waited_ = false;
    engine.DiscardInput();
    return OpenResult::Ok;
  }
  void Close() override {
    open_ = false;
    replies_.clear();
  }
  vxproto::IByteChannel& Channel() override { return *this; }
  int32_t ModelVariant() override {
    vxproto::CPrinterTalk talk(*this, 1000);
    const auto text = talk.QueryText(117);
    if (!text) return ClassifyModelVariant(std::nullopt);
    char buffer[256] = {};
    std::copy_n(text->begin(), std::min<std::size_t>(text->size(), 255), buffer);
    return ClassifyModelVariant(ParsePrinterInfoValue(buffer));
  }
  uint64_t NowMs() override { return now_; }
  void Wait(uint32_t ms) override { Advance(ms); }

  // IByteChannel
  bool Write(const Bytes& bytes, uint32_t) override {
    if (!open_ || dropped_) return false;
    waited_ = false;
    written.insert(written.end(), bytes.begin(), bytes.end());
    if (restarting_) return true;  // heard by no one
    const Bytes out = engine.Feed(bytes);
    replies_.insert(replies_.end(), out.begin(), out.end());
    if (engine.RestartRequested()) {
      ++restarts;
      restarting_ = true;
      backAt_ = now_ + restartMs;
      if (away == Away::Gone) dropped_ = true;
    }
    return true;
  }
  int Read(uint8_t* buffer, std::size_t size, uint32_t timeoutMs) override {
    if (!open_ || dropped_) return -1;
    if (replies_.empty()) {
      // The printer answers at once or not at all: a read that finds nothing
      // lets the whole time-out pass, and the next one of the same wait ends
      // it (the talk's own deadline runs on the real clock).
      if (waited_) return -1;
      waited_ = true;
      Advance(timeoutMs);
      return 0;
    }
    const std::size_t n = std::min(size, replies_.size());
    std::copy_n(replies_.begin(), n, buffer);
    replies_.erase(replies_.begin(), replies_.begin() + static_cast<std::ptrdiff_t>(n));
    return static_cast<int>(n);
  }
  void Purge() override { replies_.clear(); }

  bool Restarting() const { return restarting_; }
  uint64_t Now() const { return now_; }

private:
  void Advance(uint64_t ms) {
    now_ += ms;
    if (restarting_ && now_ >= backAt_) {
      restarting_ = false;
      engine.PowerOn();  // nobody hears a power-on notice: no line is open to it
    }
  }

  uint64_t now_ = 0;
  uint64_t backAt_ = 0;
  bool restarting_ = false;
  bool open_ = false;
  bool dropped_ = false;
  bool waited_ = false;  // a read since the last write found nothing
  std::deque<uint8_t> replies_;
};

class CRecordedProgress : public sender::ISendProgress {
public:
  void Step(const std::string& text) override { steps.push_back(text); }
  void WaitBegins(const std::string& text) override { steps.push_back(text); }
  void Tick() override { ++ticks; }
  void WaitEnds(const std::string& text) override { steps.push_back(text); }
  // Ctrl+C after this many questions (-1: never).
  bool Interrupted() override { return stopAfter >= 0 && ++asked > stopAfter; }
  std::vector<std::string> steps;
  int ticks = 0;
  int stopAfter = -1;
  int asked = 0;
};

struct SendResult {
  sender::Outcome outcome;
  CRecordedProgress progress;
};

SendResult Send(CFakePrinter& printer, const Bytes& file, const sender::SendTimings& timings = {}) {
  setting_file::ParsedFile parsed;
  EXPECT_EQ(setting_file::CheckFile(file.data(), file.size(), &parsed), setting_file::Check::Ok);
  SendResult run;
  run.outcome = sender::SendFile(printer, file.data(), parsed, timings, run.progress);
  return run;
}

bool Contains(const Bytes& haystack, const Bytes& needle) {
  return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

const Bytes kEnter = {0x1D, 0x28, 0x45, 0x03, 0x00, 0x01, 0x49, 0x4E};

TEST(SendFlow, TheUsualFileReachesThePrinterAndReadsBack) {
  for (const auto away : {CFakePrinter::Away::Gone, CFakePrinter::Away::Silent}) {
    SCOPED_TRACE(away == CFakePrinter::Away::Gone ? "drops the line while it restarts" : "silent while it restarts");
    CFakePrinter printer;
    printer.away = away;
    const Bytes file = sendtest::File(sendtest::CommandsFrom(sendtest::UsualFields()));
    const SendResult run = Send(printer, file);
    EXPECT_EQ(run.outcome.verdict, Verdict::Ok) << run.outcome.reason;
    const auto& s = printer.engine.CurrentSettings();
    EXPECT_EQ(s.memorySwitch[1], 0x04) << "bit 3 on, the bits the file clears off";
    EXPECT_EQ(s.customized.at(3), 4);
    EXPECT_EQ(s.customized.at(101), 5);
    EXPECT_EQ(s.customized.at(116), 35);
    EXPECT_EQ(printer.restarts, 2) << "once for the settings, once after the values were read";
    EXPECT_FALSE(printer.Restarting()) << "the printer is back when the run ends";
    EXPECT_FALSE(printer.engine.InUserSettingMode());
    EXPECT_TRUE(Contains(printer.written, Bytes(file.begin() + setting_file::kHeaderSize, file.end())))
        << "the command part goes as it is in the file";
    EXPECT_GE(run.progress.ticks, 2);
    EXPECT_LE(run.progress.ticks, 12) << "a tick per try, not per poll";
  }
}

TEST(SendFlow, LogoGoesFirstAndEverythingAsInTheFile) {
  CFakePrinter printer;
  const Bytes logo = sendtest::Logo();
  const Bytes file = sendtest::File(sendtest::CommandsOf({{2, "22222210"}}, {{101, 7}}), logo);
  const SendResult run = Send(printer, file);
  EXPECT_EQ(run.outcome.verdict, Verdict::Ok) << run.outcome.reason;
  // Model name, item 117 and the serial number are asked first; then the file's data part, whole.
  const Bytes queries = {0x1D, 0x49, 0x43, 0x1D, 0x49, 0x75, 0x1D, 0x49, 0x44};
  Bytes expected = queries;
  expected.insert(expected.end(), file.begin() + setting_file::kHeaderSize, file.end());
  ASSERT_GE(printer.written.size(), expected.size());
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), printer.written.begin()))
      << "identity, logo, then the commands, byte for byte";
  EXPECT_EQ(printer.engine.CurrentSettings().memorySwitch[2], 0x02);
  EXPECT_EQ(printer.engine.CurrentSettings().customized.at(101), 7);
  EXPECT_NE(run.progress.steps.front().find("(logo 21)"), std::string::npos) << run.progress.steps.front();
}

TEST(SendFlow, AForgedLogoPartReachesNoPrinter) {
  // catches: a run that trusts a logo part's first bytes: a short length
  // makes the printer run what hides in the "image" (here the enter command),
  // a long one makes it swallow the file's own commands
  const Bytes commands = sendtest::CommandsOf({{2, "22222210"}}, {});
  for (const Bytes& logo : {Bytes{0x1D, 0x28, 0x4C, 0x02, 0x00, 0x30, 0x43, 0x1D, 0x28, 0x45, 0x03, 0x00, 0x01, 0x49, 0x4E},
                            Bytes{0x1D, 0x28, 0x4C, 0xFF, 0x00, 0x30, 0x43}}) {
    const Bytes file = sendtest::File(commands, logo);
    setting_file::ParsedFile parsed;  // as a check by the first bytes passes it
    ASSERT_TRUE(setting_file::ParseCommandPart(commands.data(), commands.size(), &parsed));
    parsed.logoKind = setting_file::LogoKind::Graphics;
    parsed.logoAt = setting_file::kHeaderSize;
    parsed.logoLength = logo.size();
    parsed.commandsAt = parsed.logoAt + logo.size();
    parsed.commandLength = commands.size();
    CFakePrinter printer;
    CRecordedProgress progress;
    EXPECT_EQ(sender::SendFile(printer, file.data(), parsed, {}, progress).verdict, Verdict::Failed);
    EXPECT_TRUE(printer.written.empty()) << "not a byte reached the printer";
  }
}

TEST(SendFlow, OnlyTheLeaveCommandFollowsAnUnansweredEnterCommand) {
  // catches: a printer that heard the enter command but did not answer it
  // left in user-setting mode, or sent the settings all the same
  CFakePrinter printer;
  printer.engine.SetSilentCommand(kEnter);
  const Bytes file = sendtest::File(sendtest::CommandsFrom(sendtest::UsualFields()));
  const SendResult run = Send(printer, file);
  EXPECT_EQ(run.outcome.verdict, Verdict::Failed);
  EXPECT_NE(run.outcome.reason.find("did not answer the enter-user-setting command"), std::string::npos);
  EXPECT_FALSE(printer.engine.InUserSettingMode());
  EXPECT_EQ(printer.engine.CurrentSettings().customized.at(101), 0) << "no setting was sent";
}

TEST(SendFlow, PrintersThatGetNothingAreSkipped) {
  const struct {
    const char* fault;
    void (*arrange)(CFakePrinter&);
    const char* reason;
  } cases[] = {
      {"switched off", [](CFakePrinter& p) { p.switchedOff = true; }, "cannot be reached"},
      {"held by another program", [](CFakePrinter& p) { p.inUse = true; }, "in use by another program"},
      {"mute", [](CFakePrinter& p) { p.engine.SetIdentity(emu::Identity::Mute); }, "does not answer"},
      {"another printer", [](CFakePrinter& p) { p.engine.SetIdentity(emu::Identity::Foreign); },
       "another printer model (LX-P90)"},
      {"the sister model", [](CFakePrinter& p) { p.engine.SetIdentity(emu::Identity::Sister); }, "not a VX-R500"},
      {"item 117 unanswered", [](CFakePrinter& p) { p.engine.SetSilentCommand({0x1D, 0x49, 0x75}); }, "does not say"},
  };
  const Bytes file = sendtest::File(sendtest::CommandsFrom(sendtest::UsualFields()));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    CFakePrinter printer;
    c.arrange(printer);
    const SendResult run = Send(printer, file);
    EXPECT_EQ(run.outcome.verdict, Verdict::Skipped);
    EXPECT_NE(run.outcome.reason.find(c.reason), std::string::npos) << run.outcome.reason;
    EXPECT_FALSE(Contains(printer.written, kEnter)) << "not a byte of the file";
    EXPECT_LE(printer.Now(), 10000u) << "given up within bounds";
  }
  CFakePrinter busy;
  busy.inUse = true;
  (void)Send(busy, file);
  EXPECT_EQ(busy.opens, 4) << "a port in use is asked again a few times";
}

TEST(SendFlow, ReadBackThatDiffersFails) {
  const struct {
    const char* fault;
    Bytes commands;
    void (*arrange)(CFakePrinter&);
    const char* reason;
  } cases[] = {
      {"a value beyond the printer's limits (it keeps its own)", sendtest::CommandsOf({}, {{3, 9}}), nullptr,
       "Paper width (customized value 3) is 80 mm (the file sets 9)"},
      {"a printer that reports another value", sendtest::CommandsOf({}, {{101, 5}}),
       [](CFakePrinter& p) { p.engine.SetMisreport(true); }, "Buzzer volume (customized value 101) is 6 (the file sets 5)"},
      {"a switch the printer does not have", sendtest::CommandsOf({{9, "11111111"}}, {}), nullptr,
       "memory switch 9 could not be read back"},
      {"a value the printer does not have", sendtest::CommandsOf({}, {{200, 1}}), nullptr,
       "customized value 200 could not be read back"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    CFakePrinter printer;
    if (c.arrange) c.arrange(printer);
    const SendResult run = Send(printer, sendtest::File(c.commands));
    EXPECT_EQ(run.outcome.verdict, Verdict::Failed);
    EXPECT_NE(run.outcome.reason.find(c.reason), std::string::npos) << run.outcome.reason;
    EXPECT_FALSE(printer.engine.InUserSettingMode()) << "left in every case";
    EXPECT_FALSE(printer.Restarting());
  }
}

TEST(SendFlow, SwitchesOnlyNeedOneRestartAndBitsLeftAloneStay) {
  CFakePrinter printer;
  emu::Settings before = emu::DefaultSettings();
  before.memorySwitch[5] = 0xF0;
  printer.engine = emu::CPrinterEngine(before);
  printer.engine.PowerOn();
  const SendResult run = Send(printer, sendtest::File(sendtest::CommandsOf({{5, "22220221"}}, {})));
  EXPECT_EQ(run.outcome.verdict, Verdict::Ok) << run.outcome.reason;
  EXPECT_EQ(printer.engine.CurrentSettings().memorySwitch[5], 0xF1) << "bits marked '2' kept their state";
  EXPECT_EQ(printer.restarts, 1) << "no user-setting mode for the read-back";
}

TEST(SendFlow, APrinterThatDoesNotComeBackFailsWithinTheLimit) {
  for (const auto away : {CFakePrinter::Away::Gone, CFakePrinter::Away::Silent}) {
    CFakePrinter printer;
    printer.away = away;
    printer.restartMs = 120000;
    sender::SendTimings timings;
    timings.restart.limitMs = 10000;
    const SendResult run = Send(printer, sendtest::File(sendtest::CommandsOf({}, {{3, 4}})), timings);
    EXPECT_EQ(run.outcome.verdict, Verdict::Failed);
    EXPECT_NE(run.outcome.reason.find("did not come back within 10 s"), std::string::npos) << run.outcome.reason;
    EXPECT_LT(printer.Now(), 10000u + 3000u) << "the limit holds, give or take one try";
    EXPECT_LE(run.progress.ticks, 10);
    EXPECT_NE(run.progress.steps.back().find("not back after"), std::string::npos);
  }
}

TEST(SendFlow, CtrlCAtAnyPointLeavesNoPrinterInUserSettingMode) {
  // catches: a stop that abandons a printer in the mode (it prints nothing
  // until switched off), or that reports a finished printer as interrupted
  const Bytes file = sendtest::File(sendtest::CommandsFrom(sendtest::UsualFields()));
  setting_file::ParsedFile parsed;
  ASSERT_EQ(setting_file::CheckFile(file.data(), file.size(), &parsed), setting_file::Check::Ok);
  for (const bool check : {false, true}) {
    bool finished = false;
    for (int stopAfter = 0; !finished; ++stopAfter) {
      SCOPED_TRACE((check ? "check, stopped after " : "send, stopped after ") + std::to_string(stopAfter));
      ASSERT_LT(stopAfter, 100);
      CFakePrinter printer;
      CRecordedProgress progress;
      progress.stopAfter = stopAfter;
      const sender::Outcome o = check ? sender::CheckPrinter(printer, parsed, {}, progress)
                                      : sender::SendFile(printer, file.data(), parsed, {}, progress);
      finished = progress.asked <= stopAfter;
      EXPECT_EQ(o.verdict, finished ? (check ? Verdict::Differs : Verdict::Ok) : Verdict::Interrupted) << o.reason;
      EXPECT_FALSE(printer.engine.InUserSettingMode());
      if (stopAfter == 0) EXPECT_TRUE(printer.written.empty()) << "a printer not started hears nothing";
      if (check) EXPECT_EQ(printer.engine.CurrentSettings().customized.at(3), 6) << "a check writes nothing";
    }
  }
}

TEST(SendFlow, ABackupSentToAnotherPrinterMakesItHoldTheSameSettings) {
  CFakePrinter first;
  const Bytes usual = sendtest::File(sendtest::CommandsFrom(sendtest::UsualFields()));
  ASSERT_EQ(Send(first, usual).outcome.verdict, Verdict::Ok);
  sender::ReadBack read;
  CRecordedProgress progress;
  const sender::Outcome backup = sender::BackupPrinter(first, {}, progress, read);
  ASSERT_EQ(backup.verdict, Verdict::Ok) << backup.reason;
  EXPECT_EQ(backup.model, "VX-R500");
  EXPECT_EQ(read.switches.size(), 4u);
  EXPECT_EQ(read.values.size(), 9u);
  CFakePrinter second;
  ASSERT_EQ(Send(second, sendtest::File(sender::BackupCommandPart(read))).outcome.verdict, Verdict::Ok);
  const emu::Settings a = first.engine.CurrentSettings(), b = second.engine.CurrentSettings();
  for (const uint8_t sw : {1, 2, 5, 8}) EXPECT_EQ(a.memorySwitch[sw], b.memorySwitch[sw]) << "switch " << int{sw};
  for (const uint8_t v : {3, 4, 12, 101, 102, 103, 104, 116, 117}) {
    EXPECT_EQ(a.customized.at(v), b.customized.at(v)) << "value " << int{v};
  }
}

}  // namespace
