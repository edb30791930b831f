#include "printerinfo/SettingCommandFormat.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>

namespace setting_file {

namespace {

uint32_t Le32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
void PutLe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

std::optional<std::vector<uint8_t>> FromHex(const char* text) {
  std::vector<uint8_t> bytes;
  const auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  for (const char* p = text; *p; p += 2) {
    const int high = digit(p[0]);
    const int low = p[1] ? digit(p[1]) : -1;
    if (high < 0 || low < 0) return std::nullopt;
    bytes.push_back(static_cast<uint8_t>(high << 4 | low));
  }
  return bytes;
}

// The command table, in its order: the fixed rows as they are sent, the
// others as the command's head, function and parameter; the length bytes
// and the values are added when a row is built.
constexpr char kHead[] = "1D2845";
constexpr char kEnter[] = "1D2845030001494E";
constexpr char kLeaveMode[] = "1D28450400024F5554";
constexpr char kSetSwitch[] = "03";
constexpr char kSetValue[] = "05";

// Where the bytes of one command end: 0 when the data holds no whole one.
std::size_t CommandLength(const uint8_t* p, std::size_t size) {
  if (size < 6 || p[0] != 0x1D || p[1] != 0x28 || p[2] != 0x45) return 0;
  const std::size_t length = 5 + (std::size_t{p[3]} | std::size_t{p[4]} << 8);
  return length <= size ? length : 0;
}

}  // namespace

uint32_t Crc32(const uint8_t* data, std::size_t size) {
  static const auto table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i << 24;
      for (int bit = 0; bit < 8; ++bit) c = (c & 0x80000000u) ? (c << 1) ^ 0x04C11DB7u : c << 1;
      t[i] = c;
    }
    return t;
  }();
  uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < size; ++i) crc = (crc << 8) ^ table[((crc >> 24) ^ data[i]) & 0xFF];
  return ~crc;
}

LogoKind LogoKindOf(const uint8_t* data, std::size_t size) {
  if (!data || size < 3) return LogoKind::None;
  if (data[0] == 0x1D && (data[1] == 0x28 || data[1] == 0x38) && data[2] == 0x4C) return LogoKind::Graphics;
  if (data[0] == 0x1C && data[1] == 0x71) return LogoKind::BitImage;
  return LogoKind::None;
}

LogoKind LogoPartKind(const uint8_t* data, std::size_t size) {
  if (!data || size > kMaxLogoBytes) return LogoKind::None;
  const LogoKind kind = LogoKindOf(data, size);
  if (kind == LogoKind::None) return LogoKind::None;
  // A little-endian count of `bytes` bytes at `from`, known to be in the data.
  const auto count = [data](std::size_t from, int bytes) {
    uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | data[from + static_cast<std::size_t>(i)];
    return v;
  };
  // Lengths are at most 4 + 65535 * 65535 * 8 and `at` stays within size
  // before each is added: no sum overflows.
  uint64_t at = 0;
  while (at < size) {
    const std::size_t left = size - static_cast<std::size_t>(at);
    if (LogoKindOf(data + at, left) != kind) return LogoKind::None;
    if (kind == LogoKind::Graphics) {
      const std::size_t head = data[at + 1] == 0x38 ? 7 : 5;
      if (left < head) return LogoKind::None;
      at += head + count(static_cast<std::size_t>(at) + 3, static_cast<int>(head) - 3);
      continue;
    }
    at += 3;
    for (uint8_t images = data[at - 1]; images > 0; --images) {
      if (at + 4 > size) return LogoKind::None;
      const auto from = static_cast<std::size_t>(at);
      at += 4 + count(from, 2) * count(from + 2, 2) * 8;
    }
  }
  return at == size ? kind : LogoKind::None;
}

const std::array<SwitchRow, 4>& SwitchRows() {
  static const std::array<SwitchRow, 4> rows = {{
      {1, {64, 60, kLeave, 56, 52, 48, 44, kLeave}},
      {2, {kLeave, kLeave, kLeave, kLeave, kLeave, 72, 68, kLeave}},
      {5, {kLeave, kLeave, kLeave, kLeave, kLeave, 84, kLeave, 76}},
      {8, {172, 80, 88, 188, kLeave, 184, kLeave, 124}},
  }};
  return rows;
}

