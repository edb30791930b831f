#pragma once
// One VX-R500 as a byte-in, byte-out state machine: the transports of the
// emulator feed it what a host sent and send back what it answers. Includes no
// <windows.h>, so the protocol is tested natively.

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace emu {

using Bytes = std::vector<uint8_t>;

// Who the emulator pretends to be.
enum class Identity : int32_t {
  Served = 0,   // the VX-R500: reports "VX-R200", item 117 = "1"
  Sister = 1,   // the sister model: reports "VX-R200", item 117 = "0"
  Foreign = 2,  // another printer: reports another model name
  Mute = 3,     // answers nothing at all
};

std::optional<Identity> IdentityFromName(const std::string& name);
const char* IdentityName(Identity identity);

// Conditions a person or a fault causes; the printer only reports them.
struct Conditions {
  bool coverOpen = false;
  bool nearEnd = false;
  bool paperOut = false;
  bool cutterError = false;
  bool fatal = false;            // unrecoverable error
  bool offline = false;          // put offline (e.g. by a command or a switch)
  bool recoverable = false;      // mechanical error cleared by the user
  bool autoRecoverable = false;  // e.g. head too hot; clears by itself
  bool operator==(const Conditions&) const = default;
};

// A customized value the printer knows, with its own limits.
struct CustomizedValueSpec {
  uint8_t number;
  uint16_t low;   // limits as 16-bit unsigned; a signed value's range wraps (see IsAllowed)
  uint16_t high;
  uint16_t fallback;
  bool isSigned;
};
const std::vector<CustomizedValueSpec>& CustomizedValueSpecs();
const CustomizedValueSpec* FindCustomizedValue(int number);
bool IsAllowed(const CustomizedValueSpec& spec, uint16_t value);

constexpr int kMemorySwitchCount = 8;
constexpr uint16_t kCutForwardMax = 4241;   // customized value 116
constexpr uint16_t kCutBackwardMax = 262;   // customized value 117

// What survives a restart: kept in the state file.
struct Settings {
  Identity identity = Identity::Served;
  std::array<uint8_t, kMemorySwitchCount + 1> memorySwitch{};  // index 1..8
  std::map<int, uint16_t> customized;                          // number -> value
  bool operator==(const Settings&) const = default;
};
Settings DefaultSettings();
// State file text: "key=value" lines. Unknown keys and bad values are skipped,
// so a damaged file gives the defaults for what it lost.
std::string SettingsToText(const Settings& settings);
Settings SettingsFromText(const std::string& text);

// Identity answers of one model.
struct Profile {
  std::string modelName;
  std::string makerName;
  std::string firmwareVersion;
  std::string serialNumber;
  uint8_t modelId;
  uint8_t typeId;
  uint8_t firmwareId;
  std::map<int, std::string> infoItems;  // printer information items (1D 49 n, n >= 96)
};
Profile ProfileOf(Identity identity, const std::string& serialNumber);

class CPrinterEngine {
public:
  explicit CPrinterEngine(Settings settings = DefaultSettings(), std::string serialNumber = "VXE0000001");

  // Back to the power-on state with the settings in force; what the printer
  // sends by itself once it is ready (power-on notice when its switch asks).
  Bytes PowerOn();
  // A new host is connected: what the last one left half sent is dropped,
  // so that its unfinished command does not swallow the new host's bytes.
  void DiscardInput() {
    input_.clear();
    skip_ = 0;
    imagesLeft_ = 0;
  }
  // Bytes from the host; returns what the printer answers to them.
  Bytes Feed(const uint8_t* data, std::size_t size);
  Bytes Feed(const Bytes& data) { return Feed(data.data(), data.size()); }
  // A changed condition; returns the automatic status block when it is on
  // and an item it reports changed.
  Bytes SetConditions(const Conditions& conditions);
  // Leaving user-setting mode asks for a restart; the host drops the
  // connection, waits and calls PowerOn.
  bool RestartRequested() const { return restartRequested_; }
  // The settings changed since the last call (the host saves the state file).
  bool TakeSettingsChanged();

  void SetIdentity(Identity identity);
  // Stays silent to every command that begins with these bytes (none when
  // empty), answering the rest: a printer that answers its name but never
  // its device ID.
  void SetSilentCommand(Bytes prefix) { silentPrefix_ = std::move(prefix); }
  // Answers every customized-value read with one more than the value in
  // force: a printer that takes a setting but reports another one back.
  void SetMisreport(bool on) { misreport_ = on; }
  // An information item answered whatever the identity says (nothing: the
  // identity's own answer again). Kept across restarts and identity changes.
  void SetInfoItem(int item, std::optional<std::string> text);
  const Settings& CurrentSettings() const { return settings_; }
  // A customized value put in force at once, as if set and restarted (the
  // printer's own limits hold); false for an unknown value or one beyond them.
  bool PutCustomizedValue(int number, uint16_t value);
  const Conditions& CurrentConditions() const { return conditions_; }
  const Profile& CurrentProfile() const { return profile_; }
  bool InUserSettingMode() const { return userMode_; }
  // Enter commands heard since the count was last reset.
  uint32_t UserSettingEntries() const { return entries_; }
  void ResetUserSettingEntries() { entries_ = 0; }
  uint8_t AsbMask() const { return asbMask_; }

  // The status bytes themselves, for tests and the control interface.
  uint8_t RealTimeStatus(int n) const;
  std::array<uint8_t, 4> AutomaticStatus() const;

private:
  // One complete command from the front of the input; 0 when more bytes are needed.
  std::size_t ParseOne(Bytes& out);
  void UserSetting(uint8_t fn, const uint8_t* p, std::size_t n, Bytes& out);
  void ApplyPending();
  void ApplyInfoOverrides();

  Settings settings_;
  Settings pending_;
  std::string serialNumber_;
  Profile profile_;
  Conditions conditions_;
  Bytes input_;
  // A logo being defined: its image bytes are data, not commands, however
  // they look. What is still to come of the current one, and how many bit
  // images of a 1C 71 definition have their header still to come.
  uint64_t skip_ = 0;
  uint32_t imagesLeft_ = 0;
  Bytes silentPrefix_;
  bool misreport_ = false;
  std::map<int, std::string> infoOverrides_;
  uint8_t asbMask_ = 0;
  bool userMode_ = false;
  uint32_t entries_ = 0;
  bool restartRequested_ = false;
  bool settingsChanged_ = false;
};

// Power-on notice switch: memory switch 1, bit 3.
constexpr int kPowerOnNoticeSwitch = 1;
constexpr int kPowerOnNoticeBit = 3;
// Longest user-setting command accepted; past a longer one the printer
// resynchronises after its header.
constexpr std::size_t kMaxCommandBytes = 1024;

std::string ToHex(const uint8_t* data, std::size_t size);
std::optional<Bytes> FromHex(const std::string& text);

}  // namespace emu
