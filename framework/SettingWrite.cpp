#include "framework/SettingWrite.h"

#include <cstring>

int32_t RunSettingWrite(ISettingWriteSteps& steps, const CustomParamRecord& sent, const CustomParamRecord& query,
                        const RecordsMatch& matches) {
  const auto end = [&steps](int32_t result) {
    steps.Progress(100);
    return result;
  };
  steps.ClearEngineCallback();
  if (const int32_t set = steps.SetValues(sent); set != kCpeOk) return end(set);
  steps.Progress(40);
  if (const int32_t back = steps.WaitForPrinterRestart(); back != 1) return end(back);

  int32_t retries = kWriteReadBackRetries, intervalMs = kWriteReadBackIntervalMs;
  if (!steps.GetRetryParams(&retries, &intervalMs)) {
    retries = kWriteReadBackRetries;
    intervalMs = kWriteReadBackIntervalMs;
  }
  steps.Progress(80);
  const int64_t started = steps.NowMs();
  for (int32_t i = 0; i < retries; ++i) {
    CustomParamRecord read = query;
    const int32_t got = steps.GetValues(&read);
    if (got == kCpeOk) {
      const bool same = matches ? matches(sent, read) : std::memcmp(&read, &sent, sizeof(read)) == 0;
      if (!same) return end(kWriteReadBackDiffers);
      break;
    }
    steps.Progress(80 + static_cast<int32_t>(20LL * (i + 1) / retries));
    if (steps.NowMs() - started > kWriteReadBackLimitMs) return end(kWriteNoReadBack);
    // No wait after the last attempt: nothing follows it.
    if (i + 1 == retries) return end(got);
    steps.Wait(intervalMs > 0 ? intervalMs : 0);
  }
  return end(steps.StoreWorkingCopy());
}
