#include "emulator/PrinterEngine.h"

#include <gtest/gtest.h>

#include "emulator/ControlProtocol.h"

namespace {

using emu::Bytes;
using emu::CPrinterEngine;

Bytes Feed(CPrinterEngine& e, const Bytes& b) { return e.Feed(b); }

const Bytes kEnter = {0x1D, 0x28, 0x45, 0x03, 0x00, 0x01, 0x49, 0x4E};
const Bytes kLeave = {0x1D, 0x28, 0x45, 0x04, 0x00, 0x02, 0x4F, 0x55, 0x54};

Bytes SetValue(uint8_t a, uint16_t v) {
  return {0x1D, 0x28, 0x45, 0x04, 0x00, 0x05, a, static_cast<uint8_t>(v & 0xFF), static_cast<uint8_t>(v >> 8)};
}
Bytes ReadValue(uint8_t a) { return {0x1D, 0x28, 0x45, 0x02, 0x00, 0x06, a}; }
Bytes Text(uint8_t head, const std::string& s) {
  Bytes b = {head};
  b.insert(b.end(), s.begin(), s.end());
  b.push_back(0);
  return b;
}

// Each condition as the host sees it: the real-time bytes n = 1..4 and the
// automatic status block.
TEST(PrinterEngine, EveryConditionShowsInRealTimeAndAutomaticStatus) {
  const struct {
    const char* condition;
    std::array<uint8_t, 4> realTime;
    std::array<uint8_t, 4> block;
  } cases[] = {
      {"", {0x12, 0x12, 0x12, 0x12}, {0x10, 0, 0, 0}},                       // all clear
      {"cover", {0x1A, 0x16, 0x12, 0x12}, {0x38, 0, 0, 0}},                  // cover bit missing
      {"nearend", {0x12, 0x12, 0x12, 0x1E}, {0x10, 0, 0x03, 0}},             // near end not in sensor byte
      {"paperout", {0x1A, 0x32, 0x12, 0x72}, {0x18, 0, 0x0C, 0}},            // paper end not stopping
      {"cutter", {0x1A, 0x52, 0x1A, 0x12}, {0x18, 0x08, 0, 0}},              // cutter error lost
      {"fatal", {0x1A, 0x52, 0x32, 0x12}, {0x18, 0x20, 0, 0}},               // unrecoverable lost
      {"offline", {0x1A, 0x12, 0x12, 0x12}, {0x18, 0, 0, 0}},                // offline bit missing
      {"recoverable", {0x1A, 0x52, 0x16, 0x12}, {0x18, 0x04, 0, 0}},         // mechanical error lost
      {"autorecoverable", {0x3A, 0x52, 0x52, 0x12}, {0x18, 0x40, 0, 0}},     // auto-recoverable lost
  };
  for (const auto& c : cases) {
    CPrinterEngine e;
    e.PowerOn();
    emu::Conditions conditions;
    if (*c.condition) {
      ASSERT_TRUE(emu::ApplyCondition(conditions, c.condition, true));
    }
    e.SetConditions(conditions);
    for (uint8_t n = 1; n <= 4; ++n) {
      EXPECT_EQ(Feed(e, {0x10, 0x04, n}), Bytes{c.realTime[n - 1]}) << c.condition << " n=" << int(n);
    }
    const Bytes block(c.block.begin(), c.block.end());
    EXPECT_EQ(Feed(e, {0x1D, 0x61, 0x0F}), block) << c.condition;
  }
}

TEST(PrinterEngine, AutomaticStatusIsPushedOnlyForEnabledChanges) {
  CPrinterEngine e;
  e.PowerOn();
  emu::Conditions c;
  c.coverOpen = true;
  EXPECT_TRUE(e.SetConditions(c).empty()) << "nothing pushed before the host enables it";
  EXPECT_EQ(Feed(e, {0x1D, 0x61, 0x08}).size(), 4u) << "enabling answers the block at once";
  c.coverOpen = false;
  EXPECT_TRUE(e.SetConditions(c).empty()) << "cover is not a paper item";
  c.nearEnd = true;
  EXPECT_EQ(e.SetConditions(c), (Bytes{0x10, 0, 0x03, 0})) << "paper item enabled";
  EXPECT_TRUE(e.SetConditions(c).empty()) << "no change, no block";
  Feed(e, {0x1D, 0x61, 0x00});
  c.nearEnd = false;
  EXPECT_TRUE(e.SetConditions(c).empty()) << "turned off again";
}

TEST(PrinterEngine, IdentityDecidesNameAndItems) {
  const struct {
    emu::Identity identity;
    std::string model;
    Bytes item117;
  } cases[] = {
      {emu::Identity::Served, "VX-R200", Text(0x5F, "1")},
      {emu::Identity::Sister, "VX-R200", Text(0x5F, "0")},
      {emu::Identity::Foreign, "LX-P90", {}},
      {emu::Identity::Mute, "", {}},
  };
  for (const auto& c : cases) {
    emu::Settings s = emu::DefaultSettings();
    s.identity = c.identity;
    CPrinterEngine e(s);
    e.PowerOn();
    const Bytes name = Feed(e, {0x1D, 0x49, 67});
    EXPECT_EQ(name, c.model.empty() ? Bytes{} : Text(0x5F, c.model)) << emu::IdentityName(c.identity);
    EXPECT_EQ(Feed(e, {0x1D, 0x49, 117}), c.item117) << emu::IdentityName(c.identity);
  }
}

TEST(PrinterEngine, PrinterIdAnswersEachKind) {
  CPrinterEngine e(emu::DefaultSettings(), "SN42");
  e.PowerOn();
  EXPECT_EQ(Feed(e, {0x1D, 0x49, 1}), Bytes{0x25});
  EXPECT_EQ(Feed(e, {0x1D, 0x49, 66}), Text(0x5F, "ORVIK"));
  EXPECT_EQ(Feed(e, {0x1D, 0x49, 68}), Text(0x5F, "SN42"));
  EXPECT_EQ(Feed(e, {0x1D, 0x49, 114}), Text(0x5F, "1"));
  EXPECT_TRUE(Feed(e, {0x1D, 0x49, 200}).empty()) << "unknown item: no answer";
}

TEST(PrinterEngine, CustomizedValuesTakeEffectWhenTheModeIsLeft) {
  CPrinterEngine e;
  e.PowerOn();
  EXPECT_TRUE(Feed(e, SetValue(116, 100)).empty());
  EXPECT_TRUE(Feed(e, ReadValue(116)).empty()) << "functions 2-12 are ignored outside user-setting mode";
  EXPECT_EQ(Feed(e, kEnter), (Bytes{0x37, 0x20, 0x00}));
  Feed(e, SetValue(116, 100));
  EXPECT_EQ(Feed(e, ReadValue(116)), Text(0x37, "\x27" "116\x1F" "0")) << "not before the restart";
  Feed(e, kLeave);
  EXPECT_TRUE(e.RestartRequested());
  EXPECT_TRUE(e.TakeSettingsChanged());
  EXPECT_TRUE(Feed(e, {0x10, 0x04, 1}).empty()) << "restarting: it hears nothing";
  e.PowerOn();
  EXPECT_FALSE(e.RestartRequested());
  Feed(e, kEnter);
  EXPECT_EQ(Feed(e, ReadValue(116)), Text(0x37, "\x27" "116\x1F" "100"));
}

TEST(PrinterEngine, ValuesBeyondThePrintersLimitsAreRefused) {
  const struct {
    uint8_t number;
    uint16_t value;
    uint16_t expected;
  } cases[] = {
      {116, 4241, 4241}, {116, 4242, 0},  // forward maximum
      {117, 262, 262},   {117, 263, 0},   // backward maximum
      {5, 65530, 65530}, {5, 65529, 0},   // density -6 is the lowest
      {6, 0, 9},                          // speed starts at 1
      {250, 1, 0},                        // unknown number
  };
  for (const auto& c : cases) {
    CPrinterEngine e;
    e.PowerOn();
    Feed(e, kEnter);
    Feed(e, SetValue(c.number, c.value));
    Feed(e, kLeave);
    e.PowerOn();
    const auto& values = e.CurrentSettings().customized;
    const auto it = values.find(c.number);
    EXPECT_EQ(it == values.end() ? 0 : it->second, c.expected) << int(c.number) << "=" << c.value;
  }
}

TEST(PrinterEngine, MemorySwitchesSetAndRead) {
  CPrinterEngine e;
  e.PowerOn();
  Feed(e, kEnter);
  Bytes set = {0x1D, 0x28, 0x45, 0x0A, 0x00, 0x03, 2, '1', '0', '2', '2', '2', '2', '2', '1'};
  Feed(e, set);
  Feed(e, kLeave);
  e.PowerOn();
  EXPECT_EQ(Feed(e, {0x1D, 0x28, 0x45, 0x02, 0x00, 0x04, 2}), Text(0x37, "\x21" "10000001"));
  EXPECT_TRUE(Feed(e, {0x1D, 0x28, 0x45, 0x02, 0x00, 0x04, 9}).empty()) << "no switch 9";
}

TEST(PrinterEngine, PowerOnNoticeFollowsItsSwitch) {
  emu::Settings s = emu::DefaultSettings();
  EXPECT_TRUE(CPrinterEngine(s).PowerOn().empty());
  s.memorySwitch[emu::kPowerOnNoticeSwitch] = 1u << (emu::kPowerOnNoticeBit - 1);
  EXPECT_EQ(CPrinterEngine(s).PowerOn(), (Bytes{0x3B, 0x31, 0x00}));
}

TEST(PrinterEngine, SplitTruncatedAndOversizedCommandsDoNotDerail) {
  CPrinterEngine e;
  e.PowerOn();
  EXPECT_TRUE(Feed(e, {0x10}).empty()) << "half a command waits";
  EXPECT_EQ(Feed(e, {0x04, 0x01}), Bytes{0x12});
  EXPECT_TRUE(Feed(e, {0x1D, 0x28, 0x45, 0xFF, 0xFF}).empty()) << "an impossible length is skipped";
  EXPECT_EQ(Feed(e, {0x10, 0x04, 0x01}), Bytes{0x12}) << "and the stream goes on";
  EXPECT_EQ(Feed(e, {'h', 'e', 'l', 'l', 'o', 0x10, 0x04, 0x02}), Bytes{0x12}) << "print data is passed over";
  EXPECT_EQ(Feed(e, {0x10, 0x05, 0x02, 0x10, 0x04, 0x01}), Bytes{0x12});
}

TEST(PrinterEngine, RecoveryRequestClearsRecoverableErrors) {
  CPrinterEngine e;
  e.PowerOn();
  emu::Conditions c;
  c.recoverable = true;
  c.cutterError = true;
  e.SetConditions(c);
  Feed(e, {0x1D, 0x61, 0x0F});
  EXPECT_EQ(Feed(e, {0x10, 0x05, 0x02}), (Bytes{0x10, 0, 0, 0})) << "the block reports the recovery";
  EXPECT_FALSE(e.CurrentConditions().recoverable);
}

TEST(SettingsText, RoundTripsAndSurvivesDamage) {
  emu::Settings s = emu::DefaultSettings();
  s.identity = emu::Identity::Sister;
  s.memorySwitch[3] = 0xA5;
  s.customized[116] = 1234;
  EXPECT_EQ(emu::SettingsFromText(emu::SettingsToText(s)), s);

  const struct {
    const char* text;
    const char* fault;
  } damaged[] = {
      {"cv116=99999\n", "value beyond 16 bits"},
      {"cv116=4242\n", "beyond the printer's limit"},
      {"msw9=1\nmsw0=1\n", "no such switch"},
      {"identity=printer\n", "unknown identity"},
      {"cv116\n=5\n\x01\x02", "no value, garbage"},
      {"cv116=12a\n", "not a number"},
  };
  for (const auto& d : damaged) EXPECT_EQ(emu::SettingsFromText(d.text), emu::DefaultSettings()) << d.fault;
  EXPECT_EQ(emu::SettingsFromText("cv116=7\r\n").customized.at(116), 7) << "CR LF line ends";
}

TEST(ControlProtocol, ParsesRequestsAndRefusesTheRest) {
  const struct {
    const char* line;
    bool ok;
  } cases[] = {
      {"condition cover on", true},  {"condition cover", false},     {"condition lid on", false},
      {"condition cover maybe", false}, {"noanswer off", true},      {"latency 250", true},
      {"latency -1", false},         {"latency 9999999", false},     {"restarttime 0", true},
      {"identity sister", true},     {"identity printer", false},    {"cv 116", true},
      {"cv 300", false},             {"drop", true},                 {"drop now", false},
      {"dropmidreply", true},        {"received", true},             {"clear", true},
      {"status", true},              {"quit", true},                 {"", false},
      {"jump", false},
  };
  for (const auto& c : cases) EXPECT_EQ(emu::ParseControlLine(c.line).has_value(), c.ok) << c.line;
  EXPECT_FALSE(emu::ParseControlLine(std::string(300, 'a')).has_value()) << "oversized line";
  auto r = emu::ParseControlLine("  condition   paperout   on ");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->name, "paperout");
  EXPECT_TRUE(r->on);
}

