#include "emulator/PrinterEngine.h"

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <utility>

namespace emu {

namespace {

constexpr uint8_t kEsc = 0x1B, kGs = 0x1D, kFs = 0x1C, kDle = 0x10, kEot = 0x04, kEnq = 0x05;

bool ParseUint(const std::string& s, unsigned long& value, unsigned long max) {
  if (s.empty() || s.size() > 10) return false;
  unsigned long v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<unsigned long>(c - '0');
  }
  if (v > max) return false;
  value = v;
  return true;
}

void AppendText(Bytes& out, uint8_t head, const std::string& text) {
  out.push_back(head);
  out.insert(out.end(), text.begin(), text.end());
  out.push_back(0x00);
}

}  // namespace

std::optional<Identity> IdentityFromName(const std::string& name) {
  if (name == "served") return Identity::Served;
  if (name == "sister") return Identity::Sister;
  if (name == "foreign") return Identity::Foreign;
  if (name == "mute") return Identity::Mute;
  return std::nullopt;
}

const char* IdentityName(Identity identity) {
  switch (identity) {
    case Identity::Served: return "served";
    case Identity::Sister: return "sister";
    case Identity::Foreign: return "foreign";
    case Identity::Mute: return "mute";
  }
  return "served";
}

const std::vector<CustomizedValueSpec>& CustomizedValueSpecs() {
  // The limits of docs/printer-settings.md. Density is signed: -6..6 travels
  // as its 16-bit form (65530..6).
  static const std::vector<CustomizedValueSpec> specs = {
      {3, 0, 6, 6, false},        {4, 0, 1, 0, false},   {5, 65530, 6, 0, true},
      {6, 1, 13, 9, false},       {12, 0, 1, 0, false},  {101, 0, 10, 0, false},
      {102, 0, 120, 0, false},    {103, 0, 50, 0, false},    {104, 0, 100, 0, false},
      {116, 0, kCutForwardMax, 0, false}, {117, 0, kCutBackwardMax, 0, false},
  };
  return specs;
}

const CustomizedValueSpec* FindCustomizedValue(int number) {
  for (const auto& s : CustomizedValueSpecs()) {
    if (s.number == number) return &s;
  }
  return nullptr;
}

bool IsAllowed(const CustomizedValueSpec& spec, uint16_t value) {
  if (spec.isSigned) {
    const auto v = static_cast<int16_t>(value);
    return v >= static_cast<int16_t>(spec.low) && v <= static_cast<int16_t>(spec.high);
  }
  return value >= spec.low && value <= spec.high;
}

Settings DefaultSettings() {
  Settings s;
  for (const auto& spec : CustomizedValueSpecs()) s.customized[spec.number] = spec.fallback;
  return s;
}

std::string SettingsToText(const Settings& settings) {
  std::ostringstream out;
  out << "# VX-R500 emulator state\n";
  out << "identity=" << IdentityName(settings.identity) << "\n";
  for (int a = 1; a <= kMemorySwitchCount; ++a) {
    out << "msw" << a << "=" << static_cast<unsigned>(settings.memorySwitch[a]) << "\n";
  }
  for (const auto& [number, value] : settings.customized) out << "cv" << number << "=" << value << "\n";
  return out.str();
}

Settings SettingsFromText(const std::string& text) {
  Settings s = DefaultSettings();
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const auto eq = line.find('=');
    if (line.empty() || line[0] == '#' || eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    unsigned long n = 0, v = 0;
    if (key == "identity") {
      if (auto id = IdentityFromName(value)) s.identity = *id;
    } else if (key.rfind("msw", 0) == 0 && ParseUint(key.substr(3), n, kMemorySwitchCount) && n >= 1 &&
               ParseUint(value, v, 255)) {
      s.memorySwitch[n] = static_cast<uint8_t>(v);
    } else if (key.rfind("cv", 0) == 0 && ParseUint(key.substr(2), n, 255) && ParseUint(value, v, 65535)) {
      const auto* spec = FindCustomizedValue(static_cast<int>(n));
      if (spec && IsAllowed(*spec, static_cast<uint16_t>(v))) s.customized[static_cast<int>(n)] = static_cast<uint16_t>(v);
    }
  }
  return s;
}