const std::array<ValueRow, 9>& ValueRows() {
  static const std::array<ValueRow, 9> rows = {{
      {3, kCustomValueBlock, 32, ValueSource::Field},
      {4, kCustomValueBlock, 36, ValueSource::Field},
      {12, kCustomValueBlock, 68, ValueSource::Field},
      {101, kExtraValueBlock, 32, ValueSource::Field},
      {102, kExtraValueBlock, 36, ValueSource::Field},
      {103, kExtraValueBlock, 40, ValueSource::Field},
      {104, kExtraValueBlock, 44, ValueSource::Field},
      {116, kCutPositionBlock, 36, ValueSource::CutForward},
      {117, kCutPositionBlock, 36, ValueSource::CutBackward},
  }};
  return rows;
}

std::vector<uint8_t> CommandPartFor(const std::vector<SwitchSetting>& switches, const std::vector<ValueSetting>& values) {
  std::vector<uint8_t> built;
  const auto append = [&built](const char* hex) {
    const auto bytes = FromHex(hex);
    if (bytes) built.insert(built.end(), bytes->begin(), bytes->end());
  };
  // One command: head, pL pH (2 + the value bytes), function, parameter, values.
  const auto command = [&](const char* function, uint8_t parameter, const uint8_t* data, std::size_t size) {
    append(kHead);
    const std::size_t length = 2 + size;
    built.push_back(static_cast<uint8_t>(length & 0xFF));
    built.push_back(static_cast<uint8_t>(length >> 8));
    append(function);
    built.push_back(parameter);
    built.insert(built.end(), data, data + size);
  };
  append(kEnter);
  for (const SwitchSetting& s : switches) {
    command(kSetSwitch, s.number, reinterpret_cast<const uint8_t*>(s.characters.data()), s.characters.size());
  }
  for (const ValueSetting& v : values) {
    const uint8_t bytes[2] = {static_cast<uint8_t>(v.value & 0xFF), static_cast<uint8_t>(v.value >> 8)};
    command(kSetValue, v.number, bytes, 2);
  }
  append(kLeaveMode);
  return built;
}

int32_t BuildCommandPart(const BlockReader& read, std::vector<uint8_t>& part) {
  const auto fetch = [&read](int32_t id, uint32_t size) -> std::optional<std::vector<uint8_t>> {
    std::vector<uint8_t> block(size, 0);
    if (!read || !read(id, block.data(), size)) return std::nullopt;
    return block;
  };
  std::vector<SwitchSetting> switches;
  for (const SwitchRow& row : SwitchRows()) {
    const auto block = fetch(kMemorySwitchBlock, kMemorySwitchBlockSize);
    if (!block) return kCannotRead;
    SwitchSetting setting{row.number, {}};
    for (std::size_t c = 0; c < 8; ++c) {
      const int source = row.sources[c];
      setting.characters[c] = source == kLeave ? '2' : Le32(block->data() + source) != 0 ? '1' : '0';
    }
    switches.push_back(setting);
  }
  std::vector<ValueSetting> values;
  for (const ValueRow& row : ValueRows()) {
    const uint32_t size = row.block == kCustomValueBlock  ? kCustomValueBlockSize
                          : row.block == kExtraValueBlock ? kExtraValueBlockSize
                                                          : kCutPositionBlockSize;
    const auto block = fetch(row.block, size);
    if (!block) return kCannotRead;
    const uint32_t field = Le32(block->data() + row.offset);
    const auto adjustment = static_cast<int32_t>(field);
    uint32_t value = field;
    if (row.source == ValueSource::CutForward) value = adjustment > 0 ? field : 0;
    if (row.source == ValueSource::CutBackward) value = adjustment < 0 ? 0u - field : 0;
    values.push_back({row.number, static_cast<uint16_t>(value & 0xFFFF)});
  }
  std::vector<uint8_t> built = CommandPartFor(switches, values);
  if (built.size() > kWorkArea) return kCannotRead;
  part.insert(part.end(), built.begin(), built.end());
  return 0;
}

