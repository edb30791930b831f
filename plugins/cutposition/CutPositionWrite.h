#pragma once
// The cut-position page's write: the framework's setting write with the
// record of the two cut-position amounts.

#include <cstdint>

#include "framework/SettingWrite.h"
#include "makerlibs/include/CustomParamRecord.h"

constexpr int32_t kCutNoPage = kWriteNoPage;
constexpr int32_t kCutNoReadBack = kWriteNoReadBack;
constexpr int32_t kCutReadBackDiffers = kWriteReadBackDiffers;
constexpr int32_t kCutReadBackRetries = kWriteReadBackRetries;
constexpr int32_t kCutReadBackIntervalMs = kWriteReadBackIntervalMs;
constexpr int64_t kCutReadBackLimitMs = kWriteReadBackLimitMs;

// The record that asks for (units 0) or sends the two cut-position amounts:
// forward for a positive adjustment, backward for a negative one.
CustomParamRecord CutPositionRecord(int32_t units = 0);

using ICutPositionWriteSteps = ISettingWriteSteps;

// Sends the adjustment (units), waits for the printer's restart, reads the
// amounts back and compares them; keeps the working copy only when the
// printer holds what was sent. Every path ends with progress 100.
int32_t RunCutPositionWrite(ICutPositionWriteSteps& steps, int32_t units);
