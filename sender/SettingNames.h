#pragma once
// The settings of a setting command file in words, with the names the
// "Memory Switches", "Customized Values" and "Adjust Cut Position" pages
// give them (see docs/printer-settings.md), for the sender's --show and for
// the differences it reports. No <windows.h>.

#include <cstdint>
#include <string>
#include <vector>

#include "printerinfo/SettingCommandFormat.h"

namespace sender {

// "Busy while offline (memory switch 1 bit 2)"; a bit the page does not
// offer: "memory switch 1 bit 6".
std::string SwitchBitTitle(uint8_t switchNumber, uint8_t bit);
// "Paper width (customized value 3)"; a value no page offers:
// "customized value 5".
std::string ValueTitle(uint8_t number);
// A value as the page shows it: "80 mm", "Label paper", "30 min", for the cut
// position "35 units = 4.9 mm"; a number the page has no word for as it is.
std::string ValueWords(uint8_t number, uint16_t value);

// The file described line by line: its header, then each memory switch the
// file sends with every bit the page offers ("on", "off", "leave as it is")
// and any other bit it sets, then each customized value. A later command for
// the same switch bit or value wins, as on the printer.
std::vector<std::string> ShowLines(const setting_file::ParsedFile& parsed);

}  // namespace sender
