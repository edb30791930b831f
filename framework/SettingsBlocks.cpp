#include "framework/SettingsBlocks.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

const uint8_t kBlockTag[4] = {'P', 'N', 'D', 0};
const uint8_t kFileTag[4] = {'P', 'S', 'D', 0};
constexpr std::size_t kGrowthStep = 4096;

void Reserve(std::vector<uint8_t>& stream, std::size_t size) {
  const std::size_t rounded = (size + kGrowthStep - 1) / kGrowthStep * kGrowthStep;
  if (stream.capacity() < rounded) stream.reserve(rounded);
}

bool ReadExactly(IByteReader& reader, uint8_t* buffer, std::size_t size) {
  std::size_t got = 0;
  return reader.Read(buffer, size, got) && got == size;
}

void CopyAsciiField(uint8_t* field, std::size_t width, const std::string& text) {
  std::memcpy(field, text.data(), std::min(width, text.size()));
}

}  // namespace

uint32_t ReadLe32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

void WriteLe32(uint8_t* p, uint32_t value) {
  p[0] = static_cast<uint8_t>(value);
  p[1] = static_cast<uint8_t>(value >> 8);
  p[2] = static_cast<uint8_t>(value >> 16);
  p[3] = static_cast<uint8_t>(value >> 24);
}

int32_t CSettingsBlocks::RegisterBlock(int32_t id, int32_t version, int64_t size) {
  if (size <= static_cast<int64_t>(kBlockHeaderSize) || size > UINT32_MAX) return kBlockTooSmall;
  try {
    SettingsBlock block;
    block.pluginId = id;
    block.version = version;
    block.size = static_cast<uint32_t>(size);
    Reserve(block.contents, block.size);
    block.contents.assign(block.size, 0);
    std::memcpy(block.contents.data(), kBlockTag, 4);
    WriteLe32(block.contents.data() + 4, static_cast<uint32_t>(id));
    WriteLe32(block.contents.data() + 8, static_cast<uint32_t>(version));
    block.registered = block.contents;
    blocks_.push_back(std::move(block));
    return kSettingsOk;
  } catch (const std::bad_alloc&) {
    return kOutOfMemory;
  }
}

int32_t CSettingsBlocks::FindBlock(int32_t id) const {
  for (std::size_t i = 0; i < blocks_.size(); ++i) {
    if (blocks_[i].pluginId == id) return static_cast<int32_t>(i);
  }
  return -1;
}

int32_t CSettingsBlocks::WriteBlock(int32_t id, uint32_t size, uint8_t* data) {
  const int32_t index = FindBlock(id);
  if (index < 0) return kNoSuchBlock;
  return WriteBlockAt(static_cast<std::size_t>(index), size, data);
}

int32_t CSettingsBlocks::WriteBlockAt(std::size_t index, uint32_t size, uint8_t* data) {
  if (index >= blocks_.size()) return kNoSuchBlock;
  SettingsBlock& block = blocks_[index];
  if (block.contents.empty()) return kSettingsOk;
  // The size goes into the caller's header, so a shorter buffer would be
  // written past its end; and a block without payload could not be loaded
  // again from the saved file.
  if (!data || size <= kBlockHeaderSize) return kBlockTooSmall;
  try {
    WriteLe32(data + 12, size);
    Reserve(block.contents, size);
    if (block.contents.size() < size) block.contents.resize(size);
    std::memcpy(block.contents.data(), data, size);
    block.size = size;
    return kSettingsOk;
  } catch (const std::bad_alloc&) {
    return kOutOfMemory;
  }
}

int32_t CSettingsBlocks::ReadBlock(int32_t id, uint8_t* buffer, uint32_t length) const {
  const int32_t index = FindBlock(id);
  if (index < 0) return kNoSuchBlock;
  const SettingsBlock& block = blocks_[index];
  const std::size_t n = std::min<std::size_t>({length, block.size, block.contents.size()});
  if (n && buffer) std::memcpy(buffer, block.contents.data(), n);
  return kSettingsOk;
}

