#pragma once
// The record the customized-value engine reads and writes, and its results
// (1 success), apart from its entry points.

#include <cstddef>
#include <cstdint>

// 76 bytes, little-endian, zero-filled by the caller before each use.
struct CustomParamRecord {
  uint32_t selector;      // kCutPositionSelector for the cut-position amounts
  uint8_t reserved[68];
  uint16_t forward;       // customized value 116
  uint16_t backward;      // customized value 117
};
static_assert(sizeof(CustomParamRecord) == 76);
static_assert(offsetof(CustomParamRecord, forward) == 72);
static_assert(offsetof(CustomParamRecord, backward) == 74);

constexpr uint32_t kCutPositionSelector = 0x3000;

constexpr int32_t kCpeOk = 1;
constexpr int32_t kCpeBadHandle = -1;
constexpr int32_t kCpeBadArgument = -2;
constexpr int32_t kCpeUnknownSelector = -3;
constexpr int32_t kCpeNoAnswer = -4;     // the printer did not answer
constexpr int32_t kCpeOutOfRange = -5;   // an amount beyond the printer's limits