TEST(Hex, RoundTripsAndRefusesOddInput) {
  const Bytes b = {0x00, 0x1D, 0xFF};
  EXPECT_EQ(emu::ToHex(b.data(), b.size()), "00 1D FF");
  EXPECT_EQ(emu::FromHex("00 1d FF"), b);
  EXPECT_FALSE(emu::FromHex("0 1"));
  EXPECT_FALSE(emu::FromHex("zz"));
}

}  // namespace

namespace {

TEST(PrinterEngine, NewHostIsNotSwallowedByTheLastHostsUnfinishedCommand) {
  // catches: a host that hung up in the middle of a command leaving the
  // printer mute for the next one
  CPrinterEngine e;
  e.PowerOn();
  EXPECT_TRUE(Feed(e, {0x1D, 0x28, 0x45, 0x10, 0x00}).empty()) << "half a user-setting command";
  e.DiscardInput();
  EXPECT_EQ(Feed(e, {0x1D, 0x49, 1}), Bytes{0x25});
}

}  // namespace

namespace {

TEST(PrinterEngine, SilentCommandGoesUnansweredAndTheRestIsAnswered) {
  // catches: a printer that can only be wholly mute, so "answers the name
  // but never the device ID" cannot be met
  CPrinterEngine e;
  e.PowerOn();
  e.SetSilentCommand({0x1D, 0x49, 0x01});
  EXPECT_TRUE(Feed(e, {0x1D, 0x49, 1}).empty());
  EXPECT_EQ(Feed(e, {0x1D, 0x49, 67}), Text(0x5F, "VX-R200")) << "the name still answers";
  EXPECT_EQ(Feed(e, {0x1D, 0x49, 2, 0x1D, 0x49, 1, 0x1D, 0x49, 3}).size(), 2u) << "only the silent one of three";
  e.SetSilentCommand({});
  EXPECT_EQ(Feed(e, {0x1D, 0x49, 1}), Bytes{0x25});
}

TEST(PrinterEngine, InformationItemApartFromTheIdentity) {
  // catches: item 114 tied to the identity, or an override lost at a
  // restart or an identity change
  CPrinterEngine e;
  e.PowerOn();
  e.SetInfoItem(114, "0");
  EXPECT_EQ(Feed(e, {0x1D, 0x49, 114}), Text(0x5F, "0"));
  EXPECT_EQ(Feed(e, {0x1D, 0x49, 117}), Text(0x5F, "1")) << "still the served model";
  e.PowerOn();
  e.SetIdentity(emu::Identity::Sister);
  e.SetIdentity(emu::Identity::Served);
  EXPECT_EQ(Feed(e, {0x1D, 0x49, 114}), Text(0x5F, "0"));
  e.SetInfoItem(114, std::nullopt);
  EXPECT_EQ(Feed(e, {0x1D, 0x49, 114}), Text(0x5F, "1"));
}

TEST(PrinterEngine, MisreportingPrinterReadsBackAnotherValue) {
  // catches: no way to emulate a printer whose read-back differs from what it took
  CPrinterEngine e;
  e.PowerOn();
  Feed(e, kEnter);
  const Bytes read116 = {0x1D, 0x28, 0x45, 0x02, 0x00, 0x06, 116};
  EXPECT_EQ(Feed(e, read116), Text(0x37, "\x27" "116\x1F" "0"));
  e.SetMisreport(true);
  EXPECT_EQ(Feed(e, read116), Text(0x37, "\x27" "116\x1F" "1"));
  e.SetMisreport(false);
  EXPECT_EQ(Feed(e, read116), Text(0x37, "\x27" "116\x1F" "0"));
}

TEST(ControlProtocol, SilentAndItemRequests) {
  const struct {
    const char* line;
    bool ok;
  } cases[] = {{"silent 1D 49 01", true}, {"silent 1d4901", true}, {"silent off", true}, {"silent", false},
               {"silent 1D 4", false},     {"silent zz", false},    {"item 114 0", true},  {"item 114 off", true},
               {"item 95 1", false},       {"item 114", false},     {"item 999 1", false},
               {"misreport on", true},     {"misreport off", true}, {"misreport", false},  {"misreport 1", false}};
  for (const auto& c : cases) {
    std::string error;
    EXPECT_EQ(emu::ParseControlLine(c.line, &error).has_value(), c.ok) << c.line << ": " << error;
  }
  const auto silent = emu::ParseControlLine("silent 1D 49 01");
  ASSERT_TRUE(silent);
  EXPECT_EQ(silent->bytes, (Bytes{0x1D, 0x49, 0x01}));
  const auto item = emu::ParseControlLine("item 114 0");
  ASSERT_TRUE(item);
  EXPECT_EQ(item->number, 114u);
  EXPECT_TRUE(item->on);
  EXPECT_EQ(item->name, "0");
  EXPECT_FALSE(emu::ParseControlLine("item 114 off")->on);
}

}  // namespace