Profile ProfileOf(Identity identity, const std::string& serialNumber) {
  Profile p;
  p.makerName = "ORVIK";
  p.firmwareVersion = "1.02 VXR";
  p.serialNumber = serialNumber;
  p.modelName = "VX-R200";
  p.modelId = 0x25;
  p.typeId = 0x02;
  p.firmwareId = 0x41;
  p.infoItems = {{111, "80"}, {114, "1"}, {117, "1"}};
  if (identity == Identity::Sister) {
    p.infoItems[114] = "0";
    p.infoItems[117] = "0";
    p.modelId = 0x24;
  } else if (identity == Identity::Foreign) {
    p.modelName = "LX-P90";
    p.modelId = 0x43;
    p.infoItems.erase(114);
    p.infoItems.erase(117);
  }
  return p;
}

CPrinterEngine::CPrinterEngine(Settings settings, std::string serialNumber)
    : settings_(std::move(settings)), pending_(settings_), serialNumber_(std::move(serialNumber)) {
  profile_ = ProfileOf(settings_.identity, serialNumber_);
}

Bytes CPrinterEngine::PowerOn() {
  DiscardInput();
  asbMask_ = 0;
  userMode_ = false;
  restartRequested_ = false;
  pending_ = settings_;
  profile_ = ProfileOf(settings_.identity, serialNumber_);
  ApplyInfoOverrides();
  Bytes out;
  if (settings_.identity == Identity::Mute) return out;
  if (settings_.memorySwitch[kPowerOnNoticeSwitch] & (1u << (kPowerOnNoticeBit - 1))) out = {0x3B, 0x31, 0x00};
  return out;
}

bool CPrinterEngine::PutCustomizedValue(int number, uint16_t value) {
  const CustomizedValueSpec* spec = FindCustomizedValue(number);
  if (!spec || !IsAllowed(*spec, value)) return false;
  settings_.customized[number] = value;
  settingsChanged_ = true;
  return true;
}

bool CPrinterEngine::TakeSettingsChanged() { return std::exchange(settingsChanged_, false); }

void CPrinterEngine::SetIdentity(Identity identity) {
  if (settings_.identity == identity) return;
  settings_.identity = identity;
  pending_.identity = identity;
  profile_ = ProfileOf(identity, serialNumber_);
  ApplyInfoOverrides();
  settingsChanged_ = true;
}

void CPrinterEngine::SetInfoItem(int item, std::optional<std::string> text) {
  if (text) {
    infoOverrides_[item] = std::move(*text);
  } else {
    infoOverrides_.erase(item);
  }
  profile_ = ProfileOf(settings_.identity, serialNumber_);
  ApplyInfoOverrides();
}

void CPrinterEngine::ApplyInfoOverrides() {
  for (const auto& [item, text] : infoOverrides_) profile_.infoItems[item] = text;
}

uint8_t CPrinterEngine::RealTimeStatus(int n) const {
  const Conditions& c = conditions_;
  const bool anyError = c.cutterError || c.fatal || c.recoverable || c.autoRecoverable;
  uint8_t b = 0x12;
  switch (n) {
    case 1:
      if (c.offline || c.coverOpen || c.paperOut || anyError) b |= 1u << 3;
      if (c.autoRecoverable) b |= 1u << 5;
      break;
    case 2:
      if (c.coverOpen) b |= 1u << 2;
      if (c.paperOut) b |= 1u << 5;
      if (anyError) b |= 1u << 6;
      break;
    case 3:
      if (c.recoverable) b |= 1u << 2;
      if (c.cutterError) b |= 1u << 3;
      if (c.fatal) b |= 1u << 5;
      if (c.autoRecoverable) b |= 1u << 6;
      break;
    case 4:
      if (c.nearEnd) b |= 0x0C;
      if (c.paperOut) b |= 0x60;
      break;
    default:
      break;
  }
  return b;
}

