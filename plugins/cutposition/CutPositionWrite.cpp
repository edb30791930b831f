#include "plugins/cutposition/CutPositionWrite.h"

#include <cstring>

CustomParamRecord CutPositionRecord(int32_t units) {
  CustomParamRecord record = {};
  record.selector = kCutPositionSelector;
  record.forward = static_cast<uint16_t>(units > 0 ? units : 0);
  record.backward = static_cast<uint16_t>(units < 0 ? -static_cast<int64_t>(units) : 0);
  return record;
}

int32_t RunCutPositionWrite(ICutPositionWriteSteps& steps, int32_t units) {
  const auto end = [&steps](int32_t result) {
    steps.Progress(100);
    return result;
  };
  steps.ClearEngineCallback();
  const CustomParamRecord written = CutPositionRecord(units);
  if (const int32_t set = steps.SetValues(written); set != kCpeOk) return end(set);
  steps.Progress(40);
  if (const int32_t back = steps.WaitForPrinterRestart(); back != 1) return end(back);

  int32_t retries = kCutReadBackRetries, intervalMs = kCutReadBackIntervalMs;
  if (!steps.GetRetryParams(&retries, &intervalMs)) {
    retries = kCutReadBackRetries;
    intervalMs = kCutReadBackIntervalMs;
  }
  steps.Progress(80);
  const int64_t started = steps.NowMs();
  for (int32_t i = 0; i < retries; ++i) {
    CustomParamRecord read = CutPositionRecord();
    const int32_t got = steps.GetValues(&read);
    if (got == kCpeOk) {
      if (std::memcmp(&read, &written, sizeof(read)) != 0) return end(kCutReadBackDiffers);
      break;
    }
    steps.Progress(80 + static_cast<int32_t>(20LL * (i + 1) / retries));
    if (steps.NowMs() - started > kCutReadBackLimitMs) return end(kCutNoReadBack);
    // No wait after the last attempt: nothing follows it.
    if (i + 1 == retries) return end(got);
    steps.Wait(intervalMs > 0 ? intervalMs : 0);
  }
  return end(steps.StoreWorkingCopy());
}
