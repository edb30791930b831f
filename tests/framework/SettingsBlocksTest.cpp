#include "framework/SettingsBlocks.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

std::vector<uint8_t> BlockData(int32_t id, int32_t version, uint32_t size, uint8_t fill) {
  std::vector<uint8_t> data(size, fill);
  std::memcpy(data.data(), "PND", 4);
  WriteLe32(&data[4], static_cast<uint32_t>(id));
  WriteLe32(&data[8], static_cast<uint32_t>(version));
  std::memset(&data[12], 0, 20);
  return data;
}

int32_t Load(const std::vector<uint8_t>& file, CSettingsBlocks& blocks) {
  CMemoryReader reader(file.data(), file.size());
  return LoadBlocks(reader, blocks);
}

TEST(SettingsBlocks, RegisterSizeRules) {
  CSettingsBlocks blocks;
  EXPECT_EQ(blocks.RegisterBlock(1, 1, 0), kBlockTooSmall);
  EXPECT_EQ(blocks.RegisterBlock(1, 1, 32), kBlockTooSmall);
  EXPECT_EQ(blocks.RegisterBlock(1, 1, -5), kBlockTooSmall);
  EXPECT_EQ(blocks.RegisterBlock(0x10011, 2, 33), kSettingsOk);
  ASSERT_EQ(blocks.Blocks().size(), 1u);
  const SettingsBlock& b = blocks.Blocks()[0];
  EXPECT_EQ(b.size, 33u);
  EXPECT_EQ(std::memcmp(b.contents.data(), "PND", 4), 0);
  EXPECT_EQ(ReadLe32(&b.contents[4]), 0x10011u);
  EXPECT_EQ(ReadLe32(&b.contents[8]), 2u);
  EXPECT_EQ(b.registered, b.contents);
}

TEST(SettingsBlocks, WriteAndReadUseTheFirstBlockOfAnId) {
  CSettingsBlocks blocks;
  ASSERT_EQ(blocks.RegisterBlock(7, 1, 64), kSettingsOk);
  ASSERT_EQ(blocks.RegisterBlock(7, 1, 64), kSettingsOk);
  auto data = BlockData(7, 1, 48, 0xAB);
  EXPECT_EQ(blocks.WriteBlock(7, 48, data.data()), kSettingsOk);
  EXPECT_EQ(ReadLe32(&data[12]), 48u);  // the size goes into the caller's header
  EXPECT_EQ(blocks.Blocks()[0].size, 48u);
  EXPECT_EQ(blocks.Blocks()[1].size, 64u);

  std::vector<uint8_t> out(100, 0);
  EXPECT_EQ(blocks.ReadBlock(7, out.data(), 100), kSettingsOk);
  EXPECT_EQ(out[47], 0xAB);
  EXPECT_EQ(out[48], 0);  // at most the entry size is copied
  std::vector<uint8_t> small(10, 0);
  EXPECT_EQ(blocks.ReadBlock(7, small.data(), 10), kSettingsOk);
  EXPECT_EQ(std::memcmp(small.data(), "PND", 4), 0);
  EXPECT_EQ(blocks.ReadBlock(8, out.data(), 100), kNoSuchBlock);
  EXPECT_EQ(blocks.WriteBlock(8, 48, data.data()), kNoSuchBlock);
  EXPECT_EQ(blocks.FindBlock(7), 0);
  EXPECT_EQ(blocks.FindBlock(8), -1);
}

TEST(SettingsBlocks, WriteLongerThanRegisteredGrowsTheBlock) {
  CSettingsBlocks blocks;
  ASSERT_EQ(blocks.RegisterBlock(7, 1, 40), kSettingsOk);
  auto data = BlockData(7, 1, 9000, 0x5C);
  EXPECT_EQ(blocks.WriteBlock(7, 9000, data.data()), kSettingsOk);
  std::vector<uint8_t> out(9000, 0);
  EXPECT_EQ(blocks.ReadBlock(7, out.data(), 9000), kSettingsOk);
  EXPECT_EQ(out[8999], 0x5C);
}

TEST(SettingsBlocks, WriteShorterThanAHeaderIsRefused) {
  CSettingsBlocks blocks;
  ASSERT_EQ(blocks.RegisterBlock(7, 1, 40), kSettingsOk);
  uint8_t tiny[8] = {};
  EXPECT_EQ(blocks.WriteBlock(7, 8, tiny), kBlockTooSmall);  // would write past the buffer
  auto header = BlockData(7, 1, 32, 0);
  EXPECT_EQ(blocks.WriteBlock(7, 32, header.data()), kBlockTooSmall);  // could not be loaded again
  EXPECT_EQ(blocks.Blocks()[0].size, 40u);
}