std::array<uint8_t, 4> CPrinterEngine::AutomaticStatus() const {
  const Conditions& c = conditions_;
  const bool anyError = c.cutterError || c.fatal || c.recoverable || c.autoRecoverable;
  std::array<uint8_t, 4> s = {0x10, 0x00, 0x00, 0x00};
  if (c.offline || c.coverOpen || c.paperOut || anyError) s[0] |= 1u << 3;
  if (c.coverOpen) s[0] |= 1u << 5;
  if (c.recoverable) s[1] |= 1u << 2;
  if (c.cutterError) s[1] |= 1u << 3;
  if (c.fatal) s[1] |= 1u << 5;
  if (c.autoRecoverable) s[1] |= 1u << 6;
  if (c.nearEnd) s[2] |= 0x03;
  if (c.paperOut) s[2] |= 0x0C;
  return s;
}

Bytes CPrinterEngine::SetConditions(const Conditions& conditions) {
  const auto before = AutomaticStatus();
  conditions_ = conditions;
  const auto after = AutomaticStatus();
  Bytes out;
  if (settings_.identity == Identity::Mute || asbMask_ == 0 || restartRequested_) return out;
  // Only the items the host enabled count as a change worth a block.
  uint8_t items = 0;
  if ((before[0] ^ after[0]) & 0x08) items |= 0x02;
  if ((before[0] ^ after[0]) & 0x20) items |= 0x04;  // cover counts as an error item
  if (before[1] != after[1]) items |= 0x04;
  if (before[2] != after[2]) items |= 0x08;
  if (items & asbMask_) out.assign(after.begin(), after.end());
  return out;
}

Bytes CPrinterEngine::Feed(const uint8_t* data, std::size_t size) {
  Bytes out;
  if (restartRequested_) return out;  // restarting: it hears nothing
  input_.insert(input_.end(), data, data + size);
  while (!input_.empty() && !restartRequested_) {
    if (skip_ > 0) {
      const std::size_t n = static_cast<std::size_t>(std::min<uint64_t>(skip_, input_.size()));
      input_.erase(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(n));
      skip_ -= n;
      continue;
    }
    const std::size_t answered = out.size();
    const bool silent = !silentPrefix_.empty() && input_.size() >= silentPrefix_.size() &&
                        std::equal(silentPrefix_.begin(), silentPrefix_.end(), input_.begin());
    const std::size_t used = ParseOne(out);
    if (used == 0) break;
    if (silent) out.resize(answered);
    input_.erase(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(used));
  }
  if (restartRequested_) input_.clear();
  if (settings_.identity == Identity::Mute) out.clear();
  return out;
}

