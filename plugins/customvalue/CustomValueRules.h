#pragma once
// The customized values the "Customized Values" page offers (see
// docs/printer-settings.md): their blocks, fields, limits and controls, and
// the engine's records for them. No <windows.h>.

#include <array>
#include <cstddef>
#include <cstdint>

#include "makerlibs/include/CustomParamRecord.h"

constexpr int32_t kCustomValueBlockId = 0x10005;
constexpr uint32_t kCustomValueBlockSize = 184;
constexpr int32_t kExtraValueBlockId = 0x10006;
constexpr uint32_t kExtraValueBlockSize = 52;

struct ValueItem {
  uint8_t number;
  int32_t block;       // kCustomValueBlockId or kExtraValueBlockId
  std::size_t offset;  // the 32-bit field in that block
  uint16_t low, high, fallback;
  int control;         // a list (its items carry the values) or an edit box
  bool isList;
};
constexpr std::size_t kValueItemCount = 7;
const std::array<ValueItem, kValueItemCount>& ValueItems();

// The page's two blocks, whole (header included).
struct ValueBlocks {
  uint8_t values[kCustomValueBlockSize] = {};
  uint8_t extra[kExtraValueBlockSize] = {};
};

uint32_t ValueOf(const ValueBlocks& blocks, const ValueItem& item);
void SetValue(ValueBlocks& blocks, const ValueItem& item, uint32_t value);
// A value brought within the item's limits.
uint16_t Clamped(const ValueItem& item, int64_t value);
// Every value at its default.
void SetDefaults(ValueBlocks& blocks);

// The record that sends the values that differ from before (nullptr: all);
// none differing gives a record without values.
CustomParamRecord ValueRecordFor(const ValueBlocks& blocks, const ValueBlocks* before);
std::size_t ValuesSent(const CustomParamRecord& record);
// The record asking for every offered value.
CustomParamRecord ValueQuery();
// The values of a record the printer filled, into the blocks; false when it
// does not hold every offered value.
bool ApplyValueRecord(const CustomParamRecord& read, ValueBlocks& blocks);
// Whether every value sent reads back as sent.
bool ValuesMatch(const CustomParamRecord& sent, const CustomParamRecord& read);