// A logo definition's image bytes may look like any command; the printer
// takes them as image data and answers only what follows the definition.
TEST(PrinterEngine, LogoDefinitionsAreTakenWholeAsData) {
  // Image bytes that would be a status request, an enter command and an
  // identity query if they were read as commands.
  const Bytes image = {0x10, 0x04, 0x01, 0x1D, 0x28, 0x45, 0x03, 0x00, 0x01, 0x49, 0x4E, 0x1D, 0x49, 0x43};
  const auto graphics = [&image](bool wide) {
    Bytes b = wide ? Bytes{0x1D, 0x38, 0x4C, static_cast<uint8_t>(image.size()), 0, 0, 0}
                   : Bytes{0x1D, 0x28, 0x4C, static_cast<uint8_t>(image.size()), 0};
    b.insert(b.end(), image.begin(), image.end());
    return b;
  };
  // 1C 71, two images of 1 x 1 (8 bytes each) and 2 x 1 (16 bytes).
  Bytes bitImages = {0x1C, 0x71, 2, 1, 0, 1, 0};
  bitImages.insert(bitImages.end(), image.begin(), image.begin() + 8);
  bitImages.insert(bitImages.end(), {2, 0, 1, 0});
  bitImages.insert(bitImages.end(), image.begin(), image.end());
  bitImages.insert(bitImages.end(), {0x10, 0x04});
  const struct {
    const char* name;
    Bytes logo;
  } cases[] = {
      {"graphics, 16-bit length (1D 28 4C)", graphics(false)},
      {"graphics, 32-bit length (1D 38 4C)", graphics(true)},
      {"NV bit images (1C 71)", bitImages},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CPrinterEngine e;
    e.PowerOn();
    EXPECT_TRUE(Feed(e, c.logo).empty()) << "image bytes answered as commands";
    EXPECT_FALSE(e.InUserSettingMode());
    EXPECT_EQ(Feed(e, kEnter), (Bytes{0x37, 0x20, 0x00})) << "the command after the logo";
    // The same logo in pieces of one byte.
    CPrinterEngine bytewise;
    bytewise.PowerOn();
    for (uint8_t b : c.logo) EXPECT_TRUE(Feed(bytewise, {b}).empty());
    EXPECT_EQ(Feed(bytewise, kEnter), (Bytes{0x37, 0x20, 0x00}));
  }
  CPrinterEngine cut;
  cut.PowerOn();
  Feed(cut, {0x1D, 0x28, 0x4C, 0x40, 0x00, 1, 2, 3});
  cut.DiscardInput();
  EXPECT_EQ(Feed(cut, {0x10, 0x04, 0x01}), Bytes{0x12}) << "a new host is not taken for the rest of a cut logo";
}