TEST(SettingsDataFile, RoundTripKeepsEveryBlock) {
  CSettingsBlocks blocks;
  for (int i = 0; i < 50; ++i) {
    ASSERT_EQ(blocks.RegisterBlock(0x10000 + i, i, 64 + i), kSettingsOk);
    auto data = BlockData(0x10000 + i, i, 64 + i, static_cast<uint8_t>(i));
    ASSERT_EQ(blocks.WriteBlock(0x10000 + i, 64 + i, data.data()), kSettingsOk);
  }
  const auto file = SerializeDataFile(blocks, "VX-R500", 0x10000, 0x10000);
  ASSERT_GE(file.size(), kDataFileHeaderSize);
  EXPECT_EQ(std::memcmp(file.data(), "PSD", 4), 0);
  EXPECT_EQ(ReadLe32(&file[4]), 0x10000u);
  EXPECT_EQ(ReadLe32(&file[12]), 50u);
  EXPECT_STREQ(reinterpret_cast<const char*>(&file[16]), "VX-R500 Utility");
  EXPECT_STREQ(reinterpret_cast<const char*>(&file[48]), "ORVIK");
  EXPECT_STREQ(reinterpret_cast<const char*>(&file[80]), "VX-R500");

  CSettingsBlocks loaded;
  ASSERT_EQ(Load(file, loaded), kSettingsOk);
  ASSERT_EQ(loaded.Blocks().size(), 50u);
  for (int i = 0; i < 50; ++i) {
    EXPECT_EQ(loaded.Blocks()[i].contents, blocks.Blocks()[i].contents) << i;
    EXPECT_EQ(loaded.Blocks()[i].version, i);
  }
}

TEST(SettingsDataFile, TwoBlocksWithOneIdLoadIntoTheirOwnPlaces) {
  CSettingsBlocks blocks;
  ASSERT_EQ(blocks.RegisterBlock(9, 1, 40), kSettingsOk);
  ASSERT_EQ(blocks.RegisterBlock(9, 1, 40), kSettingsOk);
  auto first = BlockData(9, 1, 40, 0x11);
  ASSERT_EQ(blocks.WriteBlock(9, 40, first.data()), kSettingsOk);
  const auto file = SerializeDataFile(blocks, "VX-R500", 1, 1);
  CSettingsBlocks loaded;
  ASSERT_EQ(Load(file, loaded), kSettingsOk);
  ASSERT_EQ(loaded.Blocks().size(), 2u);
  EXPECT_EQ(loaded.Blocks()[0].contents, blocks.Blocks()[0].contents);
  // The second one was never written: zero payload, loaded into its own place.
  EXPECT_EQ(loaded.Blocks()[1].contents[32], 0);
  EXPECT_EQ(ReadLe32(&loaded.Blocks()[1].contents[12]), 40u);  // saved with the size that follows
}

TEST(SettingsDataFile, ZeroBlocksLoadsNothing) {
  CSettingsBlocks none;
  const auto file = SerializeDataFile(none, "VX-R500", 0x10000, 0x10000);
  CSettingsBlocks loaded;
  EXPECT_EQ(Load(file, loaded), kSettingsOk);
  EXPECT_TRUE(loaded.Blocks().empty());
}

TEST(SettingsDataFile, LongModelNameIsCutToItsField) {
  CSettingsBlocks none;
  const auto file = SerializeDataFile(none, std::string(100, 'M'), 1, 1);
  ASSERT_EQ(file.size(), kDataFileHeaderSize);
  EXPECT_EQ(file[135], 'M');
}

// Damaged files: the result code, and nothing left behind.
TEST(SettingsDataFile, DamagedFilesFailAndEmptyTheList) {
  CSettingsBlocks good;
  ASSERT_EQ(good.RegisterBlock(5, 1, 48), kSettingsOk);
  const auto valid = SerializeDataFile(good, "VX-R500", 1, 1);

  auto with = [&](auto change) {
    auto file = valid;
    change(file);
    return file;
  };
  const struct {
    const char* name;
    std::vector<uint8_t> file;
    int32_t result;
  } cases[] = {
      {"empty", {}, kShortRead},
      {"short header", std::vector<uint8_t>(valid.begin(), valid.begin() + 100), kShortRead},
      {"bad file tag", with([](auto& f) { f[0] = 'X'; }), kBadTagOrSize},
      {"missing block", with([](auto& f) { WriteLe32(&f[12], 2); }), kShortRead},
      {"huge count", with([](auto& f) { WriteLe32(&f[12], 0xFFFFFFFF); }), kShortRead},
      {"bad block tag", with([](auto& f) { f[136] = 'Q'; }), kBadTagOrSize},
      {"block of 32", with([](auto& f) { WriteLe32(&f[136 + 12], 32); }), kBadTagOrSize},
      {"block of 0", with([](auto& f) { WriteLe32(&f[136 + 12], 0); }), kBadTagOrSize},
      {"huge block", with([](auto& f) { WriteLe32(&f[136 + 12], 0xFFFFFFF0); }), kShortRead},
      {"truncated payload", std::vector<uint8_t>(valid.begin(), valid.end() - 1), kShortRead},
  };
  for (const auto& c : cases) {
    CSettingsBlocks blocks;
    ASSERT_EQ(blocks.RegisterBlock(0x10001, 1, 100), kSettingsOk);  // registered before the load
    EXPECT_EQ(Load(c.file, blocks), c.result) << c.name;
    EXPECT_TRUE(blocks.Blocks().empty()) << c.name;
  }
}

}  // namespace
