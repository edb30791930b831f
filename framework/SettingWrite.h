#pragma once
// A setting page's write apart from the engine, the printer, the data store
// and the clock: send the record, wait for the printer's restart, read the
// settings back and compare, keep the working copy. No <windows.h>.

#include <cstdint>
#include <functional>

#include "makerlibs/include/CustomParamRecord.h"

// Results of the write beside the engine's and the restart wait's own.
constexpr int32_t kWriteNoPage = -5000;
constexpr int32_t kWriteNoReadBack = -64;
constexpr int32_t kWriteReadBackDiffers = -65;

// The read-back: retries and interval when the page has none of its own,
// and the time after which a silent printer counts as gone.
constexpr int32_t kWriteReadBackRetries = 30;
constexpr int32_t kWriteReadBackIntervalMs = 1000;
constexpr int64_t kWriteReadBackLimitMs = 45000;

class ISettingWriteSteps {
public:
  virtual ~ISettingWriteSteps() = default;
  // The engine's operations (1 = success).
  virtual void ClearEngineCallback() = 0;
  virtual int32_t SetValues(const CustomParamRecord& record) = 0;
  virtual int32_t GetValues(CustomParamRecord* record) = 0;
  // 1 once the printer answers again after its restart, else the failure.
  virtual int32_t WaitForPrinterRestart() = 0;
  // The page's read-back retries and interval; false when it has none.
  virtual bool GetRetryParams(int32_t* retries, int32_t* intervalMs) = 0;
  // Keeps the working copy in the data store; 1 or the store's failure.
  virtual int32_t StoreWorkingCopy() = 0;
  virtual void Progress(int32_t percent) = 0;
  // A steady clock in milliseconds, and waiting.
  virtual int64_t NowMs() = 0;
  virtual void Wait(int32_t ms) = 0;
};

// Whether what the printer reports back holds what was sent; without one,
// the two records must be equal byte for byte.
using RecordsMatch = std::function<bool(const CustomParamRecord& sent, const CustomParamRecord& read)>;

// Sends the record, waits for the printer's restart, reads back with the
// query record (filled afresh for each attempt) and compares; keeps the
// working copy only when the printer holds what was sent. Every path ends
// with progress 100.
int32_t RunSettingWrite(ISettingWriteSteps& steps, const CustomParamRecord& sent, const CustomParamRecord& query,
                        const RecordsMatch& matches = {});
