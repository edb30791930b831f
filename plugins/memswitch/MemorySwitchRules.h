#pragma once
// The memory switches the "Memory Switches" page offers (see
// docs/printer-settings.md): where each bit lives in the page's data block
// and in the engine's record. No <windows.h>.

#include <array>
#include <cstddef>
#include <cstdint>

#include "makerlibs/include/CustomParamRecord.h"

constexpr int32_t kMemorySwitchBlockId = 0x1000B;
constexpr uint32_t kMemorySwitchBlockSize = 256;

struct SwitchBit {
  uint8_t switchNumber;  // 1 to 8
  uint8_t bit;           // 1 to 8
  std::size_t offset;    // the 32-bit on/off field in the data block
  int control;           // the page's check box
};
constexpr std::size_t kSwitchBitCount = 16;
const std::array<SwitchBit, kSwitchBitCount>& SwitchBits();

// The record's character of a switch's bit.
constexpr std::size_t SwitchCharacterAt(uint8_t switchNumber, uint8_t bit) {
  return 8 * (switchNumber - 1u) + (8u - bit);
}

bool SwitchIsOn(const uint8_t* block, const SwitchBit& bit);
void SetSwitch(uint8_t* block, const SwitchBit& bit, bool on);

// The record that sends the offered bits of every switch with a bit that
// differs from before (nullptr: of every offered switch); the rest of each
// such switch is left unchanged and other switches are not sent. Nothing to
// send gives a record without characters (AnySwitchSent false).
CustomParamRecord SwitchRecordFor(const uint8_t* block, const uint8_t* before);
bool AnySwitchSent(const CustomParamRecord& record);
// The record asking for the switches.
CustomParamRecord SwitchQuery();
// The offered bits of a record the printer filled, into the block.
void ApplySwitchRecord(const CustomParamRecord& read, uint8_t* block);
// Whether every bit sent reads back as sent.
bool SwitchesMatch(const CustomParamRecord& sent, const CustomParamRecord& read);