std::vector<uint8_t> BuildFile(const HeaderText& text, LogoKind kind, const std::vector<uint8_t>& logo,
                               const std::vector<uint8_t>& commands) {
  std::vector<uint8_t> file(kHeaderSize, 0);
  file[0] = static_cast<uint8_t>(kHeaderSize & 0xFF);
  file[1] = static_cast<uint8_t>(kHeaderSize >> 8);
  file[kVersionAt] = kVersion;
  const std::string name = text.deviceName.substr(0, kDeviceNameMaxBytes) + "\r\n";
  std::memcpy(file.data() + kDeviceNameAt, name.data(), name.size());
  std::memcpy(file.data() + kEmptyLineAt, "\r\n", 2);
  char stamp[kTimeStampField + 16] = {};
  std::snprintf(stamp, sizeof(stamp), "%02d/%02d/%04d %02d:%02d\r\n", text.month, text.day, text.year, text.hour,
                text.minute);
  std::memcpy(file.data() + kTimeStampAt, stamp, std::min(std::strlen(stamp), kTimeStampField - 1));
  const bool hasLogo = kind != LogoKind::None;
  file[kLogoKindAt] = static_cast<uint8_t>(kind);
  file[kHasCommandsAt] = commands.empty() ? 0 : 1;
  PutLe32(file.data() + kLogoLengthAt, hasLogo ? static_cast<uint32_t>(logo.size()) : 0);
  PutLe32(file.data() + kCommandLengthAt, static_cast<uint32_t>(commands.size()));
  if (hasLogo) file.insert(file.end(), logo.begin(), logo.end());
  file.insert(file.end(), commands.begin(), commands.end());
  PutLe32(file.data() + kCrcAt, Crc32(file.data() + kHeaderSize, file.size() - kHeaderSize));
  return file;
}

const char* CheckText(Check check) {
  switch (check) {
    case Check::Ok: return "the file is sound";
    case Check::TooShort: return "the file is shorter than its header";
    case Check::BadHeaderSize: return "the header does not have the size of a setting command file";
    case Check::BadVersion: return "the file has an unknown version";
    case Check::BadHeader: return "the file's header is damaged";
    case Check::LengthsDisagree: return "the file is cut short or has bytes beyond its parts";
    case Check::BadCrc: return "the file is damaged (its CRC does not match)";
    case Check::BadLogo: return "the logo part is not whole logo commands (cut short or forged)";
    case Check::NoCommands: return "the file carries no settings";
    case Check::BadCommands: return "the setting commands are not in the expected form";
  }
  return "unknown check";
}

bool ParseCommandPart(const uint8_t* data, std::size_t size, ParsedFile* parsed) {
  static const std::vector<uint8_t> enter = *FromHex(kEnter);
  static const std::vector<uint8_t> leave = *FromHex(kLeaveMode);
  if (!data || size < enter.size() + leave.size()) return false;
  if (std::memcmp(data, enter.data(), enter.size()) != 0) return false;
  if (std::memcmp(data + size - leave.size(), leave.data(), leave.size()) != 0) return false;
  std::vector<SwitchSetting> switches;
  std::vector<ValueSetting> values;
  const std::size_t end = size - leave.size();
  for (std::size_t at = enter.size(); at < end;) {
    const std::size_t length = CommandLength(data + at, end - at);
    if (length == 0) return false;
    const uint8_t* p = data + at + 5;
    const std::size_t body = length - 5;  // function and what follows
    if (p[0] == 0x03 && body >= 10 && (body - 1) % 9 == 0) {
      for (std::size_t i = 1; i < body; i += 9) {
        SwitchSetting s{p[i], {}};
        for (int c = 0; c < 8; ++c) {
          const char ch = static_cast<char>(p[i + 1 + c]);
          if (ch != '0' && ch != '1' && ch != '2') return false;
          s.characters[c] = ch;
        }
        switches.push_back(s);
      }
    } else if (p[0] == 0x05 && body >= 4 && (body - 1) % 3 == 0) {
      for (std::size_t i = 1; i < body; i += 3) {
        values.push_back({p[i], static_cast<uint16_t>(p[i + 1] | p[i + 2] << 8)});
      }
    } else {
      return false;
    }
    at += length;
  }
  if (parsed) {
    parsed->switches = std::move(switches);
    parsed->values = std::move(values);
  }
  return true;
}

