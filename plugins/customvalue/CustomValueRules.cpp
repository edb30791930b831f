#include "plugins/customvalue/CustomValueRules.h"

#include <algorithm>
#include <optional>

#include "framework/SettingsBlocks.h"

namespace {

uint8_t* FieldOf(ValueBlocks& blocks, const ValueItem& item) {
  return (item.block == kCustomValueBlockId ? blocks.values : blocks.extra) + item.offset;
}
const uint8_t* FieldOf(const ValueBlocks& blocks, const ValueItem& item) {
  return (item.block == kCustomValueBlockId ? blocks.values : blocks.extra) + item.offset;
}

std::optional<uint16_t> RecordValue(const CustomParamRecord& record, uint8_t number) {
  const std::size_t count = std::min<std::size_t>(record.reserved[0], kRecordValues);
  for (std::size_t i = 0; i < count; ++i) {
    const uint8_t* v = record.reserved + 1 + 3 * i;
    if (v[0] == number) return static_cast<uint16_t>(v[1] | v[2] << 8);
  }
  return std::nullopt;
}

void AddValue(CustomParamRecord& record, uint8_t number, uint16_t value) {
  uint8_t* v = record.reserved + 1 + 3 * record.reserved[0];
  v[0] = number;
  v[1] = static_cast<uint8_t>(value & 0xFF);
  v[2] = static_cast<uint8_t>(value >> 8);
  ++record.reserved[0];
}

CustomParamRecord EmptyRecord() {
  CustomParamRecord record = {};
  record.selector = kCustomValueSelector;
  return record;
}

}  // namespace

const std::array<ValueItem, kValueItemCount>& ValueItems() {
  static const std::array<ValueItem, kValueItemCount> items = {{
      {3, kCustomValueBlockId, 32, 0, 6, 6, 1200, true},
      {4, kCustomValueBlockId, 36, 0, 1, 0, 1201, true},
      {12, kCustomValueBlockId, 68, 0, 1, 0, 1202, true},
      {101, kExtraValueBlockId, 32, 0, 10, 0, 1203, false},
      {102, kExtraValueBlockId, 36, 0, 120, 0, 1204, false},
      {103, kExtraValueBlockId, 40, 0, 50, 0, 1205, false},
      {104, kExtraValueBlockId, 44, 0, 100, 0, 1206, false},
  }};
  return items;
}

uint32_t ValueOf(const ValueBlocks& blocks, const ValueItem& item) {
  return ReadLe32(FieldOf(blocks, item));
}

void SetValue(ValueBlocks& blocks, const ValueItem& item, uint32_t value) { WriteLe32(FieldOf(blocks, item), value); }

uint16_t Clamped(const ValueItem& item, int64_t value) {
  return static_cast<uint16_t>(std::clamp<int64_t>(value, item.low, item.high));
}

void SetDefaults(ValueBlocks& blocks) {
  for (const ValueItem& item : ValueItems()) SetValue(blocks, item, item.fallback);
}

CustomParamRecord ValueRecordFor(const ValueBlocks& blocks, const ValueBlocks* before) {
  CustomParamRecord record = EmptyRecord();
  for (const ValueItem& item : ValueItems()) {
    const uint32_t value = ValueOf(blocks, item);
    if (before && ValueOf(*before, item) == value) continue;
    AddValue(record, item.number, Clamped(item, value));
  }
  return record;
}

std::size_t ValuesSent(const CustomParamRecord& record) { return record.reserved[0]; }

CustomParamRecord ValueQuery() {
  CustomParamRecord record = EmptyRecord();
  for (const ValueItem& item : ValueItems()) AddValue(record, item.number, 0);
  return record;
}

bool ApplyValueRecord(const CustomParamRecord& read, ValueBlocks& blocks) {
  ValueBlocks result = blocks;
  for (const ValueItem& item : ValueItems()) {
    const auto value = RecordValue(read, item.number);
    if (!value) return false;
    SetValue(result, item, *value);
  }
  blocks = result;
  return true;
}

bool ValuesMatch(const CustomParamRecord& sent, const CustomParamRecord& read) {
  const std::size_t count = std::min<std::size_t>(sent.reserved[0], kRecordValues);
  for (std::size_t i = 0; i < count; ++i) {
    const uint8_t* v = sent.reserved + 1 + 3 * i;
    if (RecordValue(read, v[0]) != static_cast<uint16_t>(v[1] | v[2] << 8)) return false;
  }
  return true;
}
