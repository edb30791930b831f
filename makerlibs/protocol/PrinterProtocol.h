#pragma once
// The printer commands our libraries send and the replies they understand.
// Includes no <windows.h>: every parser here is tested natively against
// corrupt, truncated and oversized replies.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vxproto {

using Bytes = std::vector<uint8_t>;

// Status codes of the status pane, as the communication library reports them.
enum StatusCode : int32_t {
  kStatusOnline = 0,
  kStatusOffline = 1,
  kStatusNoAnswer = 2,
  kStatusFatal = 3,
  kStatusRecoverable = 4,
  kStatusAutoRecoverable = 5,
  kStatusCoverOpen = 6,
  kStatusPaperOut = 7,
  kStatusCutterError = 9,
  kStatusNearEnd = 18,
  kStatusConsumableEnded = 100,
};

// Commands.
Bytes RealTimeStatusCommand(uint8_t n);
Bytes AutomaticStatusCommand(uint8_t items);
Bytes PrinterIdCommand(uint8_t n);
Bytes EnterUserSettingCommand();
Bytes LeaveUserSettingCommand();
Bytes ReadMemorySwitchCommand(uint8_t a);
Bytes ReadCustomizedValueCommand(uint8_t a);
Bytes SetCustomizedValuesCommand(const std::vector<std::pair<uint8_t, uint16_t>>& values);
// Memory switches, each as its eight characters '0', '1' or '2' (leave), bit 8 first.
using SwitchCharacters = std::array<uint8_t, 8>;
Bytes SetMemorySwitchesCommand(const std::vector<std::pair<uint8_t, SwitchCharacters>>& switches);

constexpr uint8_t kAsbAllItems = 0x0F;
constexpr uint8_t kIdModel = 1;
constexpr uint8_t kIdFirmwareVersion = 65, kIdMakerName = 66, kIdModelName = 67, kIdSerialNumber = 68;
constexpr std::size_t kMaxReply = 300;  // longer replies are not ours

// Byte patterns of the notes: real-time status 0xx1xx10, automatic status
// block first byte 0xx1xx00 and following bytes 0xx0xxxx.
constexpr bool IsRealTimeStatusByte(uint8_t b) { return (b & 0x93) == 0x12; }
constexpr bool IsAsbFirstByte(uint8_t b) { return (b & 0x93) == 0x10; }
constexpr bool IsAsbFollowByte(uint8_t b) { return (b & 0x90) == 0x00; }

// What the printer's automatic status block says, as a status code.
int32_t StatusFromAsb(const std::array<uint8_t, 4>& block);
// The same from real-time status bytes n = 1..4 (index 0..3).
int32_t StatusFromRealTime(const std::array<uint8_t, 4>& bytes);

// Separates what the printer pushes by itself (automatic status blocks) from
// replies to commands, in the byte stream as it arrives.
class CStreamSplitter {
public:
  struct Result {
    std::vector<std::array<uint8_t, 4>> blocks;
    Bytes reply;
  };
  Result Feed(const uint8_t* data, std::size_t size);
  void Reset();

private:
  enum class State { Idle, Block, Text } state_ = State::Idle;
  std::array<uint8_t, 4> block_{};
  std::size_t blockLength_ = 0;
  std::size_t textLength_ = 0;
};

// Reply parsers: nothing unless the reply is complete and well formed.
std::optional<std::string> ParseTextReply(const Bytes& reply);  // 5F text 00
std::optional<uint16_t> ParseCustomizedValueReply(const Bytes& reply, uint8_t number);  // 37 27 a 1F v 00
std::optional<uint8_t> ParseMemorySwitchReply(const Bytes& reply);  // 37 21 8 chars 00
bool IsUserSettingAck(const Bytes& reply);  // 37 20 00

// A channel to the printer (the communication object, or a fake in tests).
class IByteChannel {
public:
  virtual ~IByteChannel() = default;
  virtual bool Write(const Bytes& bytes, uint32_t timeoutMs) = 0;
  // Bytes read (at least 1), 0 on time-out, -1 when the connection is gone.
  virtual int Read(uint8_t* buffer, std::size_t size, uint32_t timeoutMs) = 0;
  virtual void Purge() = 0;
};

enum class TalkError { None, Write, Timeout, Closed, Corrupt };

// Request and reply over a channel, one exchange at a time.
class CPrinterTalk {
public:
  explicit CPrinterTalk(IByteChannel& channel, uint32_t timeoutMs = 2000) : channel_(channel), timeoutMs_(timeoutMs) {}

  std::optional<std::string> QueryText(uint8_t idNumber);
  std::optional<uint8_t> QueryIdByte(uint8_t idNumber);
  bool EnterUserSetting();
  bool LeaveUserSetting();
  std::optional<uint16_t> ReadCustomizedValue(uint8_t number);
  bool SetCustomizedValues(const std::vector<std::pair<uint8_t, uint16_t>>& values);
  bool SetMemorySwitches(const std::vector<std::pair<uint8_t, SwitchCharacters>>& switches);
  std::optional<uint8_t> ReadMemorySwitch(uint8_t a);
  // Whether the printer answers a customized-value read, as it does only in
  // user-setting mode.
  bool AnswersInUserSetting() { return ReadCustomizedValue(kProbeValue).has_value(); }
  TalkError LastError() const { return error_; }

private:
  static constexpr uint8_t kProbeValue = 3;  // paper width: every printer of the class has it

  bool Send(const Bytes& command);
  // A reply that starts with one of the text heads and ends with 00.
  std::optional<Bytes> ReadTextReply();

  IByteChannel& channel_;
  uint32_t timeoutMs_;
  TalkError error_ = TalkError::None;
};

// One stay in user-setting mode. Once the enter command went out, the leave
// command follows on every path, answered or not: a printer that heard the
// enter after the reply time (a slow link) or answers nothing would otherwise
// stay in the mode, printing nothing until it is switched off. Outside the
// mode the printer ignores the leave command.
class CUserSettingMode {
public:
  explicit CUserSettingMode(CPrinterTalk& talk) : talk_(talk), entered_(talk.EnterUserSetting()) {}
  ~CUserSettingMode() { (void)Leave(); }
  CUserSettingMode(const CUserSettingMode&) = delete;
  CUserSettingMode& operator=(const CUserSettingMode&) = delete;

  // The printer acknowledged the enter command.
  bool Entered() const { return entered_; }
  // Sends the leave command the first time; whether it went out. After a
  // failed exchange (a late or missing reply, a connection dropped in the
  // middle of the stay) the command may not have reached the printer: it is
  // sent again, while the connection comes back, until the printer no
  // longer answers as it does only in the mode.
  bool Leave();

  // The caller's own commands carried the leave command.
  void LeftByCommands() { left_ = leaveSent_ = true; }

private:
  static constexpr int kLeaveAttempts = 10;
  static constexpr int kLeaveRetryMs = 300;

  CPrinterTalk& talk_;
  bool entered_;
  bool left_ = false;
  bool leaveSent_ = false;
};

}  // namespace vxproto