std::size_t CPrinterEngine::ParseOne(Bytes& out) {
  const Bytes& in = input_;
  const std::size_t n = in.size();
  if (imagesLeft_ > 0) {
    // One bit image of an NV definition: xL xH yL yH, then x * y * 8 bytes.
    if (n < 4) return 0;
    skip_ = static_cast<uint64_t>(in[0] | in[1] << 8) * static_cast<uint64_t>(in[2] | in[3] << 8) * 8;
    --imagesLeft_;
    return 4;
  }
  if (in[0] == kFs) {
    if (n < 2) return 0;
    if (in[1] != 'q') return 1;
    if (n < 3) return 0;
    imagesLeft_ = in[2];
    return 3;
  }
  if (in[0] == kDle) {
    if (n < 2) return 0;
    if (in[1] != kEot && in[1] != kEnq) return 1;
    if (n < 3) return 0;
    if (in[1] == kEnq) {
      // Recovery request: errors the user cleared are forgotten and printing goes on.
      if (in[2] == 2) {
        Conditions c = conditions_;
        c.recoverable = false;
        c.cutterError = false;
        const Bytes block = SetConditions(c);
        out.insert(out.end(), block.begin(), block.end());
      }
      return 3;
    }
    if (in[2] >= 1 && in[2] <= 4) out.push_back(RealTimeStatus(in[2]));
    return 3;
  }
  if (in[0] == kEsc) {
    if (n < 2) return 0;
    if (in[1] == '*') {
      // Bit image: ESC * m nL nH, then nL + nH * 256 columns of 1 byte
      // (m 0 and 1) or 3 bytes (m 32 and 33). Data, whatever its bytes.
      if (n < 5) return 0;
      const uint64_t columns = in[3] + 256u * in[4];
      skip_ = columns * (in[2] >= 32 ? 3 : 1);
      return 5;
    }
    return 2;  // ESC x: one-parameter commands have nothing to answer here
  }
  if (in[0] != kGs) return 1;  // print data: nothing to print on
  if (n < 2) return 0;
  if (in[1] == 'a') {
    if (n < 3) return 0;
    asbMask_ = in[2] & 0x0F;
    if (asbMask_) {
      const auto s = AutomaticStatus();
      out.insert(out.end(), s.begin(), s.end());
    }
    return 3;
  }
  if (in[1] == 'v') {
    // Raster image: GS v 0 m xL xH yL yH, then (xL + xH * 256) * (yL + yH * 256) bytes.
    if (n < 3) return 0;
    if (in[2] != '0' && in[2] != 0) return 3;
    if (n < 8) return 0;
    skip_ = static_cast<uint64_t>(in[4] + 256u * in[5]) * (in[6] + 256u * in[7]);
    return 8;
  }
  if (in[1] == 'r') {
    // Transmit status: paper sensors (1) or the drawer connector (2); one
    // byte, as receipt-printing clients ask for before and after a receipt.
    if (n < 3) return 0;
    const uint8_t which = in[2];
    if (which == 1 || which == 49) {
      uint8_t b = 0;
      if (conditions_.nearEnd) b |= 0x03;
      if (conditions_.paperOut) b |= 0x0C;
      out.push_back(b);
    } else if (which == 2 || which == 50) {
      out.push_back(0x00);
    }
    return 3;
  }
  if (in[1] == 'I') {
    if (n < 3) return 0;
    const uint8_t id = in[2];
    const Profile& p = profile_;
    switch (id) {
      case 1: case 49: out.push_back(p.modelId); break;
      case 2: case 50: out.push_back(p.typeId); break;
      case 3: case 51: out.push_back(p.firmwareId); break;
      case 65: AppendText(out, 0x5F, p.firmwareVersion); break;
      case 66: AppendText(out, 0x5F, p.makerName); break;
      case 67: AppendText(out, 0x5F, p.modelName); break;
      case 68: AppendText(out, 0x5F, p.serialNumber); break;
      default: {
        auto it = p.infoItems.find(id);
        if (it != p.infoItems.end()) AppendText(out, 0x5F, it->second);
        break;
      }
    }
    return 3;
  }
  if (in[1] == '8') {
    // Graphics data with a 32-bit length: 1D 38 4C p1 p2 p3 p4, then the data.
    if (n < 3) return 0;
    if (in[2] != 'L') return 2;
    if (n < 7) return 0;
    skip_ = uint64_t{in[3]} | uint64_t{in[4]} << 8 | uint64_t{in[5]} << 16 | uint64_t{in[6]} << 24;
    return 7;
  }
  if (in[1] == '(' ) {
    if (n < 3) return 0;
    if (in[2] == 'L') {
      // Graphics data (a logo): 1D 28 4C pL pH, then pL + pH * 256 bytes.
      if (n < 5) return 0;
      skip_ = in[3] + 256u * in[4];
      return 5;
    }
    if (in[2] != 'E') {
      // Every other function group carries pL pH bytes of its own (bar
      // codes, graphics, settings of other makers): taken whole as data.
      if (n < 5) return 0;
      skip_ = in[3] + 256u * in[4];
      return 5;
    }
    if (n < 5) return 0;
    const std::size_t length = in[3] + 256u * in[4];
    if (length > kMaxCommandBytes) return 5;  // cannot be ours: resynchronise after the header
    if (n < 5 + length) return 0;
    if (length >= 1) UserSetting(in[5], in.data() + 6, length - 1, out);
    return 5 + length;
  }
  return 2;
}

