#include "printerinfo/PrinterInfoBlock.h"

#include <cstring>

#include "framework/SettingsBlocks.h"

using namespace printer_info;

void SetPrinterInfoDefaults(uint8_t (&block)[kPrinterInfoBlockSize]) {
  std::memset(block + kHeaderBytes, 0, sizeof(block) - kHeaderBytes);
  WriteLe32(block + kValue984, kDefault984);
  WriteLe32(block + kValue988, kDefault988);
}

void WritePrinterInfoText(uint8_t (&block)[kPrinterInfoBlockSize], std::size_t offset, std::u16string_view text) {
  if (offset < kHeaderBytes || offset + 2 * kTextUnits > kReadFlag) return;
  std::memset(block + offset, 0, 2 * kTextUnits);
  const std::size_t units = text.size() < kTextUnits - 1 ? text.size() : kTextUnits - 1;
  for (std::size_t i = 0; i < units; ++i) {
    block[offset + 2 * i] = static_cast<uint8_t>(text[i] & 0xFF);
    block[offset + 2 * i + 1] = static_cast<uint8_t>(text[i] >> 8);
  }
}

std::u16string ReadPrinterInfoText(const uint8_t (&block)[kPrinterInfoBlockSize], std::size_t offset) {
  std::u16string text;
  if (offset < kHeaderBytes || offset + 2 * kTextUnits > kReadFlag) return text;
  for (std::size_t i = 0; i < kTextUnits; ++i) {
    const auto unit = static_cast<char16_t>(block[offset + 2 * i] | block[offset + 2 * i + 1] << 8);
    if (unit == u'\0') break;
    text += unit;
  }
  return text;
}
