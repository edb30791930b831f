#include "plugins/memswitch/MemorySwitchRules.h"

#include "framework/SettingsBlocks.h"

const std::array<SwitchBit, kSwitchBitCount>& SwitchBits() {
  static const std::array<SwitchBit, kSwitchBitCount> bits = {{
      {1, 2, 44, 1100}, {1, 3, 48, 1101}, {1, 4, 52, 1102}, {1, 5, 56, 1103}, {1, 7, 60, 1104}, {1, 8, 64, 1105},
      {2, 2, 68, 1106}, {2, 3, 72, 1107}, {5, 1, 76, 1108}, {5, 3, 84, 1109}, {8, 1, 124, 1110}, {8, 3, 184, 1111},
      {8, 5, 188, 1112}, {8, 6, 88, 1113}, {8, 7, 80, 1114}, {8, 8, 172, 1115},
  }};
  return bits;
}

bool SwitchIsOn(const uint8_t* block, const SwitchBit& bit) { return ReadLe32(block + bit.offset) != 0; }

void SetSwitch(uint8_t* block, const SwitchBit& bit, bool on) { WriteLe32(block + bit.offset, on ? 1u : 0u); }

CustomParamRecord SwitchQuery() {
  CustomParamRecord record = {};
  record.selector = kMemorySwitchSelector;
  return record;
}

CustomParamRecord SwitchRecordFor(const uint8_t* block, const uint8_t* before) {
  CustomParamRecord record = SwitchQuery();
  std::array<bool, kRecordSwitches + 1> changed{};
  for (const SwitchBit& bit : SwitchBits()) {
    if (!before || SwitchIsOn(block, bit) != SwitchIsOn(before, bit)) changed[bit.switchNumber] = true;
  }
  for (std::size_t n = 1; n <= kRecordSwitches; ++n) {
    if (!changed[n]) continue;
    for (std::size_t k = 0; k < 8; ++k) record.reserved[8 * (n - 1) + k] = '2';
  }
  for (const SwitchBit& bit : SwitchBits()) {
    if (changed[bit.switchNumber]) {
      record.reserved[SwitchCharacterAt(bit.switchNumber, bit.bit)] = SwitchIsOn(block, bit) ? '1' : '0';
    }
  }
  return record;
}

bool AnySwitchSent(const CustomParamRecord& record) {
  for (std::size_t i = 0; i < 8 * kRecordSwitches; ++i) {
    if (record.reserved[i] == '0' || record.reserved[i] == '1') return true;
  }
  return false;
}

void ApplySwitchRecord(const CustomParamRecord& read, uint8_t* block) {
  for (const SwitchBit& bit : SwitchBits()) {
    SetSwitch(block, bit, read.reserved[SwitchCharacterAt(bit.switchNumber, bit.bit)] == '1');
  }
}

bool SwitchesMatch(const CustomParamRecord& sent, const CustomParamRecord& read) {
  for (std::size_t i = 0; i < 8 * kRecordSwitches; ++i) {
    const uint8_t c = sent.reserved[i];
    if ((c == '0' || c == '1') && read.reserved[i] != c) return false;
  }
  return true;
}
