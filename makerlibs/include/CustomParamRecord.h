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

// Memory switches: reserved[8 * (n - 1) + k] is character k of switch n
// (1 to 8), bit 8 first: '0' off, '1' on, '2' leave unchanged. A get fills
// every switch with '0' and '1' (it needs no user-setting mode, so the
// printer does not restart); a set sends the switches that are not all '2'
// (or zero).
constexpr uint32_t kMemorySwitchSelector = 0x1000;
constexpr std::size_t kRecordSwitches = 8;

// Customized values: reserved[0] the count (up to kRecordValues), then for
// each value its number and its 16 bits, low byte first, from reserved[1]. A
// get reads the listed numbers, a set sends them.
constexpr uint32_t kCustomValueSelector = 0x2000;
constexpr std::size_t kRecordValues = 22;

constexpr int32_t kCpeOk = 1;
constexpr int32_t kCpeBadHandle = -1;
constexpr int32_t kCpeBadArgument = -2;
constexpr int32_t kCpeUnknownSelector = -3;
constexpr int32_t kCpeNoAnswer = -4;     // the printer did not answer
constexpr int32_t kCpeOutOfRange = -5;   // an amount beyond the printer's limits
constexpr int32_t kCpeBusy = -6;         // another exchange of the same engine runs
