// The cut-position write against a scripted engine, printer and clock: the
// order of its steps, its progress values, its waits and its results.

#include "plugins/cutposition/CutPositionWrite.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Script {
  int32_t set = kCpeOk;
  int32_t restart = 1;
  // Each read-back attempt's result; the record returned on success holds
  // `readForward`/`readBackward` (or what was sent when both are -1).
  std::vector<int32_t> gets = {kCpeOk};
  int32_t readForward = -1, readBackward = -1;
  bool hasParams = true;
  int32_t retries = 30, intervalMs = 1000;
  int32_t store = 1;
  int64_t getMs = 0;  // how long one read-back attempt takes
};

class CScriptedWrite final : public ICutPositionWriteSteps {
public:
  explicit CScriptedWrite(Script s) : s_(std::move(s)) {}

  void ClearEngineCallback() override { calls += "clear "; }
  int32_t SetValues(const CustomParamRecord& record) override {
    calls += "set ";
    sent = record;
    return s_.set;
  }
  int32_t GetValues(CustomParamRecord* record) override {
    calls += "get ";
    EXPECT_EQ(record->selector, kCutPositionSelector) << "a read-back record without the selector";
    now_ += s_.getMs;
    const int32_t result = gets_ < s_.gets.size() ? s_.gets[gets_] : s_.gets.back();
    ++gets_;
    if (result == kCpeOk) {
      *record = sent;
      if (s_.readForward >= 0) record->forward = static_cast<uint16_t>(s_.readForward);
      if (s_.readBackward >= 0) record->backward = static_cast<uint16_t>(s_.readBackward);
    }
    return result;
  }
  int32_t WaitForPrinterRestart() override {
    calls += "restart ";
    return s_.restart;
  }
  bool GetRetryParams(int32_t* retries, int32_t* intervalMs) override {
    if (!s_.hasParams) return false;
    *retries = s_.retries;
    *intervalMs = s_.intervalMs;
    return true;
  }
  int32_t StoreWorkingCopy() override {
    calls += "store ";
    return s_.store;
  }
  void Progress(int32_t percent) override { progress.push_back(percent); }
  int64_t NowMs() override { return now_; }
  void Wait(int32_t ms) override {
    waits.push_back(ms);
    now_ += ms;
  }

  std::string calls;
  std::vector<int32_t> progress;
  std::vector<int32_t> waits;
  CustomParamRecord sent = {};

private:
  Script s_;
  std::size_t gets_ = 0;
  int64_t now_ = 0;
};

std::string Joined(const std::vector<int32_t>& v) {
  std::string text;
  for (int32_t x : v) text += std::to_string(x) + " ";
  return text;
}

TEST(CutPositionWrite, StepsProgressAndResults) {
  const struct {
    const char* fault;
    int32_t units;
    Script script;
    int32_t result;
    const char* calls;
    const char* progress;
    const char* waits;
  } cases[] = {
      {"a good write not kept", 89, {}, 1, "clear set restart get store ", "40 80 100 ", ""},
      {"a backward amount not kept", -21, {}, 1, "clear set restart get store ", "40 80 100 ", ""},
      {"a refused write going on to the restart wait", 89, {.set = kCpeOutOfRange}, kCpeOutOfRange,
       "clear set ", "100 ", ""},
      {"the connection lost during the restart not passed on", 89, {.restart = -60}, -60,
       "clear set restart ", "40 100 ", ""},
      {"a printer that stays away read back anyway", 89, {.restart = -64}, -64, "clear set restart ",
       "40 100 ", ""},
      {"a different value read back kept", 89, {.readForward = 88}, kCutReadBackDiffers,
       "clear set restart get ", "40 80 100 ", ""},
      {"both amounts read back taken for the value sent", -21, {.readForward = 21}, kCutReadBackDiffers,
       "clear set restart get ", "40 80 100 ", ""},
      {"two misses not retried at the interval", 89, {.gets = {kCpeNoAnswer, kCpeNoAnswer, kCpeOk}}, 1,
       "clear set restart get get get store ", "40 80 80 81 100 ", "1000 1000 "},
      {"the last miss not returned, or waited after", 89,
       {.gets = {kCpeNoAnswer, kCpeNoAnswer, kCpeBadHandle}, .retries = 3, .intervalMs = 500}, kCpeBadHandle,
       "clear set restart get get get ", "40 80 86 93 100 100 ", "500 500 "},
      {"no read-back wanted still reading", 89, {.retries = 0}, 1, "clear set restart store ", "40 80 100 ", ""},
      {"a failed store reported as success", 89, {.store = -7}, -7, "clear set restart get store ",
       "40 80 100 ", ""},
  };
  for (const auto& c : cases) {
    CScriptedWrite steps(c.script);
    EXPECT_EQ(RunCutPositionWrite(steps, c.units), c.result) << c.fault;
    EXPECT_EQ(steps.calls, c.calls) << c.fault;
    EXPECT_EQ(Joined(steps.progress), c.progress) << c.fault;
    EXPECT_EQ(Joined(steps.waits), c.waits) << c.fault;
  }
}

TEST(CutPositionWrite, TheRecordSent) {
  const struct {
    int32_t units;
    uint16_t forward, backward;
  } cases[] = {{89, 89, 0}, {-21, 0, 21}, {0, 0, 0}, {4241, 4241, 0}, {-262, 0, 262}};
  for (const auto& c : cases) {
    CScriptedWrite steps({});
    ASSERT_EQ(RunCutPositionWrite(steps, c.units), 1) << c.units;
    EXPECT_EQ(steps.sent.selector, kCutPositionSelector) << c.units;
    EXPECT_EQ(steps.sent.forward, c.forward) << c.units;
    EXPECT_EQ(steps.sent.backward, c.backward) << c.units;
    for (uint8_t b : steps.sent.reserved) ASSERT_EQ(b, 0) << c.units;
  }
}

TEST(CutPositionWrite, ReadBackLimits) {
  const struct {
    const char* fault;
    Script script;
    int32_t result;
    std::size_t attempts;
  } cases[] = {
      // 2 s an attempt and 1 s between: past 45 s after the 16th attempt.
      {"a silent printer read for longer than 45 s", {.gets = {kCpeNoAnswer}, .getMs = 2000}, kCutNoReadBack, 16},
      {"the defaults not 30 attempts 1000 ms apart", {.gets = {kCpeNoAnswer}, .hasParams = false}, kCpeNoAnswer,
       30},
      {"quick misses cut short by the limit", {.gets = {kCpeNoAnswer}, .retries = 60, .intervalMs = 1000},
       kCutNoReadBack, 47},
  };
  for (const auto& c : cases) {
    CScriptedWrite steps(c.script);
    EXPECT_EQ(RunCutPositionWrite(steps, 89), c.result) << c.fault;
    std::size_t attempts = 0;
    for (std::size_t at = steps.calls.find("get"); at != std::string::npos; at = steps.calls.find("get", at + 1)) {
      ++attempts;
    }
    EXPECT_EQ(attempts, c.attempts) << c.fault;
    // Never a wait after the attempt that ends the read-back.
    EXPECT_EQ(steps.waits.size(), attempts - 1) << c.fault;
    EXPECT_EQ(steps.progress.back(), 100) << c.fault;
  }
}

}  // namespace