void CSettingsBlocks::RemoveBlock(std::size_t index) {
  if (index < blocks_.size()) blocks_.erase(blocks_.begin() + static_cast<std::ptrdiff_t>(index));
}

bool CMemoryReader::Read(uint8_t* buffer, std::size_t size, std::size_t& got) {
  got = std::min(size, size_ - pos_);
  if (got) std::memcpy(buffer, data_ + pos_, got);
  pos_ += got;
  return true;
}

namespace {

int32_t LoadBlocksOrFail(IByteReader& reader, CSettingsBlocks& blocks) {
  uint8_t header[kDataFileHeaderSize];
  if (!ReadExactly(reader, header, sizeof(header))) return kShortRead;
  if (std::memcmp(header, kFileTag, 4) != 0) return kBadTagOrSize;
  const uint32_t count = ReadLe32(header + 12);
  for (uint32_t i = 0; i < count; ++i) {
    uint8_t blockHeader[kBlockHeaderSize];
    if (!ReadExactly(reader, blockHeader, sizeof(blockHeader))) return kShortRead;
    const uint32_t size = ReadLe32(blockHeader + 12);
    if (std::memcmp(blockHeader, kBlockTag, 4) != 0 || size <= kBlockHeaderSize) return kBadTagOrSize;
    // Never allocate for bytes the file does not have.
    if (size - kBlockHeaderSize > reader.Remaining()) return kShortRead;
    std::vector<uint8_t> data;
    try {
      data.resize(size);
    } catch (const std::bad_alloc&) {
      return kOutOfMemory;
    }
    std::memcpy(data.data(), blockHeader, kBlockHeaderSize);
    if (!ReadExactly(reader, data.data() + kBlockHeaderSize, size - kBlockHeaderSize)) return kShortRead;
    const int32_t id = static_cast<int32_t>(ReadLe32(blockHeader + 4));
    const int32_t version = static_cast<int32_t>(ReadLe32(blockHeader + 8));
    const int32_t registered = blocks.RegisterBlock(id, version, size);
    if (registered != kSettingsOk) return registered;
    const std::size_t last = blocks.Blocks().size() - 1;
    if (blocks.WriteBlockAt(last, size, data.data()) != kSettingsOk) {
      blocks.RemoveBlock(last);
      return kBadTagOrSize;
    }
  }
  return kSettingsOk;
}

}  // namespace

int32_t LoadBlocks(IByteReader& reader, CSettingsBlocks& blocks) {
  int32_t result;
  try {
    result = LoadBlocksOrFail(reader, blocks);
  } catch (...) {
    result = kOutOfMemory;
  }
  if (result != kSettingsOk) blocks.RemoveAllBlocks();
  return result;
}

std::vector<uint8_t> SerializeDataFile(const CSettingsBlocks& blocks, const std::string& modelName,
                                       uint32_t version1, uint32_t version2) {
  std::vector<uint8_t> file(kDataFileHeaderSize, 0);
  std::memcpy(file.data(), kFileTag, 4);
  WriteLe32(&file[4], version1);
  WriteLe32(&file[8], version2);
  uint32_t written = 0;
  for (const SettingsBlock& block : blocks.Blocks()) {
    if (block.size == 0) continue;
    const std::size_t n = std::min<std::size_t>(block.size, block.contents.size());
    const std::size_t at = file.size();
    file.insert(file.end(), block.contents.begin(), block.contents.begin() + static_cast<std::ptrdiff_t>(n));
    // A block registered but never written still carries a zero size in its
    // header; the file must say how many bytes follow or it cannot be loaded.
    if (n >= kBlockHeaderSize) WriteLe32(&file[at + 12], static_cast<uint32_t>(n));
    ++written;
  }
  // The count is of the blocks written, so that the file always loads again.
  WriteLe32(&file[12], written);
  CopyAsciiField(&file[16], 32, "VX-R500 Utility");
  CopyAsciiField(&file[48], 32, "ORVIK");
  CopyAsciiField(&file[80], 56, modelName);
  return file;
}
