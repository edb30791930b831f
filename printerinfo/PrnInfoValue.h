#pragma once
// Reading the printer-information library's answers; no <windows.h>, so the
// rules are also tested natively under the sanitizers.

#include <cstdint>
#include <optional>

// The value of an information item: the whole answer must be a decimal
// number (an optional minus sign and digits, nothing else) within 32 bits.
// The buffer is terminated at its end first, whatever the library left in it.
std::optional<int32_t> ParsePrinterInfoValue(char (&buffer)[256]);
// Which model answers on a connection reporting the sister model's name:
// 24 the served model, 9 the sister model, -1 unknown.
int32_t ClassifyModelVariant(std::optional<int32_t> item117);
