#pragma once
// Setting command files for the sender's tests, made by the file format's
// own writer. No <windows.h>.

#include <cstdint>
#include <cstring>
#include <map>
#include <utility>
#include <vector>

#include "printerinfo/SettingCommandFormat.h"

namespace sendtest {

using Bytes = std::vector<uint8_t>;

// What the data store holds: 32-bit fields by block and offset.
using Fields = std::map<std::pair<int32_t, std::size_t>, uint32_t>;

// The fields of the usual test file: memory switch 1 bit 3 on (power-on
// notice), paper width 70 mm (value 3 = 4), buzzer volume 5 (value 101),
// forward cut adjustment 35 (value 116).
inline Fields UsualFields() {
  return {{{setting_file::kMemorySwitchBlock, 48}, 1},
          {{setting_file::kCustomValueBlock, 32}, 4},
          {{setting_file::kExtraValueBlock, 32}, 5},
          {{setting_file::kCutPositionBlock, 36}, 35}};
}

// The command part the utility's writer builds from those fields.
inline Bytes CommandsFrom(const Fields& fields) {
  Bytes part;
  const auto read = [&fields](int32_t id, uint8_t* buffer, uint32_t length) {
    std::memset(buffer, 0, length);
    for (const auto& [where, value] : fields) {
      if (where.first != id || where.second + 4 > length) continue;
      for (int i = 0; i < 4; ++i) buffer[where.second + i] = static_cast<uint8_t>(value >> (8 * i));
    }
    return true;
  };
  (void)setting_file::BuildCommandPart(read, part);
  return part;
}

// A command part of exactly these commands: enter, the switch commands, one
// command with the values, leave.
inline Bytes CommandsOf(const std::vector<std::pair<uint8_t, const char*>>& switches,
                         const std::vector<std::pair<uint8_t, uint16_t>>& values) {
  Bytes b = {0x1D, 0x28, 0x45, 0x03, 0x00, 0x01, 0x49, 0x4E};
  for (const auto& [n, chars] : switches) {
    b.insert(b.end(), {0x1D, 0x28, 0x45, 0x0A, 0x00, 0x03, n});
    b.insert(b.end(), chars, chars + 8);
  }
  if (!values.empty()) {
    const std::size_t length = 1 + 3 * values.size();
    b.insert(b.end(), {0x1D, 0x28, 0x45, static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8), 0x05});
    for (const auto& [a, v] : values) b.insert(b.end(), {a, static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)});
  }
  b.insert(b.end(), {0x1D, 0x28, 0x45, 0x04, 0x00, 0x02, 0x4F, 0x55, 0x54});
  return b;
}

// A small graphics logo whose image bytes look like printer commands.
inline Bytes Logo() {
  const Bytes image = {0x30, 0x43, 0x30, 0x20, 0x20, 0x01, 0x10, 0x04, 0x01, 0x1D, 0x28, 0x45, 0x02, 0x00, 0x04, 0x01};
  Bytes b;
  b.reserve(5 + image.size());
  for (const uint8_t x : {uint8_t{0x1D}, uint8_t{0x28}, uint8_t{0x4C}, static_cast<uint8_t>(image.size()), uint8_t{0}}) {
    b.push_back(x);
  }
  b.insert(b.end(), image.begin(), image.end());
  return b;
}

inline Bytes File(const Bytes& commands, const Bytes& logo = {}) {
  setting_file::HeaderText header;
  header.deviceName = "VX-R500";
  header.month = 5;
  header.day = 17;
  header.year = 2024;
  header.hour = 9;
  header.minute = 30;
  return setting_file::BuildFile(header, logo.empty() ? setting_file::LogoKind::None : setting_file::LogoKind::Graphics,
                                 logo, commands);
}

}  // namespace sendtest
