// Any byte string as a settings data file: the loader must answer with a
// result code, never crash, hang or allocate past what the input holds.
#include <cstddef>
#include <cstdint>

#include "framework/SettingsBlocks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CSettingsBlocks blocks;
  CMemoryReader reader(data, size);
  const int32_t result = LoadBlocks(reader, blocks);
  if (result == kSettingsOk) {
    // What loads must save and load again to the same blocks.
    const auto saved = SerializeDataFile(blocks, "VX-R500", 1, 1);
    CSettingsBlocks again;
    CMemoryReader reread(saved.data(), saved.size());
    if (LoadBlocks(reread, again) != kSettingsOk || again.Blocks().size() != blocks.Blocks().size()) __builtin_trap();
  } else if (!blocks.Blocks().empty()) {
    __builtin_trap();
  }
  return 0;
}
