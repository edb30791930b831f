#pragma once
// The setting command file apart from files and the system: its 256-byte
// header, the printer commands built from the data store's blocks, the
// CRC-32 over the data part, and the check a sender makes before any byte of
// a file reaches a printer. No <windows.h>.
//
// File: header (256 bytes) | logo part (the logo file, maybe empty) |
// setting-command part (enter user-setting mode, the switches and values,
// leave). Integers little-endian.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace setting_file {

constexpr uint32_t kHeaderSize = 256;
constexpr uint8_t kVersion = 1;
constexpr std::size_t kWorkArea = 65535;  // room for the setting-command part

// Header offsets and field sizes.
constexpr std::size_t kVersionAt = 2;
constexpr std::size_t kDeviceNameAt = 4;
constexpr std::size_t kDeviceNameField = 30;
constexpr std::size_t kEmptyLineAt = 36;
constexpr std::size_t kTimeStampAt = 68;
constexpr std::size_t kTimeStampField = 20;
constexpr std::size_t kLogoKindAt = 120;
constexpr std::size_t kHasCommandsAt = 121;
constexpr std::size_t kLogoLengthAt = 124;
constexpr std::size_t kCommandLengthAt = 128;
constexpr std::size_t kCrcAt = 136;
// A device name keeps room for CR LF and the terminating zero.
constexpr std::size_t kDeviceNameMaxBytes = kDeviceNameField - 3;

// Results of the writer (0 success).
constexpr int32_t kNoOutputPath = -1;
constexpr int32_t kCannotCreate = -2;
constexpr int32_t kCannotOpenLogo = -3;
constexpr int32_t kCannotRead = -4;
constexpr int32_t kCannotWrite = -5;
constexpr int32_t kBadLogo = -9;
constexpr int32_t kNoMemory = -11;
constexpr int32_t kOutOfPaper = -12;

// The data blocks the commands are built from, and the sizes asked for.
constexpr int32_t kMemorySwitchBlock = 0x1000B;
constexpr uint32_t kMemorySwitchBlockSize = 256;
constexpr int32_t kCustomValueBlock = 0x10005;
constexpr uint32_t kCustomValueBlockSize = 184;
constexpr int32_t kExtraValueBlock = 0x10006;
constexpr uint32_t kExtraValueBlockSize = 52;
constexpr int32_t kCutPositionBlock = 0x10011;
constexpr uint32_t kCutPositionBlockSize = 40;

// CRC-32 with the parameters of BZIP2: polynomial 0x04C11DB7 most
// significant bit first, initial value 0xFFFFFFFF, result complemented.
uint32_t Crc32(const uint8_t* data, std::size_t size);

enum class LogoKind : uint8_t { None = 0, Graphics = 1, BitImage = 2 };
// A logo file's kind from its first bytes: graphics data (1D 28 4C or
// 1D 38 4C) or a bit image (1C 71); None for anything else or under 3 bytes.
LogoKind LogoKindOf(const uint8_t* data, std::size_t size);

// The most bytes a logo part may hold: the writer refuses a larger logo file
// and the sender a larger logo part, so every file written can be sent. A
// printer's logo memory holds far less.
constexpr std::size_t kMaxLogoBytes = std::size_t{4} << 20;

// The kind of a logo part that is nothing but whole logo commands of one
// kind, every byte accounted for by their declared lengths: graphics data
// (1D 28 4C pL pH, or 1D 38 4C p1 p2 p3 p4, then that many bytes) or bit-image
// definitions (1C 71 n, then n images of xL xH yL yH and x * y * 8 bytes).
// None for anything else: no command, a command cut short, a length that
// claims more or fewer bytes than follow, a command of another kind, or more
// than kMaxLogoBytes. Image bytes that look like commands are image bytes; a
// logo part taken on its first bytes alone could hide commands in a forged
// length or swallow the setting commands after it.
LogoKind LogoPartKind(const uint8_t* data, std::size_t size);

// One block of the data store, the size asked for: false when there is none.
using BlockReader = std::function<bool(int32_t id, uint8_t* buffer, uint32_t length)>;

// One memory switch of the file: its number and where each of its eight
// characters comes from, first character first (the switch's bit 8): the
// block offset of a 32-bit on/off field, or kLeave.
constexpr int kLeave = -1;
struct SwitchRow {
  uint8_t number;
  std::array<int, 8> sources;
};
const std::array<SwitchRow, 4>& SwitchRows();

// One customized value of the file: its number and its source.
enum class ValueSource : uint8_t { Field, CutForward, CutBackward };
struct ValueRow {
  uint8_t number;
  int32_t block;
  std::size_t offset;
  ValueSource source;
};
const std::array<ValueRow, 9>& ValueRows();

// The setting-command part from the blocks; kCannotRead when one is missing
// (nothing is appended then).
int32_t BuildCommandPart(const BlockReader& read, std::vector<uint8_t>& part);

// What the header says apart from the lengths and the CRC, which come from
// the parts.
struct HeaderText {
  std::string deviceName;  // in the ANSI code page, at most kDeviceNameMaxBytes
  int month = 1, day = 1, year = 2000, hour = 0, minute = 0;
};

// The whole file: header, logo part, command part.
std::vector<uint8_t> BuildFile(const HeaderText& text, LogoKind kind, const std::vector<uint8_t>& logo,
                               const std::vector<uint8_t>& commands);

// What a sender checks before anything reaches a printer.
enum class Check {
  Ok,
  TooShort,          // less than a header
  BadHeaderSize,     // the header does not say 256
  BadVersion,
  BadHeader,         // its lines or unused bytes are not as a writer leaves them
  LengthsDisagree,   // the two lengths do not add up to the file's size
  BadCrc,            // damaged
  BadLogo,           // a logo part that is not whole logo commands (LogoPartKind), or of another kind
  NoCommands,        // no setting-command part
  BadCommands,       // a command part that is not enter, switches and values, leave
};
const char* CheckText(Check check);

// One memory switch or customized value the command part sets.
struct SwitchSetting {
  uint8_t number;
  std::array<char, 8> characters;  // '0', '1' or '2' (leave), bit 8 first
};
struct ValueSetting {
  uint8_t number;
  uint16_t value;
};

// The setting-command part that sets these switches and values: enter, a
// command per switch and per value in the order given, leave.
std::vector<uint8_t> CommandPartFor(const std::vector<SwitchSetting>& switches, const std::vector<ValueSetting>& values);

struct ParsedFile {
  std::string deviceName;  // the header's first line without CR LF
  std::string timeStamp;
  LogoKind logoKind = LogoKind::None;
  std::size_t logoAt = 0, logoLength = 0;
  std::size_t commandsAt = 0, commandLength = 0;
  std::vector<SwitchSetting> switches;
  std::vector<ValueSetting> values;
};

// Checks a whole file and, when it is sound, what it sets.
Check CheckFile(const uint8_t* data, std::size_t size, ParsedFile* parsed);
// The command part alone: enter, then memory-switch (3) and customized-value
// (5) commands, then leave, and nothing else.
bool ParseCommandPart(const uint8_t* data, std::size_t size, ParsedFile* parsed);

}  // namespace setting_file