TEST(ControlProtocol, MemorySwitchRequest) {
  const struct {
    const char* line;
    bool ok;
  } cases[] = {
      {"msw 1", true}, {"msw 8", true}, {"msw 0", false}, {"msw 9", false}, {"msw", false}, {"msw 1 2", false},
      {"msw x", false},
  };
  for (const auto& c : cases) EXPECT_EQ(emu::ParseControlLine(c.line).has_value(), c.ok) << c.line;
  const auto r = emu::ParseControlLine("msw 5");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->op, emu::ControlOp::MemorySwitch);
  EXPECT_EQ(r->number, 5u);
}

TEST(PrinterEngine, TransmitStatusAnswersPaperAndDrawer) {
  // catches: a receipt client's paper-status request left unanswered
  const struct {
    const char* condition;
    uint8_t n;
    emu::Bytes answer;
  } cases[] = {
      {nullptr, 1, {0x00}},       {"nearend", 1, {0x03}}, {"paperout", 1, {0x0C}},
      {nullptr, 49, {0x00}},      {nullptr, 2, {0x00}},   {nullptr, 50, {0x00}},
      {nullptr, 7, {}},
  };
  for (const auto& c : cases) {
    emu::CPrinterEngine printer;
    (void)printer.PowerOn();
    emu::Conditions conditions;
    if (c.condition) ASSERT_TRUE(emu::ApplyCondition(conditions, c.condition, true));
    (void)printer.SetConditions(conditions);
    EXPECT_EQ(printer.Feed(emu::Bytes{0x1D, 0x72, c.n}), c.answer) << int{c.n} << " " << (c.condition ? c.condition : "");
    // Print data and a receipt's cut around it change nothing.
    EXPECT_EQ(printer.Feed(emu::Bytes{'T', 'o', 't', 'a', 'l', 0x0A, 0x1D, 0x56, 0x41, 0x00, 0x10, 0x04, 0x01}).size(), 1u);
  }
}