void CPrinterEngine::UserSetting(uint8_t fn, const uint8_t* p, std::size_t n, Bytes& out) {
  if (fn == 1) {
    if (n == 2 && p[0] == 'I' && p[1] == 'N') {
      userMode_ = true;
      ++entries_;
      pending_ = settings_;
      out.insert(out.end(), {0x37, 0x20, 0x00});
    }
    return;
  }
  if (fn == 4) {
    if (n != 1 || p[0] < 1 || p[0] > kMemorySwitchCount) return;
    const uint8_t bits = settings_.memorySwitch[p[0]];
    out.insert(out.end(), {0x37, 0x21});
    for (int b = 7; b >= 0; --b) out.push_back((bits >> b) & 1 ? '1' : '0');
    out.push_back(0x00);
    return;
  }
  if (!userMode_) return;  // the rest is heard only in user-setting mode
  switch (fn) {
    case 2:
      if (n == 3 && p[0] == 'O' && p[1] == 'U' && p[2] == 'T') {
        ApplyPending();
        userMode_ = false;
        restartRequested_ = true;
      }
      break;
    case 3:
      if (n % 9 != 0) return;
      for (std::size_t i = 0; i < n; i += 9) {
        const uint8_t a = p[i];
        if (a < 1 || a > kMemorySwitchCount) continue;
        uint8_t bits = pending_.memorySwitch[a];
        for (int k = 0; k < 8; ++k) {
          const int bit = 7 - k;  // c8 first
          const uint8_t c = p[i + 1 + k];
          if (c == '0') bits &= static_cast<uint8_t>(~(1u << bit));
          if (c == '1') bits |= static_cast<uint8_t>(1u << bit);
        }
        pending_.memorySwitch[a] = bits;
      }
      break;
    case 5:
      if (n % 3 != 0) return;
      for (std::size_t i = 0; i < n; i += 3) {
        const auto* spec = FindCustomizedValue(p[i]);
        const auto value = static_cast<uint16_t>(p[i + 1] | (p[i + 2] << 8));
        if (spec && IsAllowed(*spec, value)) pending_.customized[spec->number] = value;
      }
      break;
    case 6: {
      if (n != 1) return;
      auto it = settings_.customized.find(p[0]);
      if (it == settings_.customized.end()) return;  // unknown number: no answer
      out.insert(out.end(), {0x37, 0x27});
      const unsigned reported = it->second + (misreport_ ? 1u : 0u);
      const std::string a = std::to_string(p[0]), v = std::to_string(reported);
      out.insert(out.end(), a.begin(), a.end());
      out.push_back(0x1F);
      out.insert(out.end(), v.begin(), v.end());
      out.push_back(0x00);
      break;
    }
    default:
      break;
  }
}

void CPrinterEngine::ApplyPending() {
  pending_.identity = settings_.identity;
  if (!(pending_ == settings_)) {
    settings_ = pending_;
    settingsChanged_ = true;
  }
}

std::string ToHex(const uint8_t* data, std::size_t size) {
  std::string s;
  char b[4];
  for (std::size_t i = 0; i < size; ++i) {
    std::snprintf(b, sizeof(b), i ? " %02X" : "%02X", data[i]);
    s += b;
  }
  return s;
}

std::optional<Bytes> FromHex(const std::string& text) {
  Bytes out;
  int nibbles = 0;
  uint8_t cur = 0;
  for (char c : text) {
    if (c == ' ' || c == '\t') {
      if (nibbles == 1) return std::nullopt;
      continue;
    }
    int v;
    if (c >= '0' && c <= '9') v = c - '0';
    else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
    else return std::nullopt;
    cur = static_cast<uint8_t>(cur << 4 | v);
    if (++nibbles == 2) {
      out.push_back(cur);
      nibbles = 0;
      cur = 0;
    }
  }
  if (nibbles) return std::nullopt;
  return out;
}

}  // namespace emu
