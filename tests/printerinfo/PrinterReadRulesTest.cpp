// The printer read: its order, limits, messages and progress, against a
// scripted printer and a clock that moves only as the read waits or asks.

#include "printerinfo/PrinterReadRules.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "framework/SettingsBlocks.h"
#include "framework/SharedTypes.h"
#include "printerinfo/PrinterInfoBlock.h"

namespace {

class FakeSteps : public IPrinterReadSteps {
public:
  // What the printer does.
  bool library = true;
  int32_t nameAnswersAfter = 0;   // failures before the name comes; -1 never
  std::string name = "VX-R200";
  int32_t idAnswersAfter = 0;     // failures before the device ID comes; -1 never
  int32_t idOnFailure = 0;        // the value a failed device-ID attempt leaves
  int32_t idFailureCode = -3;
  int32_t variant = 24;
  int32_t information = 1;
  std::vector<int32_t> plugins;   // each loaded plug-in's read result
  int64_t secondsPerQuery = 0;    // how long a query takes

  // What the read did.
  std::vector<int32_t> progress;
  std::vector<int32_t> messages;
  std::string calls;
  int32_t nameAttempts = 0, idAttempts = 0;
  bool savingAllowed = false;
  int64_t now = 1000;

  bool HasLibrary() const override { return library; }
  int32_t GetPrinterName(char* buffer, int32_t size) override {
    now += secondsPerQuery;
    ++nameAttempts;
    if (nameAnswersAfter < 0 || nameAttempts <= nameAnswersAfter) return -3;
    std::snprintf(buffer, static_cast<std::size_t>(size), "%s", name.c_str());
    return 1;
  }
  int32_t GetDeviceId(int32_t* value) override {
    now += secondsPerQuery;
    ++idAttempts;
    if (idAnswersAfter < 0 || idAttempts <= idAnswersAfter) {
      *value = idOnFailure;
      return idFailureCode;
    }
    *value = 0x25;
    return 1;
  }
  int32_t ModelVariant() override {
    calls += "variant;";
    return variant;
  }
  int32_t ReadPrinterInformation() override {
    calls += "information;";
    return information;
  }
  std::size_t LoadedPluginCount() const override { return plugins.size(); }
  int32_t ReadPlugin(std::size_t index) override {
    calls += "plugin" + std::to_string(index) + ";";
    return plugins[index];
  }
  void Progress(int32_t percent) override { progress.push_back(percent); }
  void ShowMessage(int32_t number) override { messages.push_back(number); }
  void AllowSaving() override { savingAllowed = true; }
  int64_t NowSeconds() override { return now; }
  void Wait(int32_t ms) override { now += ms / 1000; }
};

TEST(PrinterRead, OutcomesOfTheWholeRead) {
  const int32_t normal = static_cast<int32_t>(StartMode::Normal);
  const int32_t installer = static_cast<int32_t>(StartMode::Vtd5);
  const struct {
    const char* fault;
    void (*script)(FakeSteps&);
    int32_t startMode;
    int32_t result;
    std::vector<int32_t> messages;
    std::string calls;
    std::vector<int32_t> progress;
    bool saving;
  } cases[] = {
      {"progress of a read without plug-ins", [](FakeSteps&) {}, normal, 1, {}, "variant;information;",
       {0, 50, 100, 100}, true},
      {"plug-ins not asked in order, or progress not spread over them",
       [](FakeSteps& s) { s.plugins = {1, 1}; }, normal, 1, {}, "variant;information;plugin0;plugin1;",
       {0, 25, 50, 75, 100, 100}, true},
      {"a plug-in without an answer (-64) not ending the loop",
       [](FakeSteps& s) { s.plugins = {-64, 1, 1}; }, normal, 1, {kReadMessagePartial}, "variant;information;plugin0;",
       {0, 20, 40, 60, 100}, false},
      {"a plug-in's other failure ending the loop",
       [](FakeSteps& s) { s.plugins = {0, 1}; }, normal, 1, {kReadMessagePartial},
       "variant;information;plugin0;plugin1;", {0, 25, 50, 75, 100, 100}, false},
      {"a failed information read taken as complete",
       [](FakeSteps& s) { s.information = -3; }, normal, -3, {kReadMessagePartial}, "variant;information;",
       {0, 50, 100, 100}, false},
      {"the sister model taken for the served one", [](FakeSteps& s) { s.variant = 9; }, normal, kReadStopped,
       {kReadMessageWrongDevice}, "variant;", {0, 50, 100}, false},
      {"an unknown model variant taken", [](FakeSteps& s) { s.variant = -1; }, normal, kReadStopped,
       {kReadMessageWrongDevice}, "variant;", {0, 50, 100}, false},
      {"a foreign printer asked for the model variant", [](FakeSteps& s) { s.name = "LX-P90"; }, normal,
       kReadStopped, {kReadMessageWrongDevice}, "", {0, 50, 100}, false},
      {"a family member taken outside the driver installers", [](FakeSteps& s) { s.name = "VX-R200II"; }, normal,
       kReadStopped, {kReadMessageWrongDevice}, "", {0, 50, 100}, false},
      {"a family member refused by the driver installers", [](FakeSteps& s) { s.name = "VX-R200II"; }, installer,
       1, {}, "variant;information;", {0, 50, 100, 100}, true},
      {"the library missing taken for another printer", [](FakeSteps& s) { s.library = false; }, normal,
       kReadStopped, {kReadMessageCommError}, "", {0, 50, 100}, false},
      {"a printer giving its name but no device ID taken as a communication error",
       [](FakeSteps& s) { s.idAnswersAfter = -1; }, normal, kReadStopped, {kReadMessageWrongDevice}, "",
       {0, 50, 100}, false},
      {"a failed device ID with a value taken for another printer",
       [](FakeSteps& s) {
         s.idAnswersAfter = -1;
         s.idOnFailure = 7;
       },
       normal, kReadStopped, {kReadMessageCommError}, "", {0, 50, 100}, false},
      {"a silent printer taken for another printer", [](FakeSteps& s) { s.nameAnswersAfter = -1; }, normal,
       kReadStopped, {kReadMessageCommError}, "", {0, 50, 100}, false},
  };
  for (const auto& c : cases) {
    FakeSteps steps;
    c.script(steps);
    EXPECT_EQ(RunPrinterRead(steps, c.startMode), c.result) << c.fault;
    EXPECT_EQ(steps.messages, c.messages) << c.fault;
    EXPECT_EQ(steps.calls, c.calls) << c.fault;
    EXPECT_EQ(steps.progress, c.progress) << c.fault;
    EXPECT_EQ(steps.savingAllowed, c.saving) << c.fault;
  }
}

TEST(PrinterRead, IdentityAttemptsAndTimeLimit) {
  const struct {
    const char* fault;
    void (*script)(FakeSteps&);
    int32_t code;
    int32_t nameAttempts;
    int32_t idAttempts;
    int64_t maxSeconds;  // that the read took at most
  } cases[] = {
      {"a late name not waited for", [](FakeSteps& s) { s.nameAnswersAfter = 5; }, 1, 6, 1, 5},
      {"more than 20 name attempts", [](FakeSteps& s) { s.nameAnswersAfter = -1; }, kReadNoAnswer, 20, 0, 19},
      // The device ID's last failure code is the result, not -64.
      {"more than 20 device-ID attempts", [](FakeSteps& s) { s.idAnswersAfter = -1; }, -3, 1, 20, 19},
      // 2 s per query and 1 s between: past 45 s after 16 name attempts.
      {"the time limit ignored for the name",
       [](FakeSteps& s) {
         s.nameAnswersAfter = -1;
         s.secondsPerQuery = 2;
       },
       kReadNoAnswer, 16, 0, 48},
      {"the time limit restarted for the device ID",
       [](FakeSteps& s) {
         s.nameAnswersAfter = 10;
         s.idAnswersAfter = -1;
         s.secondsPerQuery = 2;
       },
       kReadNoAnswer, 11, 5, 48},
      {"a read without the library asks the printer", [](FakeSteps& s) { s.library = false; }, kReadNoLibrary, 0, 0,
       0},
  };
  for (const auto& c : cases) {
    FakeSteps steps;
    c.script(steps);
    const int64_t started = steps.now;
    const IdentityResult identity = ReadIdentity(steps);
    EXPECT_EQ(identity.code, c.code) << c.fault;
    EXPECT_EQ(steps.nameAttempts, c.nameAttempts) << c.fault;
    EXPECT_EQ(steps.idAttempts, c.idAttempts) << c.fault;
    EXPECT_LE(steps.now - started, c.maxSeconds) << c.fault;
  }
}

TEST(PrinterRead, MessagesHaveTheirEnglishTexts) {
  EXPECT_STREQ(DefaultReadMessage(kReadMessageWrongDevice), L"The device ID does not match the connected printer.");
  EXPECT_STREQ(DefaultReadMessage(kReadMessageCommError), L"A communication error occurred.");
  EXPECT_STREQ(DefaultReadMessage(kReadMessagePartial), L"Could not get some settings from the printer.");
  EXPECT_STREQ(DefaultReadMessage(3), L"");
}

TEST(PrinterInfoBlock, DefaultsAndTexts) {
  using namespace printer_info;
  uint8_t block[kPrinterInfoBlockSize];
  std::memset(block, 0xAB, sizeof(block));
  SetPrinterInfoDefaults(block);
  EXPECT_EQ(block[0], 0xAB) << "the header is the caller's";
  EXPECT_EQ(ReadLe32(block + kValue984), 80u);
  EXPECT_EQ(ReadLe32(block + kValue988), 180u);
  EXPECT_EQ(ReadLe32(block + kReadFlag), 0u);
  for (std::size_t offset : {kText1, kModelName, kText3, kText4, kText5}) {
    EXPECT_EQ(ReadPrinterInfoText(block, offset), u"") << offset;
  }

  const struct {
    const char* fault;
    std::u16string text;
    std::u16string stored;
  } cases[] = {
      {"a short text", u"VX-R500", u"VX-R500"},
      {"a text that fills its room loses its terminator", std::u16string(89, u'x'), std::u16string(89, u'x')},
      {"a long text runs into the next field", std::u16string(200, u'y'), std::u16string(89, u'y')},
      {"a non-Latin text", u"\u30d7\u30ea\u30f3\u30bf", u"\u30d7\u30ea\u30f3\u30bf"},
  };
  for (const auto& c : cases) {
    SetPrinterInfoDefaults(block);
    WritePrinterInfoText(block, kModelName, u"previous longer text");
    WritePrinterInfoText(block, kModelName, c.text);
    EXPECT_EQ(ReadPrinterInfoText(block, kModelName), c.stored) << c.fault;
    EXPECT_EQ(ReadPrinterInfoText(block, kText3), u"") << c.fault;
    EXPECT_EQ(block[kModelName + 2 * 89], 0) << c.fault;
    EXPECT_EQ(block[kModelName + 2 * 89 + 1], 0) << c.fault;
  }
  // Offsets outside the text area change nothing.
  SetPrinterInfoDefaults(block);
  WritePrinterInfoText(block, kReadFlag, u"zz");
  WritePrinterInfoText(block, 0, u"zz");
  EXPECT_EQ(ReadLe32(block + kReadFlag), 0u);
  EXPECT_EQ(block[0], 0xAB);
}

}  // namespace
