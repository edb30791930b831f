#pragma once
// The cut-position page's write apart from the engine, the printer, the data
// store and the clock: its steps in order, its progress values and results.

#include <cstdint>

#include "makerlibs/include/CustomParamRecord.h"

// Results of the write beside the engine's and the restart wait's own.
constexpr int32_t kCutNoPage = -5000;
constexpr int32_t kCutNoReadBack = -64;
constexpr int32_t kCutReadBackDiffers = -65;

// The read-back: retries and interval when the page has none of its own,
// and the time after which a silent printer counts as gone.
constexpr int32_t kCutReadBackRetries = 30;
constexpr int32_t kCutReadBackIntervalMs = 1000;
constexpr int64_t kCutReadBackLimitMs = 45000;

// The record that asks for (units 0) or sends the two cut-position amounts:
// forward for a positive adjustment, backward for a negative one.
CustomParamRecord CutPositionRecord(int32_t units = 0);

class ICutPositionWriteSteps {
public:
  virtual ~ICutPositionWriteSteps() = default;
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

// Sends the adjustment (units), waits for the printer's restart, reads the
// amounts back and compares them; keeps the working copy only when the
// printer holds what was sent. Every path ends with progress 100.
int32_t RunCutPositionWrite(ICutPositionWriteSteps& steps, int32_t units);
