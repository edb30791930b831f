#include "sender/SettingNames.h"

#include <algorithm>
#include <array>
#include <map>

#include "plugins/cutposition/AdjustValueRules.h"

namespace sender {

namespace {

struct BitName {
  uint8_t switchNumber, bit;
  const char* name;
};
// The "Memory Switches" page's check boxes.
constexpr BitName kBitNames[] = {
    {1, 2, "Busy while offline"},
    {1, 3, "Send a power-on notice"},
    {1, 4, "Large receive buffer (4 KB)"},
    {1, 5, "Print ? for damaged data"},
    {1, 7, "Line feed on carriage return"},
    {1, 8, "Cut when the cover is closed"},
    {2, 2, "Buzzer on errors"},
    {2, 3, "Mark receipts when paper is low"},
    {5, 1, "Paper-near-end sensor off"},
    {5, 3, "Feed to the cut position at power-on"},
    {8, 1, "Partial cut"},
    {8, 3, "Reduced top margin after a cut"},
    {8, 5, "High-speed printing"},
    {8, 6, "42 columns on 80 mm paper"},
    {8, 7, "Feed button disabled"},
    {8, 8, "Automatic status back at power-on"},
};

struct ValueName {
  uint8_t number;
  const char* name;
  const char* unit;                  // after the number; nullptr: words or none
  std::vector<const char*> words;    // the list's items, by value
};
// The "Customized Values" page's lists and edit boxes, and the cut position.
const std::vector<ValueName>& ValueNames() {
  static const std::vector<ValueName> names = {
      {3, "Paper width", nullptr, {"58 mm", "60 mm", "62 mm", "64 mm", "70 mm", "76 mm", "80 mm"}},
      {4, "Paper kind", nullptr, {"Receipt paper", "Label paper"}},
      {12, "Commands while offline", nullptr, {"Ignored", "Processed"}},
      {101, "Buzzer volume", nullptr, {}},
      {102, "Automatic power-off", " min", {}},
      {103, "Feed after a cut", " mm", {}},
      {104, "Near-end warning with paper left", " m", {}},
      {116, "Cut position, forward adjustment", nullptr, {}},
      {117, "Cut position, backward adjustment", nullptr, {}},
  };
  return names;
}

const char* BitNameOf(uint8_t switchNumber, uint8_t bit) {
  for (const BitName& b : kBitNames) {
    if (b.switchNumber == switchNumber && b.bit == bit) return b.name;
  }
  return nullptr;
}

const ValueName* ValueNameOf(uint8_t number) {
  for (const ValueName& v : ValueNames()) {
    if (v.number == number) return &v;
  }
  return nullptr;
}

// The cut position in millimetres as the page shows it; backward is negative.
std::string Millimetres(int32_t units) {
  int32_t tenths = 0;
  (void)MakeCutPositionCalculator().ToDisplay(units, &tenths);
  const std::wstring text = TextOfTenths(tenths, 1);
  return std::string(text.begin(), text.end()) + " mm";
}

}  // namespace

std::string SwitchBitTitle(uint8_t switchNumber, uint8_t bit) {
  const std::string where = "memory switch " + std::to_string(switchNumber) + " bit " + std::to_string(bit);
  const char* name = BitNameOf(switchNumber, bit);
  return name ? std::string(name) + " (" + where + ")" : where;
}

std::string ValueTitle(uint8_t number) {
  const std::string where = "customized value " + std::to_string(number);
  const ValueName* v = ValueNameOf(number);
  return v ? std::string(v->name) + " (" + where + ")" : where;
}

std::string ValueWords(uint8_t number, uint16_t value) {
  const ValueName* v = ValueNameOf(number);
  const std::string digits = std::to_string(value);
  if (!v) return digits;
  if (number == 116) return digits + " units = " + Millimetres(value);
  if (number == 117) return digits + " units = " + Millimetres(-static_cast<int32_t>(value));
  if (value < v->words.size()) return v->words[value];
  return digits + (v->unit ? v->unit : "");
}

std::vector<std::string> ShowLines(const setting_file::ParsedFile& parsed) {
  std::vector<std::string> lines;
  lines.push_back("Device name: " + parsed.deviceName);
  lines.push_back("Saved: " + parsed.timeStamp);
  switch (parsed.logoKind) {
    case setting_file::LogoKind::None: lines.push_back("Logo: none"); break;
    case setting_file::LogoKind::Graphics:
      lines.push_back("Logo: graphics data, " + std::to_string(parsed.logoLength) + " bytes");
      break;
    case setting_file::LogoKind::BitImage:
      lines.push_back("Logo: bit images, " + std::to_string(parsed.logoLength) + " bytes");
      break;
  }
  // Switches in the order the file first names them, a later character winning.
  std::vector<uint8_t> order;
  std::map<uint8_t, std::array<char, 8>> merged;
  for (const auto& s : parsed.switches) {
    auto [it, added] = merged.try_emplace(s.number);
    if (added) {
      it->second.fill('2');
      order.push_back(s.number);
    }
    for (std::size_t c = 0; c < 8; ++c) {
      if (s.characters[c] != '2') it->second[c] = s.characters[c];
    }
  }
  for (const uint8_t number : order) {
    lines.push_back("Memory switch " + std::to_string(number));
    const auto& chars = merged[number];
    for (uint8_t bit = 8; bit >= 1; --bit) {
      const char c = chars[8 - bit];
      const char* name = BitNameOf(number, bit);
      if (!name && c == '2') continue;
      const std::string state = c == '1' ? "on" : c == '0' ? "off" : "leave as it is";
      lines.push_back("  " + (name ? std::string(name) : "bit " + std::to_string(bit)) + ": " + state);
    }
  }
  std::vector<uint8_t> values;
  std::map<uint8_t, uint16_t> last;
  for (const auto& v : parsed.values) {
    if (!last.count(v.number)) values.push_back(v.number);
    last[v.number] = v.value;
  }
  if (!values.empty()) lines.push_back("Customized values");
  for (const uint8_t number : values) {
    const ValueName* v = ValueNameOf(number);
    const std::string name = v ? v->name : "customized value " + std::to_string(number);
    lines.push_back("  " + name + ": " + ValueWords(number, last[number]));
  }
  return lines;
}

}  // namespace sender
