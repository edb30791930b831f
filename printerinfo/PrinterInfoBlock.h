#pragma once
// The printer-information block of the data store: who the printer is and its
// information texts, as the printer read leaves them. No <windows.h>.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

constexpr int32_t kPrinterInfoBlockId = 0x10001;
constexpr uint32_t kPrinterInfoBlockSize = 992;

// Byte offsets from the block start (the 32-byte header comes first). Texts
// are UTF-16, zero-terminated, 90 code units of room each.
namespace printer_info {
constexpr std::size_t kHeaderBytes = 32;
constexpr std::size_t kText1 = 32;       // record field 1 (the reported model name)
constexpr std::size_t kModelName = 212;  // "VX-R500" once read
constexpr std::size_t kText3 = 392;      // record field 3 (firmware version)
constexpr std::size_t kText4 = 572;      // record field 4 (serial number)
constexpr std::size_t kText5 = 752;      // record field 5 (maker)
constexpr std::size_t kTextUnits = 90;
constexpr std::size_t kReadFlag = 976;   // 1 once read from the printer
constexpr std::size_t kValue984 = 984;
constexpr std::size_t kValue988 = 988;
constexpr uint32_t kDefault984 = 80;
constexpr uint32_t kDefault988 = 180;
}  // namespace printer_info

// Everything after the header to its defaults.
void SetPrinterInfoDefaults(uint8_t (&block)[kPrinterInfoBlockSize]);
// A text field; a longer text is cut to 89 code units and terminated.
void WritePrinterInfoText(uint8_t (&block)[kPrinterInfoBlockSize], std::size_t offset, std::u16string_view text);
// A text field up to its terminator or its room.
std::u16string ReadPrinterInfoText(const uint8_t (&block)[kPrinterInfoBlockSize], std::size_t offset);