namespace {

// The header's text lines and unused bytes as the writer leaves them: a line
// ends with CR LF and a zero, and zeros fill the rest of its field; the time
// stamp is "MM/DD/YYYY hh:mm". The CRC covers the data part only, so this is
// what finds a damaged header.
bool HeaderIsSound(const uint8_t* h) {
  const auto line = [h](std::size_t at, std::size_t field, std::size_t& length) {
    const auto* begin = reinterpret_cast<const char*>(h + at);
    const std::size_t n = static_cast<std::size_t>(std::find(begin, begin + field, '\0') - begin);
    if (n < 2 || n == field || begin[n - 2] != '\r' || begin[n - 1] != '\n') return false;
    for (std::size_t i = n; i < field; ++i) {
      if (begin[i] != 0) return false;
    }
    length = n - 2;
    return true;
  };
  std::size_t name = 0, empty = 0, stamp = 0;
  if (!line(kDeviceNameAt, kDeviceNameField, name) || !line(kEmptyLineAt, kDeviceNameField, empty) || empty != 0 ||
      !line(kTimeStampAt, kTimeStampField, stamp) || stamp != 16) {
    return false;
  }
  for (std::size_t i = 0; i < name; ++i) {
    if (h[kDeviceNameAt + i] == '\r' || h[kDeviceNameAt + i] == '\n') return false;
  }
  static constexpr char kPattern[] = "00/00/0000 00:00";
  for (std::size_t i = 0; i < 16; ++i) {
    const char c = static_cast<char>(h[kTimeStampAt + i]);
    if (kPattern[i] == '0' ? (c < '0' || c > '9') : c != kPattern[i]) return false;
  }
  // Bytes no field uses.
  const std::pair<std::size_t, std::size_t> used[] = {
      {0, 3}, {kDeviceNameAt, kDeviceNameAt + kDeviceNameField}, {kEmptyLineAt, kEmptyLineAt + kDeviceNameField},
      {kTimeStampAt, kTimeStampAt + kTimeStampField}, {kLogoKindAt, kHasCommandsAt + 1},
      {kLogoLengthAt, kCommandLengthAt + 4}, {kCrcAt, kCrcAt + 4}};
  for (std::size_t i = 0; i < kHeaderSize; ++i) {
    bool inField = false;
    for (const auto& [from, to] : used) inField = inField || (i >= from && i < to);
    if (!inField && h[i] != 0) return false;
  }
  return h[kHasCommandsAt] <= 1;
}

}  // namespace

Check CheckFile(const uint8_t* data, std::size_t size, ParsedFile* parsed) {
  if (!data || size < kHeaderSize) return Check::TooShort;
  if ((data[0] | data[1] << 8) != static_cast<int>(kHeaderSize)) return Check::BadHeaderSize;
  if (data[kVersionAt] != kVersion) return Check::BadVersion;
  if (!HeaderIsSound(data)) return Check::BadHeader;
  const uint64_t logoLength = Le32(data + kLogoLengthAt);
  const uint64_t commandLength = Le32(data + kCommandLengthAt);
  if (kHeaderSize + logoLength + commandLength != size) return Check::LengthsDisagree;
  if (Crc32(data + kHeaderSize, size - kHeaderSize) != Le32(data + kCrcAt)) return Check::BadCrc;
  const auto kind = static_cast<LogoKind>(data[kLogoKindAt]);
  const uint8_t* logo = data + kHeaderSize;
  if (kind == LogoKind::None ? logoLength != 0 : LogoPartKind(logo, logoLength) != kind) return Check::BadLogo;
  if (data[kHasCommandsAt] != 1 || commandLength == 0) return Check::NoCommands;
  ParsedFile result;
  if (!ParseCommandPart(logo + logoLength, commandLength, &result)) return Check::BadCommands;
  const auto line = [data](std::size_t at, std::size_t field) {
    std::string text(reinterpret_cast<const char*>(data + at), field);
    text.resize(std::strlen(text.c_str()));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
  };
  result.deviceName = line(kDeviceNameAt, kDeviceNameField);
  result.timeStamp = line(kTimeStampAt, kTimeStampField);
  result.logoKind = kind;
  result.logoAt = kHeaderSize;
  result.logoLength = static_cast<std::size_t>(logoLength);
  result.commandsAt = kHeaderSize + result.logoLength;
  result.commandLength = static_cast<std::size_t>(commandLength);
  if (parsed) *parsed = std::move(result);
  return Check::Ok;
}

}  // namespace setting_file
