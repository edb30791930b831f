// The memory-switch and customized-value pages' rules, against the setting
// command file's table that carries what they store.

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "framework/SettingsBlocks.h"
#include "plugins/customvalue/CustomValueRules.h"
#include "plugins/memswitch/MemorySwitchRules.h"
#include "printerinfo/SettingCommandFormat.h"

namespace {

std::string Characters(const CustomParamRecord& r, int switchNumber) {
  return std::string(reinterpret_cast<const char*>(r.reserved + 8 * (switchNumber - 1)), 8);
}

}  // namespace

TEST(MemorySwitchPage, EveryOfferedBitIsOneTheFileCarriesAtItsPlace) {
  // catches: a check box whose setting the file drops or puts on another bit
  std::set<std::size_t> offsets;
  std::set<int> controls;
  for (const SwitchBit& bit : SwitchBits()) {
    bool carried = false;
    for (const auto& row : setting_file::SwitchRows()) {
      if (row.number == bit.switchNumber) carried = row.sources[8 - bit.bit] == static_cast<int>(bit.offset);
    }
    EXPECT_TRUE(carried) << "switch " << int{bit.switchNumber} << " bit " << int{bit.bit};
    offsets.insert(bit.offset);
    controls.insert(bit.control);
  }
  EXPECT_EQ(offsets.size(), kSwitchBitCount);
  EXPECT_EQ(controls.size(), kSwitchBitCount);
  std::size_t fileBits = 0;
  for (const auto& row : setting_file::SwitchRows()) {
    for (int source : row.sources) fileBits += source != setting_file::kLeave ? 1 : 0;
  }
  EXPECT_EQ(fileBits, kSwitchBitCount) << "and the page offers every bit the file carries";
}

TEST(MemorySwitchPage, OnlyChangedSwitchesAreSentAndCompared) {
  // catches: every switch rewritten for one change, an unoffered bit
  // overwritten, a read-back differing in an unsent bit counted as failure
  uint8_t before[kMemorySwitchBlockSize] = {};
  uint8_t block[kMemorySwitchBlockSize] = {};
  EXPECT_FALSE(AnySwitchSent(SwitchRecordFor(block, before))) << "nothing changed";

  SetSwitch(block, SwitchBits()[1], true);   // switch 1 bit 3
  SetSwitch(block, SwitchBits()[15], true);  // switch 8 bit 8
  const CustomParamRecord sent = SwitchRecordFor(block, before);
  EXPECT_EQ(sent.selector, kMemorySwitchSelector);
  EXPECT_EQ(Characters(sent, 1), "0020010" "2");
  EXPECT_EQ(Characters(sent, 8), "1000" "2" "0" "2" "0");
  EXPECT_EQ(Characters(sent, 2), std::string(8, '\0')) << "an unchanged switch is not sent";
  EXPECT_EQ(Characters(SwitchRecordFor(block, nullptr), 5), "22222" "0" "2" "0") << "all offered switches";

  CustomParamRecord read = SwitchQuery();
  const struct {
    const char* s1;
    const char* s8;
    bool match;
  } reads[] = {
      {"00000100", "10000000", true},
      {"00100101", "10001010", true},   // bits the page does not offer differ
      {"00000000", "10000000", false},  // bit 3 of switch 1 did not take
      {"00000100", "00000000", false},
  };
  for (const auto& r : reads) {
    std::memcpy(read.reserved, r.s1, 8);
    std::memcpy(read.reserved + 56, r.s8, 8);
    EXPECT_EQ(SwitchesMatch(sent, read), r.match) << r.s1 << " " << r.s8;
  }
  uint8_t applied[kMemorySwitchBlockSize] = {};
  std::memcpy(read.reserved, "10000100", 8);
  ApplySwitchRecord(read, applied);
  EXPECT_TRUE(SwitchIsOn(applied, SwitchBits()[5])) << "switch 1 bit 8 at offset 64";
  EXPECT_TRUE(SwitchIsOn(applied, SwitchBits()[1]));
  EXPECT_FALSE(SwitchIsOn(applied, SwitchBits()[0]));
}

TEST(CustomValuePage, EveryValueIsOneTheFileCarriesAtItsPlace) {
  // catches: a value the page stores where the file does not read it
  for (const ValueItem& item : ValueItems()) {
    bool carried = false;
    for (const auto& row : setting_file::ValueRows()) {
      carried = carried || (row.number == item.number && row.block == item.block && row.offset == item.offset);
    }
    EXPECT_TRUE(carried) << int{item.number};
    EXPECT_LE(item.offset + 4, item.block == kCustomValueBlockId ? kCustomValueBlockSize : kExtraValueBlockSize);
  }
}

TEST(CustomValuePage, RecordsLimitsAndReadBack) {
  // catches: unchanged values rewritten, a typed value beyond the printer's
  // limits sent, a partial read-back taken as the printer's state
  ValueBlocks before;
  SetDefaults(before);
  EXPECT_EQ(ValueOf(before, ValueItems()[0]), 6u) << "80 mm paper by default";
  ValueBlocks now = before;
  EXPECT_EQ(ValuesSent(ValueRecordFor(now, &before)), 0u);
  SetValue(now, ValueItems()[1], 1);      // value 4
  SetValue(now, ValueItems()[4], 500);    // value 102, beyond 120
  const CustomParamRecord sent = ValueRecordFor(now, &before);
  ASSERT_EQ(ValuesSent(sent), 2u);
  EXPECT_EQ(sent.reserved[1], 4);
  EXPECT_EQ(sent.reserved[2] | sent.reserved[3] << 8, 1);
  EXPECT_EQ(sent.reserved[4], 102);
  EXPECT_EQ(sent.reserved[5] | sent.reserved[6] << 8, 120) << "clamped to the limit";
  EXPECT_EQ(ValuesSent(ValueRecordFor(now, nullptr)), kValueItemCount);

  const struct {
    int64_t typed;
    uint16_t kept;
  } limits[] = {{-5, 0}, {0, 0}, {50, 50}, {51, 50}, {70000, 50}};
  for (const auto& l : limits) EXPECT_EQ(Clamped(ValueItems()[5], l.typed), l.kept) << l.typed;

  CustomParamRecord read = ValueQuery();
  ASSERT_EQ(read.reserved[0], kValueItemCount);
  for (std::size_t i = 0; i < kValueItemCount; ++i) {
    read.reserved[2 + 3 * i] = static_cast<uint8_t>(i + 1);
  }
  EXPECT_FALSE(ValuesMatch(sent, read)) << "4 reads 2, not 1";
  read.reserved[2 + 3 * 1] = 1;
  read.reserved[2 + 3 * 4] = 120;
  EXPECT_TRUE(ValuesMatch(sent, read));
  ValueBlocks applied = before;
  ASSERT_TRUE(ApplyValueRecord(read, applied));
  EXPECT_EQ(ValueOf(applied, ValueItems()[6]), 7u);
  CustomParamRecord partial = read;
  partial.reserved[0] = 3;
  ValueBlocks untouched = before;
  EXPECT_FALSE(ApplyValueRecord(partial, untouched));
  EXPECT_EQ(std::memcmp(&untouched, &before, sizeof(before)), 0) << "nothing applied from a partial read";
}
