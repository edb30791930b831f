#pragma once
// The setting command file written in file mode: a 256-byte header with a
// CRC-32, the logo file, then the collected settings as printer commands.

#include <cstdint>
#include <vector>

class CPrinterSettingsList;

// 0 on success, a negative code on failure. The logo path is read only when
// logoPresent is 1.
[[nodiscard]] int32_t WriteSettingCommandFile(const CPrinterSettingsList& list, const wchar_t* logoPath,
                                              int32_t logoPresent, const wchar_t* deviceName,
                                              const wchar_t* outputPath);

// A file of a setting-command part made elsewhere (a backup read from a
// printer), without a logo, stamped with the local time; written whole or
// not at all, as above.
[[nodiscard]] int32_t WriteSettingCommandPart(const std::vector<uint8_t>& commands, const wchar_t* deviceName,
                                              const wchar_t* outputPath);