TEST(PrinterEngine, ImageAndOtherFunctionDataIsNeverTakenForCommands) {
  // catches: bytes inside an image or another function group's data read as
  // commands (answered, or swallowing what follows), so a receipt with a
  // picture leaves the printer confused
  const emu::Bytes inside = {0x10, 0x04, 0x01, 0x1D, 0x49, 0x43, 0x1D, 0x28, 0x45, 0x03, 0x00, 0x01, 0x49, 0x4E};
  const auto with = [&inside](emu::Bytes head) {
    head.insert(head.end(), inside.begin(), inside.end());
    return head;
  };
  const struct {
    const char* name;
    emu::Bytes command;
  } cases[] = {
      {"GS ( k (bar code)", with({0x1D, 0x28, 0x6B, static_cast<uint8_t>(inside.size()), 0x00})},
      {"GS ( A", with({0x1D, 0x28, 0x41, static_cast<uint8_t>(inside.size()), 0x00})},
      {"GS v 0 raster, 14 x 1", with({0x1D, 0x76, 0x30, 0x00, 14, 0, 1, 0})},
      {"ESC * 8-dot bit image, 14 columns", with({0x1B, 0x2A, 0x00, 14, 0})},
      {"ESC * 24-dot bit image, 14 / 3 columns", [&] {
         emu::Bytes c = with({0x1B, 0x2A, 0x21, 5, 0});
         c.push_back(0x00);  // 5 columns of 3 bytes: 15 bytes of data
         return c;
       }()},
  };
  for (const auto& c : cases) {
    emu::CPrinterEngine printer;
    (void)printer.PowerOn();
    // Fed a byte at a time, as a slow line delivers it.
    for (uint8_t b : c.command) EXPECT_TRUE(printer.Feed(&b, 1).empty()) << c.name;
    EXPECT_FALSE(printer.InUserSettingMode()) << c.name;
    EXPECT_EQ(printer.Feed(emu::Bytes{0x10, 0x04, 0x01}).size(), 1u) << c.name << ": it answers what follows";
  }
}
