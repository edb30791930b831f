#pragma once
// The data blocks of one printer's settings and the "_Setting.DAT" file format
// that stores them. Includes no <windows.h>.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr std::size_t kBlockHeaderSize = 32;
constexpr std::size_t kDataFileHeaderSize = 136;

// Result codes of the block and file operations.
enum SettingsResult : int32_t {
  kSettingsOk = 0,
  kNoSuchBlock = -1,
  kNoDataFile = -2,
  kBadTagOrSize = -3,
  kShortRead = -4,
  kBlockTooSmall = -5,
  kOutOfMemory = -7,
};

struct SettingsBlock {
  int32_t pluginId = 0;
  int32_t version = 0;
  int32_t reserved = 0;
  uint32_t size = 0;               // bytes, header included
  std::vector<uint8_t> contents;   // current contents
  std::vector<uint8_t> registered; // contents written at registration
};

class CSettingsBlocks {
public:
  [[nodiscard]] int32_t RegisterBlock(int32_t id, int32_t version, int64_t size);
  int32_t FindBlock(int32_t id) const;
  // Stores size in the header of data (which begins with a block header)
  // and the data as the block's contents.
  [[nodiscard]] int32_t WriteBlock(int32_t id, uint32_t size, uint8_t* data);
  // The same for the block at an index (loading writes the block it just
  // registered, not an earlier one with the same id).
  [[nodiscard]] int32_t WriteBlockAt(std::size_t index, uint32_t size, uint8_t* data);
  [[nodiscard]] int32_t ReadBlock(int32_t id, uint8_t* buffer, uint32_t length) const;
  void RemoveBlock(std::size_t index);
  void RemoveAllBlocks() { blocks_.clear(); }

  const std::vector<SettingsBlock>& Blocks() const { return blocks_; }

private:
  std::vector<SettingsBlock> blocks_;
};

// Where the loader reads from: a file, or memory in tests and fuzzing.
class IByteReader {
public:
  virtual ~IByteReader() = default;
  // Reads up to size bytes; returns how many were read. false on a read error.
  virtual bool Read(uint8_t* buffer, std::size_t size, std::size_t& got) = 0;
  // Bytes left to read, as far as is known.
  virtual uint64_t Remaining() const = 0;
};

class CMemoryReader : public IByteReader {
public:
  CMemoryReader(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool Read(uint8_t* buffer, std::size_t size, std::size_t& got) override;
  uint64_t Remaining() const override { return size_ - pos_; }

private:
  const uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// Appends the blocks of a data file to `blocks`. On any failure every block
// is removed, those registered before the load included.
[[nodiscard]] int32_t LoadBlocks(IByteReader& reader, CSettingsBlocks& blocks);

// The whole data file for the blocks: header, then each block of non-zero size.
std::vector<uint8_t> SerializeDataFile(const CSettingsBlocks& blocks, const std::string& modelName,
                                       uint32_t version1, uint32_t version2);

uint32_t ReadLe32(const uint8_t* p);
void WriteLe32(uint8_t* p, uint32_t value);
